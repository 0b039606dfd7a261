#ifndef MCONVERSATIONSMANAGER_P_H
#define MCONVERSATIONSMANAGER_P_H

#include "mconversationsmanager.h"

#include <QThread>

class MConversationsManagerWorker;

class MConversationsManagerPrivate
{
public:
    MConversationsManagerPrivate();

    static MConversationsManagerPrivate *get(MConversationsManager *manager)
    {
        return manager->d_func();
    }

    // Lives on the manager's thread; the named thread only runs an empty event loop.
    MConversationsManagerWorker *worker = nullptr;
    QThread thread;
};

#endif // MCONVERSATIONSMANAGER_P_H
