#ifndef MCIMAGEVIEW_H
#define MCIMAGEVIEW_H

#include <QPixmap>
#include <QWidget>

// An image view that can draw its image as a framed photo: a white card with a soft shadow,
// the image inset in it and a thin grey outline. Thumbnails are shown framed, file icons
// plain; a view of 32 pixels or less on a side, or an image without an area, draws plain.
class MCImageView : public QWidget
{
    Q_OBJECT
public:
    // Where a framed image goes in a W x H box: the card's base rectangle and the margin of
    // the image inside it. framed is false when the box or the image is too small to frame.
    struct FramedLayout
    {
        bool framed = false;
        QRectF rect;  // the fitted image box, before the card and margins
        QRectF card;  // white card (rect inset by 6)
        QRectF image; // where the image is drawn
        qreal margin = 0;
    };
    static FramedLayout framedLayout(const QSizeF &box, const QSizeF &image);
    // The margin of the image inside its card, by the larger drawn side.
    static qreal marginForSide(qreal side);
    // Draws image into bounds, framed when addBorder is set and the layout allows it.
    static void paintImage(QPainter *painter, const QRectF &bounds, const QPixmap &image,
                           bool addBorder);

    explicit MCImageView(QWidget *parent = nullptr);

    QPixmap image() const { return m_image; }
    void setImage(const QPixmap &image);
    bool addBorder() const { return m_addBorder; }
    // Does not redraw by itself: set the image or update() afterwards.
    void setAddBorder(bool addBorder) { m_addBorder = addBorder; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_image;
    bool m_addBorder = false;
};

#endif // MCIMAGEVIEW_H
