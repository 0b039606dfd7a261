#ifndef MCBUTTON_H
#define MCBUTTON_H

#include <QAbstractButton>
#include <QPixmap>

// An image button that shows imageIn while the pointer is over it and imageOut otherwise.
// After a click it shows imageOut even though the pointer is still over it, until the pointer
// leaves and enters again.
class MCButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit MCButton(QWidget *parent = nullptr);

    QPixmap imageIn() const { return m_imageIn; }
    void setImageIn(const QPixmap &image);
    QPixmap imageOut() const { return m_imageOut; }
    void setImageOut(const QPixmap &image);
    // The image drawn now: imageIn or imageOut.
    QPixmap image() const { return m_shown; }

    QSize sizeHint() const override;

protected:
    // What a click leaves on show.
    virtual QPixmap imageAfterClick() const { return m_imageOut; }
    void showImage(const QPixmap &image);

    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_imageIn;
    QPixmap m_imageOut;
    QPixmap m_shown;
    bool m_showingIn = false;
};

#endif // MCBUTTON_H
