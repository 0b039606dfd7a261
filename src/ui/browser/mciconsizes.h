#ifndef MCICONSIZES_H
#define MCICONSIZES_H

#include <QVector>

// The icon view's item sizes in points, as the size sliders offer them: 69 fixed steps from 84
// to 512; 140 (index 14) is the default.
namespace MCIconSizes {

const QVector<int> &table();
constexpr int DefaultSize = 140;
// The index of size; for a size not in the table, the index of the nearest one.
int indexOf(int size);

} // namespace MCIconSizes

#endif // MCICONSIZES_H
