#ifndef BENCHSIZE_H
#define BENCHSIZE_H

#include <QtGlobal>

// ctest runs every benchmark once with LUMARIN_BENCH_SMALL=1, so that none of them rots: at the
// small sizes each runs in seconds and its figures mean nothing. Sizes given on a benchmark's
// command line still win.
inline bool benchSmall()
{
    return qEnvironmentVariableIntValue("LUMARIN_BENCH_SMALL") != 0;
}

// full when measuring, small under ctest.
template<typename T> T benchSize(T full, T small)
{
    return benchSmall() ? small : full;
}

#endif // BENCHSIZE_H
