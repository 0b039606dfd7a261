#include "moapiavailabilitymanager.h"

#include "modeltypes.h"
#include "monetworkrequestmanagerbridge.h"
#include "monotificationcenter.h"
#include "mosingleton_p.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <memory>

class MOAPIAvailabilityManagerPrivate
{
public:
    std::unique_ptr<MONetworkRequestManagerBridge> bridge;
    std::unique_ptr<MONotificationCenter> notificationCenter;
};

MOAPIAvailabilityManager::MOAPIAvailabilityManager()
    : d_ptr(new MOAPIAvailabilityManagerPrivate)
{
    Q_D(MOAPIAvailabilityManager);
    registerModelTypes();
    d->bridge = std::make_unique<MONetworkRequestManagerBridge>(this);
    d->notificationCenter = std::make_unique<MONotificationCenter>();
    if (TolvoApp *app = TolvoApp::instance())
        connect(app, &TolvoApp::connectivityStatusChanged, d->bridge.get(),
                &MONetworkRequestManagerBridge::ensureRepetitiveServices);
}

MOAPIAvailabilityManager::~MOAPIAvailabilityManager()
{
    Q_D(MOAPIAvailabilityManager);
    // A report already queued for the bridge dies with it.
    if (TolvoApp *app = TolvoApp::instance())
        disconnect(app, nullptr, d->bridge.get(), nullptr);
}

MOAPIAvailabilityManager *MOAPIAvailabilityManager::sharedInstance()
{
    return MOSingleton<MOAPIAvailabilityManager>::instance();
}

uint MOAPIAvailabilityManager::connectivityStatus() const
{
    TolvoApp *app = TolvoApp::instance();
    return app ? static_cast<uint>(app->connectivityStatus()) : static_cast<uint>(Offline);
}

MONotificationCenter *MOAPIAvailabilityManager::notificationCenter() const
{
    return d_func()->notificationCenter.get();
}
