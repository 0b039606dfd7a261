#include "moavatarmanager.h"

#include "mavatarmanager.h"
#include "mavatarmanagerbridge.h"
#include "moavatarmanagerdelegate.h"
#include "mocorevalues_p.h"
#include "modelegatepointer.h"
#include "moobjectmodeltypes_p.h"
#include "mouseraccount.h"

#include <memory>

class MOAvatarManagerPrivate
{
public:
    std::unique_ptr<MAvatarManager> cxxInstance;
    std::unique_ptr<MAvatarManagerBridge> bridge;
    MODelegatePointer<MOAvatarManagerDelegate> delegate;
};

MOAvatarManager::MOAvatarManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MOAvatarManagerPrivate)
{
    Q_D(MOAvatarManager);
    registerObjectModelTypes();
    d->cxxInstance = std::make_unique<MAvatarManager>();
    d->bridge = std::make_unique<MAvatarManagerBridge>(this);
    d->bridge->connectToCore(d->cxxInstance.get());
}

MOAvatarManager::~MOAvatarManager()
{
    Q_D(MOAvatarManager);
    d->bridge.reset();
    // Later, so that a delegate may let go of the facade from inside one of its calls, while
    // the core manager is still emitting; its downloads in flight end with it then.
    d->cxxInstance.release()->deleteLater();
}

QString MOAvatarManager::avatarPath(const MOUserAccount &account) const
{
    return d_func()->cxxInstance->avatarPath(MOCoreValues::cxxUserAccount(account));
}

void MOAvatarManager::fetchAvatar(const MOUserAccount &account)
{
    d_func()->cxxInstance->fetchAvatar(MOCoreValues::cxxUserAccount(account));
}

void MOAvatarManager::updateAvatar(const QString &path)
{
    d_func()->cxxInstance->updateAvatar(path);
}

MOAvatarManagerDelegate *MOAvatarManager::delegate() const
{
    return d_func()->delegate.get();
}

void MOAvatarManager::setDelegate(MOAvatarManagerDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}
