#ifndef MEMORYAUTHSTORE_H
#define MEMORYAUTHSTORE_H

#include "mauthstore.h"

#include <QMutex>
#include <QVariantMap>

// A credential store that keeps the map in memory, for suites that need no keyring.
class MemoryAuthStore : public MAuthStore
{
public:
    void storeAuthInfo(const QVariantMap &info) override;
    QVariantMap authInfo() override;
    void clear() override;

private:
    QMutex mutex;
    QVariantMap info;
};

#endif // MEMORYAUTHSTORE_H
