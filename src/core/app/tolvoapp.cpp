#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>

namespace {

QBasicMutex instanceMutex;
TolvoAppImpl *liveInstance = nullptr;
bool instanceDestroyed = false;

// Runs from QCoreApplication's destructor, so the core (its network managers and SQL
// connections) goes before the application object, not in static destruction after it.
void destroyInstance()
{
    TolvoAppImpl *instance;
    {
        QMutexLocker locker(&instanceMutex);
        instance = liveInstance;
        instanceDestroyed = true;
    }
    delete instance;
    {
        QMutexLocker locker(&instanceMutex);
        liveInstance = nullptr;
    }
}

} // namespace

TolvoApp::TolvoApp(QObject *parent)
    : TolvoProcess(parent)
{
    qRegisterMetaType<TolvoApp::ConnectivityStatus>("TolvoApp::ConnectivityStatus");
}

TolvoApp::~TolvoApp() = default;

TolvoAppImpl *TolvoApp::instance()
{
    QMutexLocker locker(&instanceMutex);
    if (instanceDestroyed)
        return nullptr;
    if (!liveInstance) {
        liveInstance = new TolvoAppImpl;
        // Signals and timers of the core belong to the main thread whoever asks first.
        if (QCoreApplication::instance())
            liveInstance->moveToThread(QCoreApplication::instance()->thread());
        qAddPostRoutine(destroyInstance);
    }
    return liveInstance;
}

MNetworkRequest TolvoApp::createActionRequest(const QVariant &params, int action,
                                              const QVariant &userData, bool *ok, bool internal)
{
    return mActionRequest(params, action, userData, ok, internal);
}
