// The cache check: asks the service which cached objects changed or went while away.
#include "mobjectsvirtualfilesystem.h"
#include "mobjectsvirtualfilesystem_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mjsonrequestmanager.h"
#include "mnetworkreply.h"
#include "tolvoprocess.h"

#include <QDebug>

namespace {

constexpr int FirstCheckRetryDelay = 1000;
constexpr int LastCheckRetryDelay = 30000;

// The service answers "deleted" entries with an object, or with something empty for a path
// it never knew.
bool isEmptyValue(const QVariant &value)
{
    if (value.isNull())
        return true;
    switch (value.type()) {
    case QVariant::String:
        return value.toString().isEmpty();
    case QVariant::Map:
        return value.toMap().isEmpty();
    case QVariant::List:
        return value.toList().isEmpty();
    default:
        return false;
    }
}

} // namespace

void MObjectsVirtualFileSystemPrivate::scheduleCheck()
{
    Q_Q(MObjectsVirtualFileSystem);
    if (checkRetryTimerId)
        return;
    checkRetryDelay = qBound(FirstCheckRetryDelay, checkRetryDelay * 2, LastCheckRetryDelay);
    checkRetryTimerId = q->startTimer(checkRetryDelay, Qt::CoarseTimer);
}

void MObjectsVirtualFileSystem::sendCheckRequest()
{
    Q_D(MObjectsVirtualFileSystem);
    const QStringList keys = indexedPaths();
    if (keys.isEmpty())
        return;
    bool ok = false;
    const MNetworkRequest request =
        mActionRequest(QVariant(keys), Tolvo::ObjectsMetadata, QVariant(), &ok, true);
    if (!ok) {
        // Sent again when asked again, not in a loop while nobody is signed in.
        qCWarning(lcCoreCache, "MObjectsVirtualFileSystemPrivate::sendCheckRequest: not signed in");
        return;
    }
    d->jsonManager->sendRequest(request);
}

void MObjectsVirtualFileSystem::responseObjectReadySlot(const QVariant &responseObject,
                                                        const MNetworkRequest &,
                                                        const MNetworkReply &reply)
{
    Q_D(MObjectsVirtualFileSystem);
    if (reply.statusCode() != 200) {
        qCWarning(lcCoreCache,
                  "MObjectsVirtualFileSystemPrivate::responseObjectReadySlot cannot check for "
                  "objects. Trying again...");
        d->scheduleCheck();
        return;
    }
    d->checkRetryDelay = 0;
    const QVariantMap body = responseObject.toMap();
    const QVariantMap objects = body.value(QStringLiteral("objects")).toMap();
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it) {
        const MStorageObject object(it.value().toMap());
        if (!object.isValid()) {
            qCWarning(lcCoreCache)
                << "MObjectsVirtualFileSystemPrivate::responseObjectReadySlot: Invalid "
                   "object:"
                << it.value().toMap();
            continue;
        }
        if ((object.type() == MStorageObject::Directory))
            continue;
        qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Object" << object.fullPath() << "remote hash"
                             << object.contentHash();
        expireObject(object.fullPath(), MFSINode::hashFromHex(object.contentHash()));
    }
    MObjectsVirtualFileSystemPrivate::Events events;
    {
        QMutexLocker locker(&d->mutex);
        const QVariantMap deleted = body.value(QStringLiteral("deleted")).toMap();
        for (auto it = deleted.constBegin(); it != deleted.constEnd(); ++it) {
            if (isEmptyValue(it.value())) {
                // The service lost it: the local copy is offered for upload again.
                const QString key = d->shadowPath(d->remoteKey(it.key()));
                if (!key.isEmpty() && d->index.contains(key)) {
                    if (!d->stagingObjects.contains(d->listEntry(key)))
                        d->stagingObjects.append(d->listEntry(key));
                    events.staged = true;
                }
                continue;
            }
            const MStorageObject object(it.value().toMap());
            if (!object.isValid()) {
                qCWarning(lcCoreCache)
                    << "MObjectsVirtualFileSystemPrivate::responseObjectReadySlot: "
                       "Invalid object:"
                    << it.value().toMap();
                continue;
            }
            const QString key = d->shadowPath(d->remoteKey(object.fullPath()));
            const auto entry = d->index.constFind(key);
            if (key.isEmpty() || entry == d->index.constEnd())
                continue;
            if (entry->isConsolidated())
                d->removeLocked(object.fullPath(), false, false, false, &events);
            else
                qCDebug(lcCoreCache) << "Staging object" << object.fullPath() << "removed upstream";
        }
        d->indexChangedLocked();
    }
    d->emitEvents(events);
}

void MObjectsVirtualFileSystem::decodeErrorSlot(const MNetworkRequest &, const QByteArray &,
                                                const MNetworkReply &)
{
    Q_D(MObjectsVirtualFileSystem);
    qCDebug(lcCoreCache, "MObjectsVirtualFileSystemPrivate::decodeErrorSlot");
    d->scheduleCheck();
}
