#ifndef BENCHSTATISTICS_H
#define BENCHSTATISTICS_H

#include <QVector>

#include <algorithm>

// The middle of a set of timings: one slow round (another process, a page fault storm)
// does not move it, where it would move a mean.
inline double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

#endif // BENCHSTATISTICS_H
