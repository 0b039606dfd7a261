#ifndef MOOBJECTSMANAGER_P_H
#define MOOBJECTSMANAGER_P_H

#include "modelegatepointer.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjecttransferrequest.h"

#include <QElapsedTimer>
#include <QList>
#include <QScopedPointer>

class MObjectsManager;
class ObjectsManagerBridge;

class MOObjectsManagerPrivate
{
    Q_DECLARE_PUBLIC(MOObjectsManager)
public:
    explicit MOObjectsManagerPrivate(MOObjectsManager *q);
    ~MOObjectsManagerPrivate();

    // The core's objects manager, its signals connected to the bridge; null (with a warning)
    // before the core has been initialised. A facade made earlier connects on its first call.
    MObjectsManager *core();

    // The posting methods, for the bridge: each posts one notification on the facade's centre.
    void postTransferWillStartNotificationForState(const MOObjectTransfer &transfer,
                                                   const QString &domain);
    void postTransferDidStartNotificationForState(const MOObjectTransfer &transfer,
                                                  const QString &domain);
    void postTransferDidResumeNotificationForState(const MOObjectTransfer &transfer,
                                                   const QString &domain);
    void postTransferDidProgressNotificationForState(const MOObjectTransfer &transfer,
                                                     const QString &domain);
    void postTransferDidPauseNotificationForState(const MOObjectTransfer &transfer,
                                                  const QString &domain);
    void postTransferDidFinishNotificationForState(const MOObjectTransfer &transfer,
                                                   const QString &domain);
    void postTransferDidCancelNotificationForState(const MOObjectTransfer &transfer,
                                                   const QString &domain);
    void postTransferDidFailNotificationForState(const MOObjectTransfer &transfer,
                                                 const MOError &error, const QString &domain);
    void postObjectsReadyNotification(const QList<MOStorageObject> &objects,
                                      const QString &basePath, const QVariant &userData);
    void postObjectInfoReadyNotification(const MOStorageObject &object, const QVariant &userData);
    // objects: base path -> the objects of that folder, in order.
    void postObjectsAddedUpdateNotification(const QVariantMap &objects, const QVariant &userData);
    void postObjectsDeletedUpdateNotification(const QVariantMap &objects, const QVariant &userData);
    void postObjectRenamedUpdateNotification(const MOStorageObject &object,
                                             const MOStorageObject &originalObject,
                                             const QVariant &userData);
    void postObjectCopiedUpdateNotification(const MOStorageObject &object,
                                            const MOStorageObject &originalObject,
                                            const QVariant &userData);
    // pairs: old path -> [the object before, the object after].
    void postObjectsUpdatedPairsNotification(const QVariantMap &pairs, const QVariant &userData);
    void postObjectShareLinkNotificationWithURL(const QUrl &url, const MOStorageObject &object,
                                                const QVariant &userData);
    void postObjectShareLinksListNotificationWithArray(const QList<MOShareLink> &links,
                                                       const QVariant &userData);
    void postObjectShareLinkRevokedWithShareLink(const MOShareLink &link, const QVariant &userData);
    void postObjectShareLinkEmailsSentWithFilename(const QString &filename,
                                                   const QStringList &rcpts,
                                                   const QStringList &errors,
                                                   const QVariant &userData);

    void postTransferNotification(const QString &name, const MOObjectTransfer &transfer,
                                  const QString &domain, const MOError &error = MOError());
    void post(const QString &name, QVariantMap userInfo, const QVariant &userData);

    MOObjectsManager *q_ptr;
    // Transfers asked for past a turn's time budget, scheduled a slice per turn of the event
    // loop so that queueing thousands never holds the main thread long; in order.
    void scheduleWaitingTransfers();
    QList<MOObjectTransferRequest> waitingTransfers;
    QElapsedTimer turnClock; // since the first transfer scheduled in this turn

    QScopedPointer<ObjectsManagerBridge> bridge;
    QScopedPointer<MONotificationCenter> center;
    MODelegatePointer<MOObjectsManagerHierarchyDelegate> hierarchyDelegate;
    MODelegatePointer<MOObjectsManagerCacheDelegate> cacheDelegate;
};

#endif // MOOBJECTSMANAGER_P_H
