#include "objectsmanagerbridge.h"

#include "mobjectsmanager.h"
#include "moconstants.h"
#include "mocorevalues_p.h"
#include "momainthread_p.h"
#include "monotificationcenter.h"
#include "moobjectsmanager_p.h"
#include "mostrongnsobjectcontainer.h"
#include "mqbindings.h"

#include <QCoreApplication>
#include <QThread>

namespace {

QString domainFor(bool caching)
{
    return caching ? kMObjectsCachingDomain : kMOObjectsTransferDomain;
}

// Base path -> the objects of that folder, in list order.
QVariantMap groupByBasePath(const MStorageObjectList &objects)
{
    QMap<QString, QList<MOStorageObject>> groups;
    for (const MStorageObject &object : objects)
        groups[object.basePath()].append(MOCoreValues::storageObjectWithCXXStorageObject(object));
    QVariantMap map;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        map.insert(it.key(), QVariant::fromValue(it.value()));
    return map;
}

// Why a transfer failed, from the code it ended with.
QString transferFailure(const MObjectTransfer &transfer)
{
    const int code = transfer.errorCode();
    switch (code) {
    case Tolvo::TransferFailed:
    case Tolvo::TransferStepFailed:
        return QCoreApplication::translate("MOObjectsManager",
                                           "the service did not complete the transfer");
    case Tolvo::CannotContinue:
        return QCoreApplication::translate("MOObjectsManager", "the data arrived damaged");
    case Tolvo::LocalFileExists:
        return QCoreApplication::translate("MOObjectsManager",
                                           "a file with that name is already on this computer");
    case Tolvo::LocalIOError:
        return QCoreApplication::translate(
            "MOObjectsManager", "the file on this computer could not be read or written");
    case Tolvo::LocalDiskFull:
        // The folder written to goes with the error: the user knows where to make room.
        return QCoreApplication::translate("MOObjectsManager",
                                           "the disk holding '%1' is full: free some space there, "
                                           "then download the file again")
            .arg(transfer.errors().value(0).path());
    case Tolvo::QuotaExceeded:
        return QCoreApplication::translate("MOObjectsManager", "your Kerlo space is full");
    case Tolvo::RemoteFileExists:
        return QCoreApplication::translate("MOObjectsManager",
                                           "a file with that name is already in Kerlo");
    case Tolvo::RemoteNotFound:
        return QCoreApplication::translate("MOObjectsManager", "the object is no longer in Kerlo");
    default:
        return QCoreApplication::translate("MOObjectsManager", "the service answered error %1")
            .arg(code);
    }
}

} // namespace

ObjectsManagerBridge::ObjectsManagerBridge(MOObjectsManagerPrivate *d)
    : m_d(d)
{}

bool ObjectsManagerBridge::connectToCore(MObjectsManager *core)
{
    if (!core)
        return false;
    m_core = core;
    using M = MObjectsManager;
    using B = ObjectsManagerBridge;
    // In this order; a local copy that cannot be opened must reach the interface, not vanish.
    connect(core, &M::objectsReady, this, &B::handleObjectsReady);
    connect(core, &M::pathNotFound, this, &B::handlePathNotFound);
    connect(core, &M::fetchFailed, this, &B::handleFetchFailed);
    connect(core, &M::objectReady, this, &B::handleObjectReady);
    connect(core, &M::objectsDeleted, this, &B::handleObjectsDeleted);
    connect(core, &M::objectRenamed, this, &B::handleObjectRenamed);
    connect(core, &M::objectsAdded, this, &B::handleObjectsAdded);
    connect(core, &M::objectsModified, this, &B::handleObjectsModified);
    connect(core, &M::objectCopied, this, &B::handleObjectCopied);
    connect(core, &M::transferScheduled, this, &B::handleTransferScheduled);
    connect(core, &M::transferStarted, this, &B::handleTransferStarted);
    connect(core, &M::transferPaused, this, &B::handleTransferPaused);
    connect(core, &M::transferProgressed, this, &B::handleTransferProgressed);
    connect(core, &M::transferFinished, this, &B::handleTransferFinished);
    connect(core, &M::transferGroupScheduled, this, &B::handleTransferGroupScheduled);
    connect(core, &M::transferGroupStarted, this, &B::handleTransferGroupStarted);
    connect(core, &M::transferGroupProgressed, this, &B::handleTransferGroupProgressed);
    connect(core, &M::transferGroupPaused, this, &B::handleTransferGroupPaused);
    connect(core, &M::transferGroupFinished, this, &B::handleTransferGroupFinished);
    connect(core, &M::shareUrlReady, this, &B::handleObjectShareLinkReady);
    connect(core, &M::shareUrlRevoked, this, &B::handleShareUrlRevoked);
    connect(core, &M::shareLinksListReady, this, &B::handleShareLinksListReady);
    connect(core, &M::shareLinkEmailsSent, this, &B::handleShareLinkEmailsSent);
    connect(core, &M::objectUncached, this, &B::handleObjectUncached);
    connect(core, &M::objectCacheError, this, &B::handleObjectCacheError);
    return true;
}

void ObjectsManagerBridge::handleObjectsReady(const QString &path,
                                              const MStorageObjectList &objects,
                                              const QVariant &userData)
{
    assertMainThread();
    QList<MOStorageObject> list;
    list.reserve(objects.size());
    for (const MStorageObject &object : objects)
        list.append(MOCoreValues::storageObjectWithCXXStorageObject(object));
    m_d->postObjectsReadyNotification(list, path, MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectReady(const MStorageObject &object, const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectInfoReadyNotification(MOCoreValues::storageObjectWithCXXStorageObject(object),
                                         MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handlePathNotFound(const QString &path, const QVariant &userData)
{
    assertMainThread();
    if (auto *delegate = m_d->hierarchyDelegate.get())
        delegate->objectsManagerDidFailForPathErrorUserData(
            m_d->q_ptr, path, MOError(kMObjectsFetchingDomain, 0),
            MOStrongNSObjectContainer::unwrap(userData));
}

// The error's code is the HTTP status; -1 when no answer came (0 is a path not found).
void ObjectsManagerBridge::handleFetchFailed(const QString &path, int status,
                                             const QVariant &userData)
{
    assertMainThread();
    if (auto *delegate = m_d->hierarchyDelegate.get())
        delegate->objectsManagerDidFailForPathErrorUserData(
            m_d->q_ptr, path, MOError(kMObjectsFetchingDomain, status > 0 ? status : -1),
            MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectsDeleted(const MStorageObjectList &objects,
                                                const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectsDeletedUpdateNotification(groupByBasePath(objects),
                                              MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectRenamed(const MStorageObject &object,
                                               const MStorageObject &original,
                                               const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectRenamedUpdateNotification(
        MOCoreValues::storageObjectWithCXXStorageObject(object),
        MOCoreValues::storageObjectWithCXXStorageObject(original),
        MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectsAdded(const MStorageObjectList &objects,
                                              const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectsAddedUpdateNotification(groupByBasePath(objects),
                                            MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectsModified(const QStringList &paths,
                                                 QList<MStorageObjectPair> pairs,
                                                 const QVariant &userData)
{
    assertMainThread();
    QVariantMap map;
    const int count = qMin(paths.size(), pairs.size());
    for (int i = 0; i < count; ++i) {
        const QList<MOStorageObject> pair{
            MOCoreValues::storageObjectWithCXXStorageObject(pairs.at(i).first),
            MOCoreValues::storageObjectWithCXXStorageObject(pairs.at(i).second)};
        map.insert(paths.at(i), QVariant::fromValue(pair));
    }
    m_d->postObjectsUpdatedPairsNotification(map, MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectCacheError(const QString &path, Tolvo::Error error)
{
    assertMainThread();
    if (auto *delegate = m_d->cacheDelegate.get())
        delegate->objectCacheErrorError(path, MOError(kMObjectsCachingDomain, error));
}

void ObjectsManagerBridge::handleObjectCopied(const MStorageObject &copy,
                                              const MStorageObject &original,
                                              const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectCopiedUpdateNotification(
        MOCoreValues::storageObjectWithCXXStorageObject(copy),
        MOCoreValues::storageObjectWithCXXStorageObject(original),
        MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectShareLinkReady(const MStorageObject &object, const QUrl &url,
                                                      const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectShareLinkNotificationWithURL(
        QUrlToNSURL(url), MOCoreValues::storageObjectWithCXXStorageObject(object),
        MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleShareLinksListReady(const QList<MShareLink> &links,
                                                     const QVariant &userData)
{
    assertMainThread();
    QList<MOShareLink> list;
    list.reserve(links.size());
    for (const MShareLink &link : links)
        list.append(MOCoreValues::shareLinkWithCXXShareLink(link));
    m_d->postObjectShareLinksListNotificationWithArray(list,
                                                       MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleShareUrlRevoked(const MShareLink &link, const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectShareLinkRevokedWithShareLink(MOCoreValues::shareLinkWithCXXShareLink(link),
                                                 MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleShareLinkEmailsSent(const QString &filename,
                                                     const QStringList &recipients,
                                                     const QStringList &errors,
                                                     const QVariant &userData)
{
    assertMainThread();
    m_d->postObjectShareLinkEmailsSentWithFilename(filename, recipients, errors,
                                                   MOStrongNSObjectContainer::unwrap(userData));
}

void ObjectsManagerBridge::handleObjectUncached(const MStorageObject &object)
{
    assertMainThread();
    QVariantMap userInfo;
    userInfo.insert(MOStorageObjectKey,
                    QVariant::fromValue(MOCoreValues::storageObjectWithCXXStorageObject(object)));
    m_d->center.data()->postNotificationName(MOObjectUncachedNotification, m_d->q_ptr, userInfo);
}

void ObjectsManagerBridge::handleTransferScheduled(const MObjectTransfer &transfer, bool caching)
{
    assertMainThread();
    m_d->postTransferWillStartNotificationForState(
        MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
}

void ObjectsManagerBridge::handleTransferStarted(const MObjectTransfer &transfer, bool caching)
{
    assertMainThread();
    if (transfer.previousState() == MObjectTransfer::Paused)
        m_d->postTransferDidResumeNotificationForState(
            MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
    else
        m_d->postTransferDidStartNotificationForState(
            MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
}

void ObjectsManagerBridge::handleTransferFinished(const MObjectTransfer &transfer, bool caching)
{
    assertMainThread();
    switch (transfer.state()) {
    case MObjectTransfer::Completed:
        m_d->postTransferDidFinishNotificationForState(
            MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
        break;
    case MObjectTransfer::Error:
        // The error's domain is the transfer domain, for transfers of local copies too.
        m_d->postTransferDidFailNotificationForState(
            MOCoreValues::objectTransferWithCXXObjectTransfer(transfer),
            MOError(kMOObjectsTransferDomain, transfer.errorCode(),
                    {{MOErrorDescriptionKey, transferFailure(transfer)}}),
            domainFor(caching));
        break;
    case MObjectTransfer::Canceled:
        m_d->postTransferDidCancelNotificationForState(
            MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
        break;
    default:
        break;
    }
}

void ObjectsManagerBridge::handleTransferProgressed(const MObjectTransfer &transfer, bool caching)
{
    assertMainThread();
    m_d->postTransferDidProgressNotificationForState(
        MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
}

void ObjectsManagerBridge::handleTransferPaused(const MObjectTransfer &transfer, bool caching)
{
    assertMainThread();
    m_d->postTransferDidPauseNotificationForState(
        MOCoreValues::objectTransferWithCXXObjectTransfer(transfer), domainFor(caching));
}

void ObjectsManagerBridge::handleTransferGroupScheduled(const MObjectTransferGroup &group)
{
    postGroupNotification(MOObjectTransferGroupWillStartNotification, group);
}

void ObjectsManagerBridge::handleTransferGroupStarted(const MObjectTransferGroup &group)
{
    postGroupNotification(MOObjectTransferGroupDidStartNotification, group);
}

void ObjectsManagerBridge::handleTransferGroupProgressed(const MObjectTransferGroup &group)
{
    postGroupNotification(MOObjectTransferGroupDidProgressNotification, group);
}

void ObjectsManagerBridge::handleTransferGroupPaused(const MObjectTransferGroup &group)
{
    postGroupNotification(MOObjectTransferGroupDidPauseNotification, group);
}

void ObjectsManagerBridge::handleTransferGroupFinished(const MObjectTransferGroup &group)
{
    postGroupNotification(MOObjectTransferGroupDidFinishNotification, group);
}

void ObjectsManagerBridge::postGroupNotification(const QString &name,
                                                 const MObjectTransferGroup &group)
{
    assertMainThread();
    QVariantMap userInfo;
    userInfo.insert(
        MOObjectTransferGroupKey,
        QVariant::fromValue(MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(group)));
    m_d->center.data()->postNotificationName(name, m_d->q_ptr, userInfo);
}
