#include "mcimageview.h"

#include <QCache>
#include <QPainter>

#include <cmath>

namespace {

// One pass of a box blur of radius r over the alpha of a premultiplied image, along rows
// (horizontal) or columns; three passes come close to a Gaussian blur.
void boxBlurPass(QImage &image, int r, bool horizontal)
{
    const int w = image.width(), h = image.height();
    const int lines = horizontal ? h : w, length = horizontal ? w : h;
    QVector<int> alpha(length);
    for (int line = 0; line < lines; ++line) {
        const auto at = [&](int i) -> QRgb & {
            return reinterpret_cast<QRgb *>(
                image.scanLine(horizontal ? line : i))[horizontal ? i : line];
        };
        for (int i = 0; i < length; ++i)
            alpha[i] = qAlpha(at(i));
        int sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += (i >= 0 && i < length) ? alpha[i] : 0;
        for (int i = 0; i < length; ++i) {
            at(i) = qRgba(0, 0, 0, sum / (2 * r + 1));
            const int out = i - r, in = i + r + 1;
            sum += (in < length ? alpha[in] : 0) - (out >= 0 ? alpha[out] : 0);
        }
    }
}

} // namespace

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

QPainterPath MCImageView::shadowBoxPathForRect(QRectF *rect, qreal shadowDim)
{
    *rect = rect->adjusted(shadowDim, shadowDim, -shadowDim, -shadowDim);
    const qreal x = float(rect->x()), y = float(rect->y());
    const qreal w = float(rect->width()), h = float(rect->height());
    const qreal top = float(std::abs(std::trunc(y + h - 1)));
    constexpr qreal radius = 5.0;
    // Each corner: a line to where its rounding starts, then a quarter circle.
    QPainterPath path(QPointF(float(x + w / 2), y));
    const auto corner = [&path](const QPointF &cornerPoint, const QPointF &towards) {
        const QPointF from = path.currentPosition();
        const auto near = [radius](const QPointF &a, const QPointF &b) {
            const QPointF d = b - a;
            const qreal length = std::hypot(d.x(), d.y());
            return length <= radius ? b : a + d * ((length - radius) / length);
        };
        path.lineTo(near(from, cornerPoint));
        path.quadTo(cornerPoint, near(towards, cornerPoint));
        path.lineTo(towards);
    };
    corner(QPointF(float(x + w), y), QPointF(float(x + w), float(y + h / 2)));
    corner(QPointF(float(x + w), top), QPointF(float(x + w / 2), top));
    corner(QPointF(float(x + 1), top), QPointF(float(x + 1), float(y + h / 2)));
    corner(QPointF(float(x + 1), y), QPointF(float(x + w / 2), y));
    return path;
}

QImage MCImageView::cardShadow(const QSizeF &card)
{
    static QCache<quint64, QImage> cache(64);
    const QSize size = card.toSize();
    const quint64 key = (quint64(quint32(size.width())) << 32) | quint32(size.height());
    if (const QImage *cached = cache.object(key))
        return *cached;
    QImage shadow(size + QSize(2 * ShadowPadding, 2 * ShadowPadding),
                  QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter painter(&shadow);
        painter.fillRect(QRect(QPoint(ShadowPadding, ShadowPadding), size),
                         QColor::fromRgbF(0, 0, 0, 0.82f));
    }
    // A blur of 3.9: three box passes of radius 2 each way.
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurPass(shadow, 2, true);
        boxBlurPass(shadow, 2, false);
    }
    cache.insert(key, new QImage(shadow));
    return shadow;
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
    // The card's soft shadow, 1.4 below it.
    painter->drawImage(layout.card.topLeft() + QPointF(-ShadowPadding, 1.4 - ShadowPadding),
                       cardShadow(layout.card.size()));
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
