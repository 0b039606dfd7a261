#ifndef MCWELCOMEPICTURES_H
#define MCWELCOMEPICTURES_H

#include <QPixmap>
#include <QSize>

// The guided tour's pictures, drawn rather than shipped: one simple illustration per slide in
// the application's colours, at any size and pixel ratio.
namespace MCWelcomePictures {

// The picture of slide index (0 to 11) at size; a null pixmap for any other index.
QPixmap picture(int index, const QSize &size, qreal devicePixelRatio = 1.0);

} // namespace MCWelcomePictures

#endif // MCWELCOMEPICTURES_H
