#include "mcimages.h"

#include <QIcon>
#include <QPixmapCache>

QPixmap MCImages::named(const QString &name)
{
    // The artwork lives in a static library, whose resources are not registered on their own.
    static const bool registered = [] {
        Q_INIT_RESOURCE(controls);
        return true;
    }();
    Q_UNUSED(registered);

    if (name.isEmpty())
        return QPixmap();
    const QString file = name.contains(QLatin1Char('.')) ? name : name + QStringLiteral(".png");
    const QString key = QStringLiteral(":/controls/images/") + file;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap) && pixmap.load(key))
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QPixmap MCImages::themedOrNamed(const QString &themeName, const QString &name, int size)
{
    const QIcon themed = QIcon::fromTheme(themeName);
    if (!themed.isNull())
        return themed.pixmap(size, size);
    return named(name).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage MCImages::copyGrayscale(const QImage &image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = line[x];
            const int value = qMax(qRed(pixel), qMax(qGreen(pixel), qBlue(pixel)));
            line[x] = qRgba(value, value, value, qAlpha(pixel));
        }
    }
    return grey;
}
