#include "mauthstore.h"

#include <QMutex>

namespace {

struct Installed
{
    QMutex mutex;
    MAuthStore *store = nullptr;
};

Installed &installed()
{
    static Installed value;
    return value;
}

} // namespace

MAuthStore::~MAuthStore()
{
    Installed &current = installed();
    QMutexLocker locker(&current.mutex);
    if (current.store == this)
        current.store = nullptr;
}

MAuthStore *MAuthStore::instance()
{
    Installed &current = installed();
    QMutexLocker locker(&current.mutex);
    return current.store;
}

void MAuthStore::setInstance(MAuthStore *store)
{
    Installed &current = installed();
    QMutexLocker locker(&current.mutex);
    current.store = store;
}
