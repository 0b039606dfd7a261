#include "mcavatarimage.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

QImage MCAvatarImage::read(const QString &path, int side)
{
    if (path.isEmpty() || QFileInfo(path).size() > maximumBytes)
        return QImage();
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > maximumPixels)
        return QImage();
    if (qMax(size.width(), size.height()) > side)
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
    return reader.read();
}

QPixmap MCAvatarImage::pixmap(const QString &path, int side)
{
    return QPixmap::fromImage(read(path, side));
}
