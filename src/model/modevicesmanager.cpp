#include "modevicesmanager.h"

#include "mdevicesmanager.h"
#include "momainthread_p.h"

#include <memory>

class MODevicesManagerPrivate
{
public:
    std::unique_ptr<MDevicesManager> cxxInstance;
};

MODevicesManager::MODevicesManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MODevicesManagerPrivate)
{
    Q_D(MODevicesManager);
    d->cxxInstance = std::make_unique<MDevicesManager>();
    connect(d->cxxInstance.get(), &MDevicesManager::devicesReady, this,
            [this](const QList<MDevice> &devices) {
                assertMainThread();
                QList<MODevice> listed;
                listed.reserve(devices.size());
                for (const MDevice &device : devices)
                    listed.append(MODevice(device.id(), device.name(), device.createdAt(),
                                           device.updatedAt()));
                emit devicesListed(listed);
            });
    connect(d->cxxInstance.get(), &MDevicesManager::devicesFailed, this,
            [this](const QString &message) {
                assertMainThread();
                emit devicesListFailed(message);
            });
}

MODevicesManager::~MODevicesManager()
{
    Q_D(MODevicesManager);
    // Later, so that a receiver may let go of the facade from inside one of its signals.
    d->cxxInstance->disconnect(this);
    d->cxxInstance.release()->deleteLater();
}

void MODevicesManager::listDevices()
{
    d_func()->cxxInstance->listDevices();
}
