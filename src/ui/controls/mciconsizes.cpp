#include "mciconsizes.h"

namespace MCIconSizes {

const QVector<int> &sizes()
{
    // Not a formula: steps of 4 up to 164, then 4 or 8 up to 256, then mostly 8.
    static const QVector<int> table = {
        84,  88,  92,  96,  100, 104, 108, 112, 116, 120, 124, 128, 132, 136, 140, 144, 148, 152,
        156, 160, 164, 172, 176, 180, 184, 188, 192, 196, 204, 208, 212, 220, 224, 228, 236, 240,
        244, 252, 256, 264, 272, 276, 284, 292, 296, 304, 312, 320, 324, 332, 340, 348, 356, 364,
        372, 384, 392, 400, 408, 420, 428, 436, 448, 460, 468, 480, 488, 500, 512};
    return table;
}

int indexForSize(int size)
{
    const int index = sizes().indexOf(size);
    return index < 0 ? sizes().size() - 1 : index;
}

int sizeAtIndex(int index)
{
    return sizes().at(qBound(0, index, sizes().size() - 1));
}

} // namespace MCIconSizes
