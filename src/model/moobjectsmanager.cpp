#include "moobjectsmanager.h"

#include "mobjectsmanager.h"
#include "mobjectstatesqueue.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"
#include "moconstants.h"
#include "mocorevalues_p.h"
#include "mologging_p.h"
#include "momainthread_p.h"
#include "moobjectmodeltypes_p.h"
#include "moobjectsmanager_p.h"
#include "mosingleton_p.h"
#include "mostrongnsobjectcontainer.h"
#include "mqbindings.h"
#include "objectsmanagerbridge.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace {

// The request type of a transfer: what a directory transfer gives its members, otherwise the
// action the manager set; 0 when neither is set.
int requestType(const MOObjectTransfer &transfer)
{
    const MObjectTransferRequest request = MOCoreValues::cxxTransfer(transfer).transferRequest();
    const QVariant type = request.attribute(MObjectTransferRequest::RequestType);
    if (type.isValid())
        return type.toInt();
    return request.action();
}

} // namespace

MOObjectsManagerPrivate::MOObjectsManagerPrivate(MOObjectsManager *q)
    : q_ptr(q)
    , bridge(new ObjectsManagerBridge(this))
    , center(new MONotificationCenter)
{}

MOObjectsManagerPrivate::~MOObjectsManagerPrivate() = default;

MObjectsManager *MOObjectsManagerPrivate::core()
{
    if (MObjectsManager *connected = bridge->core())
        return connected;
    TolvoApp *app = TolvoApp::instance();
    MObjectsManager *manager = app && app->isInitialized() ? app->objectsManager() : nullptr;
    if (!bridge->connectToCore(manager)) {
        qCWarning(lcModel) << "MOObjectsManager: the core is not initialised yet";
        return nullptr;
    }
    return manager;
}

void MOObjectsManagerPrivate::postTransferNotification(const QString &name,
                                                       const MOObjectTransfer &transfer,
                                                       const QString &domain, const MOError &error)
{
    QVariantMap userInfo;
    userInfo.insert(MOObjectTransferKey, QVariant::fromValue(transfer));
    userInfo.insert(MOObjectTransferRequestTypeKey, requestType(transfer));
    userInfo.insert(kMOObjectsDomainKey, domain);
    if (!error.isNull())
        userInfo.insert(MOObjectTransferErrorKey, QVariant::fromValue(error));
    assertMainThread();
    center->postNotificationName(name, q_ptr, userInfo);
}

void MOObjectsManagerPrivate::post(const QString &name, QVariantMap userInfo,
                                   const QVariant &userData)
{
    if (userData.isValid())
        userInfo.insert(MOObjectsManagerUserDataKey, userData);
    assertMainThread();
    center->postNotificationName(name, q_ptr, userInfo);
}

MOObjectsManager::MOObjectsManager()
    : d_ptr(new MOObjectsManagerPrivate(this))
{
    registerObjectModelTypes();
    d_ptr->core();
}

MOObjectsManager::~MOObjectsManager() = default;

MOObjectsManager *MOObjectsManager::sharedInstance()
{
    return MOSingleton<MOObjectsManager>::instance();
}

MONotificationCenter *MOObjectsManager::notificationCenter() const
{
    return d_func()->center.data();
}

void MOObjectsManager::start()
{
    if (MObjectsManager *core = d_func()->core())
        core->start();
}

void MOObjectsManager::startLiveUpdates()
{
    if (MObjectsManager *core = d_func()->core())
        core->startLiveUpdatesMonitor();
}

MOObjectsManagerHierarchyDelegate *MOObjectsManager::hierarchyDelegate() const
{
    return d_func()->hierarchyDelegate.get();
}

void MOObjectsManager::setHierarchyDelegate(MOObjectsManagerHierarchyDelegate *delegate)
{
    d_func()->hierarchyDelegate.set(delegate);
}

MOObjectsManagerCacheDelegate *MOObjectsManager::cacheDelegate() const
{
    return d_func()->cacheDelegate.get();
}

void MOObjectsManager::setCacheDelegate(MOObjectsManagerCacheDelegate *delegate)
{
    d_func()->cacheDelegate.set(delegate);
}

void MOObjectsManager::listObjectsAtPath(const QString &path, bool force, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->listObjects(path, force, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::listObjectsAgainAtPath(const QString &path, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->listObjectsAgain(path, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::fetchInfoForObjectAtPath(const QString &path, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->fetchInfo(path, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::deleteObject(const MOStorageObject &object, const QVariant &userData)
{
    // One separator between base path and label, whatever the base path ends with.
    deleteObjectAtPath(QDir::cleanPath(object.basePath() + QLatin1Char('/') + object.label()),
                       userData);
}

void MOObjectsManager::deleteObjectAtPath(const QString &path, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->deleteObject(path, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::deleteObjectsAtPaths(const QStringList &paths, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->deleteObjects(paths, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::createDirectoryAtPath(const QString &path, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->createDirectory(path, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::renameObjectAtPath(const QString &source, const QString &toPath,
                                          const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->renameObject(source, toPath, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::doCopyObjectAtPath(const QString &source, const QString &toPath,
                                          const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->copyObject(source, toPath, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::getShareLinkForObject(const QString &path, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->getShareLink(path, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::revokeShareLinkForToken(const QString &token, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->revokeShareLink(token, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::getShareLinksListWithLimit(int limit, int offset, const QVariant &userData)
{
    if (MObjectsManager *core = d_func()->core())
        core->getShareLinksList(offset, limit, MOStrongNSObjectContainer::wrap(userData));
}

void MOObjectsManager::sendShareLinkByEmailWithShareLink(const QUrl &link, const QString &filename,
                                                         const QStringList &emails,
                                                         const QString &message)
{
    if (MObjectsManager *core = d_func()->core())
        core->sendShareLinkByEmail(link.toString(), QFileInfo(filename).fileName(), emails,
                                   message);
}

void MOObjectsManager::cacheObjectAtPath(const QString &path)
{
    if (MObjectsManager *core = d_func()->core())
        core->cacheObject(path);
}

bool MOObjectsManager::uncacheObjectAtPath(const QString &path)
{
    MObjectsManager *core = d_func()->core();
    return core && core->uncacheObject(path, false);
}

QString MOObjectsManager::localCopyPathOfObjectAtPath(const QString &path) const
{
    MObjectsManager *core = const_cast<MOObjectsManagerPrivate *>(d_func())->core();
    return core ? core->localCopyPath(path) : QString();
}

void MOObjectsManager::consolidateObjectAtPath(const QString &path)
{
    if (MObjectsManager *core = d_func()->core())
        core->consolidateObject(path, false);
}

void MOObjectsManager::openObjectAtPath(const QString &path, const QUrl &application)
{
    if (MObjectsManager *core = d_func()->core())
        core->openObject(path, NSURLToQUrl(application));
}

QString MOObjectsManager::suggestedFilePathWithPath(const QString &path) const
{
    MObjectsManager *core = const_cast<MOObjectsManagerPrivate *>(d_func())->core();
    return core ? core->suggestedFilePath(path) : QString();
}

namespace {
// The main thread's time for scheduling transfers in one turn of the event loop: each one
// announced makes a row, a badge and marks in the window, and what the engine reports of the
// transfers a slice started (about as much work again) shares the next turn with the next
// slice. A caller asking for thousands gets the first at once and returns soon; the rest go
// in slices, a turn apart.
constexpr qint64 CallerBudgetNs = 2000000;
constexpr qint64 SliceBudgetNs = 8000000;
constexpr int TransfersPerWrite = 16;
} // namespace

void MOObjectsManager::transferObject(const MOObjectTransferRequest &request)
{
    Q_D(MOObjectsManager);
    // At once while the turn's budget lasts; then in order, a slice per turn.
    if (d->waitingTransfers.isEmpty()) {
        if (!d->turnClock.isValid()) {
            d->turnClock.start();
            QTimer::singleShot(0, this, [d] { d->turnClock.invalidate(); });
        }
        if (d->turnClock.nsecsElapsed() < CallerBudgetNs) {
            if (MObjectsManager *core = d->core())
                core->transferObject(MOCoreValues::cxxTransferRequest(request));
            return;
        }
        QTimer::singleShot(0, this, [d] { d->scheduleWaitingTransfers(); });
    }
    d->waitingTransfers.append(request);
}

void MOObjectsManagerPrivate::scheduleWaitingTransfers()
{
    Q_Q(MOObjectsManager);
    QElapsedTimer clock;
    clock.start();
    MObjectsManager *engine = core();
    while (!waitingTransfers.isEmpty() && clock.nsecsElapsed() < SliceBudgetNs) {
        // A few at a time, so that the queue's file is written once for them.
        const int count = qMin(int(waitingTransfers.size()), TransfersPerWrite);
        QList<MObjectTransferRequest> requests;
        requests.reserve(count);
        for (int i = 0; i < count; ++i)
            requests.append(MOCoreValues::cxxTransferRequest(waitingTransfers.takeFirst()));
        if (engine)
            engine->transferObjects(requests);
    }
    if (!waitingTransfers.isEmpty())
        QTimer::singleShot(0, q, [this] { scheduleWaitingTransfers(); });
}

void MOObjectsManager::transferDirectory(const MOObjectTransferRequest &request)
{
    // A folder of many thousand files takes long to read: never on the interface's thread.
    if (MObjectsManager *core = d_func()->core())
        core->transferDirectoryInBackground(MOCoreValues::cxxTransferRequest(request));
}

void MOObjectsManager::cancelTransfer(const MOObjectTransfer &transfer)
{
    if (MObjectsManager *core = d_func()->core())
        core->cancelTransfer(MOCoreValues::cxxTransfer(transfer));
}

QList<MOObjectTransfer> MOObjectsManager::waitingTransfers() const
{
    QList<MOObjectTransfer> waiting;
    if (MObjectStatesQueue *queue = MObjectStatesQueue::applicationQueue()) {
        for (const MObjectTransfer &transfer : queue->waitingTransfers())
            waiting.append(MOCoreValues::objectTransferWithCXXObjectTransfer(transfer));
    }
    return waiting;
}

void MOObjectsManager::pauseTransfer(const MOObjectTransfer &transfer)
{
    if (MObjectsManager *core = d_func()->core())
        core->pauseTransfer(MOCoreValues::cxxTransfer(transfer));
}

void MOObjectsManager::resumeTransfer(const MOObjectTransfer &transfer)
{
    if (MObjectsManager *core = d_func()->core())
        core->resumeTransfer(MOCoreValues::cxxTransfer(transfer));
}

void MOObjectsManager::cancelTransferGroup(const MOObjectTransferGroup &group)
{
    if (MObjectsManager *core = d_func()->core())
        core->cancelGroup(MOCoreValues::cxxTransferGroup(group));
}

void MOObjectsManager::pauseTransferGroup(const MOObjectTransferGroup &group)
{
    if (MObjectsManager *core = d_func()->core())
        core->pauseGroup(MOCoreValues::cxxTransferGroup(group));
}

void MOObjectsManager::resumeTransferGroup(const MOObjectTransferGroup &group)
{
    if (MObjectsManager *core = d_func()->core())
        core->resumeGroup(MOCoreValues::cxxTransferGroup(group));
}

void MOObjectsManagerPrivate::postTransferWillStartNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferWillStartNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidStartNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidStartNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidResumeNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidResumeNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidProgressNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidProgressNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidPauseNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidPauseNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidFinishNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidFinishNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidCancelNotificationForState(
    const MOObjectTransfer &transfer, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidCancelNotification, transfer, domain);
}

void MOObjectsManagerPrivate::postTransferDidFailNotificationForState(
    const MOObjectTransfer &transfer, const MOError &error, const QString &domain)
{
    postTransferNotification(MOObjectTransferDidAbortNotification, transfer, domain, error);
}

void MOObjectsManagerPrivate::postObjectsReadyNotification(const QList<MOStorageObject> &objects,
                                                           const QString &basePath,
                                                           const QVariant &userData)
{
    post(
        MOObjectsListDidFetchNotification,
        {{MOStorageObjectsListKey, QVariant::fromValue(objects)}, {MOObjectsBasePathKey, basePath}},
        userData);
}

void MOObjectsManagerPrivate::postObjectInfoReadyNotification(const MOStorageObject &object,
                                                              const QVariant &userData)
{
    post(MOObjectInfoDidFetchNotification, {{MOStorageObjectKey, QVariant::fromValue(object)}},
         userData);
}

void MOObjectsManagerPrivate::postObjectsAddedUpdateNotification(const QVariantMap &objects,
                                                                 const QVariant &userData)
{
    post(MOObjectsAddedUpdateNotification, {{MOStorageObjectsMapKey, objects}}, userData);
}

void MOObjectsManagerPrivate::postObjectsDeletedUpdateNotification(const QVariantMap &objects,
                                                                   const QVariant &userData)
{
    post(MOObjectsDeletedUpdateNotification, {{MOStorageObjectsMapKey, objects}}, userData);
}

void MOObjectsManagerPrivate::postObjectRenamedUpdateNotification(
    const MOStorageObject &object, const MOStorageObject &originalObject, const QVariant &userData)
{
    post(MOObjectRenamedUpdateNotification,
         {{MOStorageObjectCurrent, QVariant::fromValue(object)},
          {MOStorageObjectOriginal, QVariant::fromValue(originalObject)}},
         userData);
}

void MOObjectsManagerPrivate::postObjectCopiedUpdateNotification(
    const MOStorageObject &object, const MOStorageObject &originalObject, const QVariant &userData)
{
    post(MOObjectCopiedUpdateNotification,
         {{MOStorageObjectCurrent, QVariant::fromValue(object)},
          {MOStorageObjectOriginal, QVariant::fromValue(originalObject)}},
         userData);
}

void MOObjectsManagerPrivate::postObjectsUpdatedPairsNotification(const QVariantMap &pairs,
                                                                  const QVariant &userData)
{
    post(MOObjectsModifiedUpdateNotification, {{MOObjectsPairsKey, pairs}}, userData);
}

void MOObjectsManagerPrivate::postObjectShareLinkNotificationWithURL(const QUrl &url,
                                                                     const MOStorageObject &object,
                                                                     const QVariant &userData)
{
    post(MOObjectsDidGetShareLinkNotification,
         {{MOObjectShareLinkURLKey, url}, {MOStorageObjectKey, QVariant::fromValue(object)}},
         userData);
}

void MOObjectsManagerPrivate::postObjectShareLinksListNotificationWithArray(
    const QList<MOShareLink> &links, const QVariant &userData)
{
    post(MOObjectsDidGetShareLinksListNotification,
         {{MOObjectShareLinksListKey, QVariant::fromValue(links)}}, userData);
}

void MOObjectsManagerPrivate::postObjectShareLinkRevokedWithShareLink(const MOShareLink &link,
                                                                      const QVariant &userData)
{
    post(MOObjectsDidGetShareLinkRevokedNotification,
         {{MOObjectShareLinkRevokedKey, QVariant::fromValue(link)}}, userData);
}

void MOObjectsManagerPrivate::postObjectShareLinkEmailsSentWithFilename(const QString &filename,
                                                                        const QStringList &rcpts,
                                                                        const QStringList &errors,
                                                                        const QVariant &userData)
{
    const QVariantMap sent{{QStringLiteral("filename"), filename},
                           {QStringLiteral("rcpts"), rcpts},
                           {QStringLiteral("errors"), errors}};
    post(MOObjectsDidSendShareLinkViaEmailNotification, {{MOObjectShareLinkEmailsSentKey, sent}},
         userData);
}
