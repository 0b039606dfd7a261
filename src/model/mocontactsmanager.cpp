#include "mocontactsmanager.h"

#include "mcontactsmanager.h"
#include "mocontactsmanagerbridge.h"
#include "mocontactsmanagerdelegate.h"
#include "modelegatepointer.h"
#include "moobjectmodeltypes_p.h"

#include <memory>

class MOContactsManagerPrivate
{
public:
    MContactsManager *cxxInstance = nullptr;
    std::unique_ptr<MOContactsManagerBridge> bridge;
    MODelegatePointer<MOContactsManagerDelegate> delegate;
};

MOContactsManager::MOContactsManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MOContactsManagerPrivate)
{
    Q_D(MOContactsManager);
    registerObjectModelTypes();
    d->cxxInstance = new MContactsManager;
    d->bridge = std::make_unique<MOContactsManagerBridge>(this);
    d->bridge->connectToCore(d->cxxInstance);
}

MOContactsManager::~MOContactsManager()
{
    Q_D(MOContactsManager);
    d->bridge.reset();
    // Later, so that a delegate may let go of the facade from inside one of its calls, while
    // the core manager is still emitting.
    d->cxxInstance->deleteLater();
}

void MOContactsManager::listContacts()
{
    d_func()->cxxInstance->listContacts();
}

void MOContactsManager::search(const QString &query)
{
    d_func()->cxxInstance->search(query);
}

void MOContactsManager::invite(const QString &email)
{
    d_func()->cxxInstance->invite(email);
}

MOContactsManagerDelegate *MOContactsManager::delegate() const
{
    return d_func()->delegate.get();
}

void MOContactsManager::setDelegate(MOContactsManagerDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}
