#ifndef MOSINGLETON_P_H
#define MOSINGLETON_P_H

#include <QCoreApplication>
#include <QThread>

// The one instance of a process-wide facade. It is made on first use, on the main thread,
// and deleted while the application object is being destroyed: before the core, whose own
// clean-up was registered earlier, and while Qt is still alive. Afterwards instance() is null.
template<class T> class MOSingleton
{
public:
    static T *instance()
    {
        if (destroyed)
            return nullptr;
        if (!object) {
            Q_ASSERT_X(!QCoreApplication::instance() ||
                           QThread::currentThread() == QCoreApplication::instance()->thread(),
                       "MOSingleton", "facades are made on the main thread");
            object = new T;
            if (QCoreApplication::instance())
                qAddPostRoutine(&MOSingleton::destroy);
        }
        return object;
    }

private:
    static void destroy()
    {
        T *dying = object;
        object = nullptr;
        destroyed = true;
        delete dying;
    }

    static inline T *object = nullptr;
    static inline bool destroyed = false;
};

#endif // MOSINGLETON_P_H
