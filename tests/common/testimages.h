#ifndef TESTIMAGES_H
#define TESTIMAGES_H

#include <QByteArray>

namespace TestImages {

// A black 8-bit grey PNG of width x 1 pixels, made by hand: the suites link no image library.
QByteArray png(int width);

} // namespace TestImages

#endif // TESTIMAGES_H
