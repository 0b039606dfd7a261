#ifndef TESTIMAGES_H
#define TESTIMAGES_H

#include <QByteArray>

namespace TestImages {

// A black 8-bit grey PNG of width x 1 pixels, made by hand: the suites link no image library.
QByteArray png(int width);
// A black 1-bit grey PNG of width x height pixels, of any size: its rows are compressed by
// hand, as long back-references to the first zero byte.
QByteArray blankPng(int width, int height);

} // namespace TestImages

#endif // TESTIMAGES_H
