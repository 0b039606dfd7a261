#ifndef MRECONNECTABLE_H
#define MRECONNECTABLE_H

#include "tolvoprocess.h"

// An object that restarts its repetitive work when connectivity changes. The implementer
// declares ensureRepetitiveServices as a slot and connects it, in its constructor, to
// TolvoProcess::instance()'s connectivityStatusChanged.
class MReconnectable
{
public:
    virtual ~MReconnectable() = default;
    virtual void ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                          TolvoProcess::ConnectivityStatus current) = 0;
};

#endif // MRECONNECTABLE_H
