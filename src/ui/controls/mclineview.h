#ifndef MCLINEVIEW_H
#define MCLINEVIEW_H

#include <QWidget>

// A light grey separator line that fades out towards both ends.
class MCLineView : public QWidget
{
    Q_OBJECT
public:
    explicit MCLineView(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(100, 1); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif // MCLINEVIEW_H
