#ifndef MPROCESSINSTANCE_H
#define MPROCESSINSTANCE_H

#include <QMutex>
#include <QPointer>

// The one object of a kind that the application hands the floors below it (its request
// manager, its sign-in, its transfer queue): set on the main thread, read from any, and empty
// again once the object is gone. Constant-initialised, so it can stand at namespace scope.
template<typename T> class MProcessInstance
{
public:
    T *get()
    {
        QMutexLocker locker(&mutex);
        return instance;
    }

    void set(T *object)
    {
        QMutexLocker locker(&mutex);
        instance = object;
    }

private:
    QBasicMutex mutex;
    QPointer<T> instance;
};

#endif // MPROCESSINSTANCE_H
