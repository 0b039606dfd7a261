#ifndef MCGRADIENTBOX_H
#define MCGRADIENTBOX_H

#include <QLinearGradient>
#include <QWidget>

// A background of the brand's orange gradient: (255, 149, 0) at the top to (255, 94, 58) at the
// bottom. MCLoginWindowView is the same background under the sign-in window's controls.
class MCGradientBox : public QWidget
{
    Q_OBJECT
public:
    explicit MCGradientBox(QWidget *parent = nullptr);

    static QLinearGradient gradient(const QRectF &rect);

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif // MCGRADIENTBOX_H
