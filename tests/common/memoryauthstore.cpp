#include "memoryauthstore.h"

#include <QMutexLocker>

void MemoryAuthStore::storeAuthInfo(const QVariantMap &newInfo)
{
    QMutexLocker locker(&mutex);
    info = newInfo;
}

QVariantMap MemoryAuthStore::authInfo()
{
    QMutexLocker locker(&mutex);
    return info;
}

void MemoryAuthStore::clear()
{
    QMutexLocker locker(&mutex);
    info.clear();
}
