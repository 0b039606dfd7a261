#ifndef MCIMAGEVIEW_H
#define MCIMAGEVIEW_H

#include <QImage>
#include <QPainterPath>
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
    // Insets *rect by shadowDim on every side (the caller's rectangle takes the result) and
    // builds the outline of a card with rounded corners (radius 5) from it, starting at the
    // middle of its bottom edge; the path is left open.
    static QPainterPath shadowBoxPathForRect(QRectF *rect, qreal shadowDim);
    // The card's shadow for a card of size card: black at 0.82, blurred by 3.9, as an image
    // ShadowPadding larger on every side. Cached by size.
    static QImage cardShadow(const QSizeF &card);
    static constexpr int ShadowPadding = 8;
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
