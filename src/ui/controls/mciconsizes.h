#ifndef MCICONSIZES_H
#define MCICONSIZES_H

#include <QVector>

// The icon view's item sizes, in pixels: a fixed table of 69 steps from 84 to 512 that the
// status bar's slider and the View Options window move through by index.
namespace MCIconSizes {

constexpr int DefaultSize = 140; // index 14

const QVector<int> &sizes();
// The index of size in the table; a size the table lacks gives the last index.
int indexForSize(int size);
// The size at index, clamped to the table.
int sizeAtIndex(int index);

} // namespace MCIconSizes

#endif // MCICONSIZES_H
