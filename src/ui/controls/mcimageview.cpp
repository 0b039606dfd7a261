#include "mcimageview.h"

#include <QPainter>

MCImageView::MCImageView(QWidget *parent)
    : QWidget(parent)
{}

void MCImageView::setImage(const QPixmap &image)
{
    m_image = image;
    update();
}

qreal MCImageView::marginForSide(qreal side)
{
    static const struct
    {
        qreal below;
        qreal margin;
    } table[] = {
        {32, qreal(4.45f)}, {48, qreal(5.05f)}, {64, qreal(6.34f)}, {72, qreal(7.68f)}, {128, 8.25},
        {148, 10.5},        {188, 12.0},        {256, 13.5},        {356, 16.5},        {432, 20.5},
    };
    for (const auto &row : table) {
        if (side < row.below)
            return row.margin;
    }
    return 23.0;
}

MCImageView::FramedLayout MCImageView::framedLayout(const QSizeF &box, const QSizeF &image)
{
    FramedLayout layout;
    const qreal w = box.width(), h = box.height();
    // An image without an area has no aspect ratio to fit: drawn plain.
    if (w <= 32 || h <= 32 || image.width() <= 0 || image.height() <= 0)
        return layout;
    // A true aspect fit; for a square box it is the wide-or-tall rule of the original.
    const qreal scale = qMin(w / image.width(), h / image.height());
    const qreal dw = image.width() * scale, dh = image.height() * scale;
    layout.framed = true;
    layout.rect = QRectF(qreal(int((w - dw) / 2)), qreal(int((h - dh) / 2)), dw, dh);
    layout.margin = marginForSide(qMax(dw, dh));
    layout.card = layout.rect.adjusted(6, 6, -6, -6);
    const QRectF half = layout.rect.adjusted(0.5, 0.5, -0.5, -0.5);
    layout.image = half.adjusted(layout.margin, layout.margin, -layout.margin, -layout.margin);
    return layout;
}

void MCImageView::paintImage(QPainter *painter, const QRectF &bounds, const QPixmap &image,
                             bool addBorder)
{
    if (image.isNull())
        return;
    const QSizeF imageSize = image.size() / image.devicePixelRatioF();
    const FramedLayout layout = addBorder ? framedLayout(bounds.size(), imageSize) : FramedLayout();
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (!layout.framed) {
        // Plain: scaled down to fit, never up, centred.
        const qreal scale = qMin(
            1.0, qMin(bounds.width() / imageSize.width(), bounds.height() / imageSize.height()));
        const QSizeF drawn = imageSize * scale;
        const QRectF target(bounds.x() + (bounds.width() - drawn.width()) / 2,
                            bounds.y() + (bounds.height() - drawn.height()) / 2, drawn.width(),
                            drawn.height());
        painter->drawPixmap(target, image, QRectF(image.rect()));
        painter->restore();
        return;
    }
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->translate(bounds.topLeft());
    // The card's soft shadow: a few widening translucent layers, offset downwards.
    const QRectF shadow = layout.card.translated(0, 1.4);
    for (int step = 4; step >= 1; --step) {
        QColor colour(0, 0, 0, int(0.82 * 255 / (step * 2.5)));
        painter->fillRect(shadow.adjusted(-step * 0.9, -step * 0.9, step * 0.9, step * 0.9),
                          colour);
    }
    painter->fillRect(layout.card, Qt::white);
    painter->drawPixmap(layout.image, image, QRectF(image.rect()));
    painter->setPen(QColor::fromRgbF(0.7, 0.7, 0.7, 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(layout.image);
    painter->restore();
}

void MCImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintImage(&painter, QRectF(rect()), m_image, m_addBorder);
}
