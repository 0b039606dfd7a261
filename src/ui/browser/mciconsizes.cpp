#include "mciconsizes.h"

#include <cstdlib>

const QVector<int> &MCIconSizes::table()
{
    static const QVector<int> sizes = {
        84,  88,  92,  96,  100, 104, 108, 112, 116, 120, 124, 128, 132, 136, 140, 144, 148, 152,
        156, 160, 164, 172, 176, 180, 184, 188, 192, 196, 204, 208, 212, 220, 224, 228, 236, 240,
        244, 252, 256, 264, 272, 276, 284, 292, 296, 304, 312, 320, 324, 332, 340, 348, 356, 364,
        372, 384, 392, 400, 408, 420, 428, 436, 448, 460, 468, 480, 488, 500, 512};
    return sizes;
}

int MCIconSizes::indexOf(int size)
{
    const QVector<int> &sizes = table();
    int best = 0;
    for (int i = 1; i < sizes.size(); ++i) {
        if (std::abs(sizes.at(i) - size) < std::abs(sizes.at(best) - size))
            best = i;
    }
    return best;
}
