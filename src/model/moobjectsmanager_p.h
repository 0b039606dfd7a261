#ifndef MOOBJECTSMANAGER_P_H
#define MOOBJECTSMANAGER_P_H

#include "modelegatepointer.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "objectsmanagerbridge.h"

#include <QScopedPointer>

class MObjectsManager;

class MOObjectsManagerPrivate
{
    Q_DECLARE_PUBLIC(MOObjectsManager)
public:
    explicit MOObjectsManagerPrivate(MOObjectsManager *q);

    // The core's objects manager, its signals connected to the bridge; null (with a warning)
    // before the core has been initialised. A facade made earlier connects on its first call.
    MObjectsManager *core();

    void postTransferNotification(const QString &name, const MOObjectTransfer &transfer,
                                  const QString &domain, const MOError &error = MOError());
    void post(const QString &name, QVariantMap userInfo, const QVariant &userData);

    MOObjectsManager *q_ptr;
    QScopedPointer<ObjectsManagerBridge> bridge;
    QScopedPointer<MONotificationCenter> center;
    MODelegatePointer<MOObjectsManagerHierarchyDelegate> hierarchyDelegate;
    MODelegatePointer<MOObjectsManagerCacheDelegate> cacheDelegate;
};

#endif // MOOBJECTSMANAGER_P_H
