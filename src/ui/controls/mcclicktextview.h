#ifndef MCCLICKTEXTVIEW_H
#define MCCLICKTEXTVIEW_H

#include <QTextEdit>

// A text view whose links open on a click. Only web and mail links are opened (MCLinks).
class MCClickTextView : public QTextEdit
{
    Q_OBJECT
public:
    explicit MCClickTextView(QWidget *parent = nullptr);

signals:
    void linkOpened(const QUrl &link);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif // MCCLICKTEXTVIEW_H
