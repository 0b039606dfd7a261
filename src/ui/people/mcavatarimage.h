#ifndef MCAVATARIMAGE_H
#define MCAVATARIMAGE_H

#include <QPixmap>
#include <QString>

// Account pictures read from files: a file over maximumBytes is not read at all, the image's
// size is read first, and a picture over maximumPixels is refused before it is decoded.
// Larger sides are scaled down to side.
namespace MCAvatarImage {

constexpr qint64 maximumPixels = 4096LL * 4096LL;
// As the core's avatar downloads are bounded.
constexpr qint64 maximumBytes = 4LL * 1024 * 1024;

// A null image when the file is not a readable picture or is too large.
QImage read(const QString &path, int side = 256);
QPixmap pixmap(const QString &path, int side = 256);

} // namespace MCAvatarImage

#endif // MCAVATARIMAGE_H
