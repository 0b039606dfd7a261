#ifndef MOMAINTHREAD_P_H
#define MOMAINTHREAD_P_H

#include <QCoreApplication>
#include <QThread>

// Bridges and facades deliver to the interface, which lives on the main thread: a call from
// anywhere else means a connection of the wrong kind.
inline void assertMainThread()
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
}

#endif // MOMAINTHREAD_P_H
