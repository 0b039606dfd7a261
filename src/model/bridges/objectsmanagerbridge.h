#ifndef OBJECTSMANAGERBRIDGE_H
#define OBJECTSMANAGERBRIDGE_H

#include "mobjectsmanager.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "msharelink.h"
#include "mstorageobject.h"
#include "tolvo.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class MOObjectsManagerPrivate;

// Turns the core objects manager's signals into the objects facade's notifications and
// delegate calls. It lives on the main thread, so signals from other threads arrive queued
// and every notification is posted there.
class ObjectsManagerBridge : public QObject
{
    Q_OBJECT
public:
    // Posts through the facade's private side, which owns the bridge.
    explicit ObjectsManagerBridge(MOObjectsManagerPrivate *d);

    // Connects every core signal the facade reports. False when core is null.
    bool connectToCore(MObjectsManager *core);
    MObjectsManager *core() const { return m_core; }

public slots:
    void handleObjectsReady(const QString &path, const MStorageObjectList &objects,
                            const QVariant &userData);
    void handleObjectReady(const MStorageObject &object, const QVariant &userData);
    void handlePathNotFound(const QString &path, const QVariant &userData);
    void handleFetchFailed(const QString &path, int status, const QVariant &userData);
    void handleObjectsDeleted(const MStorageObjectList &objects, const QVariant &userData);
    void handleObjectRenamed(const MStorageObject &object, const MStorageObject &original,
                             const QVariant &userData);
    void handleObjectsAdded(const MStorageObjectList &objects, const QVariant &userData);
    void handleObjectsModified(const QStringList &paths, QList<MStorageObjectPair> pairs,
                               const QVariant &userData);
    void handleObjectCacheError(const QString &path, Tolvo::Error error);
    void handleObjectCopied(const MStorageObject &copy, const MStorageObject &original,
                            const QVariant &userData);
    void handleObjectShareLinkReady(const MStorageObject &object, const QUrl &url,
                                    const QVariant &userData);
    void handleShareLinksListReady(const QList<MShareLink> &links, const QVariant &userData);
    void handleShareUrlRevoked(const MShareLink &link, const QVariant &userData);
    void handleShareLinkEmailsSent(const QString &filename, const QStringList &recipients,
                                   const QStringList &errors, const QVariant &userData);
    void handleObjectUncached(const MStorageObject &object);
    void handleTransferScheduled(const MObjectTransfer &transfer, bool caching);
    void handleTransferStarted(const MObjectTransfer &transfer, bool caching);
    void handleTransferFinished(const MObjectTransfer &transfer, bool caching);
    void handleTransferProgressed(const MObjectTransfer &transfer, bool caching);
    void handleTransferPaused(const MObjectTransfer &transfer, bool caching);
    void handleTransferGroupScheduled(const MObjectTransferGroup &group);
    void handleTransferGroupStarted(const MObjectTransferGroup &group);
    void handleTransferGroupProgressed(const MObjectTransferGroup &group);
    void handleTransferGroupPaused(const MObjectTransferGroup &group);
    void handleTransferGroupFinished(const MObjectTransferGroup &group);

private:
    void postGroupNotification(const QString &name, const MObjectTransferGroup &group);

    MOObjectsManagerPrivate *m_d;
    QPointer<MObjectsManager> m_core;
};

#endif // OBJECTSMANAGERBRIDGE_H
