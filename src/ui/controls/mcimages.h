#ifndef MCIMAGES_H
#define MCIMAGES_H

#include <QImage>
#include <QPixmap>
#include <QString>

// The interface's bundled artwork, looked up by the image names the windows use ("green",
// "badge_sync_icon.png"). A name without an extension is tried as a PNG. An unknown name gives a
// null pixmap.
class MCImages
{
public:
    static QPixmap named(const QString &name);
    // A themed icon when the desktop's icon theme has one, else the bundled image.
    static QPixmap themedOrNamed(const QString &themeName, const QString &name, int size);
    // A grey copy: each pixel's grey is the largest of its red, green and blue; alpha is kept.
    // Dimmed icons are drawn with it.
    static QImage copyGrayscale(const QImage &image);
};

#endif // MCIMAGES_H
