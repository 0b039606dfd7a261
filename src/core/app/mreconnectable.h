#ifndef MRECONNECTABLE_H
#define MRECONNECTABLE_H

#include "tolvoapp.h"

// An object that restarts its repetitive work when connectivity changes. The implementer
// declares ensureRepetitiveServices as a slot and connects it, in its constructor, to
// TolvoApp::instance()'s connectivityStatusChanged.
class MReconnectable
{
public:
    virtual ~MReconnectable() = default;
    virtual void ensureRepetitiveServices(TolvoApp::ConnectivityStatus previous,
                                          TolvoApp::ConnectivityStatus current) = 0;
};

#endif // MRECONNECTABLE_H
