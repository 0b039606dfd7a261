#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mconfigdatabase.h"
#include "mdevice.h"
#include "mfilenames.h"
#include "mjsonrequestmanager.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mnotificationmanager.h"
#include "mobjectsvirtualfilesystem.h"
#include "museraccount.h"
#include "muserauthmanager.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int UpdatesInterval = 300;
// A failed poll doubles the wait before the next one, up to about half a minute.
constexpr int LongestUpdatesInterval = 30000;
constexpr int MostDoublings = 8;
// The main thread's time for a delta reply's entries in one turn of the event loop: a reply
// of thousands of changes is applied (and reported) a slice at a time, in order. The turn
// also holds what the views do with the slice before (laying out a large folder again), so
// the slice takes a small part of it.
constexpr int DeltaSliceMs = 5;
// A reply of more entries is applied from the next turn on. A reply of no more is applied
// whole, in one slice, however slow the machine: a change the service made at once (a delete
// of several objects) is reported at once.
constexpr int EntriesAppliedOnArrival = 100;

const QString updatesKey = QStringLiteral("updates");
const QString cursorKey = QStringLiteral("cursor");
const QString userKey = QStringLiteral("user");
const QString deviceIdKey = QStringLiteral("device_id");
const QString pathKey = QStringLiteral("path");
const QString typeKey = QStringLiteral("type");
const QString objectKey = QStringLiteral("object");
const QString attributesKey = QStringLiteral("attributes");
const QString finalObjectKey = QStringLiteral("final_object");
const QString tokenKey = QStringLiteral("token");
const QString hashKey = QStringLiteral("hash");
const QString labelKey = QStringLiteral("label");

// Whether a path the service sent names a place in the store: absolute, without a ".."
// component or a NUL, so that nothing derived from it leaves the folder it maps to.
bool isStorePath(const QVariant &value)
{
    if (value.type() != QVariant::String)
        return false;
    const QString path = value.toString();
    return path.startsWith(QLatin1Char('/')) && !mPathHasParentComponent(path) &&
           !path.contains(QChar(0));
}

bool isMd5(const QString &hash)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{32}$"));
    return hex.match(hash).hasMatch();
}

// An attribute of an "update" entry lists its values, the new one last.
bool newValue(const QVariant &attribute, QString *value)
{
    const QVariantList values = attribute.toList();
    if (attribute.type() != QVariant::List || values.isEmpty() ||
        values.constLast().type() != QVariant::String)
        return false;
    *value = values.constLast().toString();
    return true;
}

// A reply that lists changes or, without changes, gives a cursor. Anything else (an empty
// body, a list of the wrong type) would lose the cursor and with it the changes after it.
bool isDeltaReply(const QVariantMap &body)
{
    if (body.contains(updatesKey))
        return body.value(updatesKey).type() == QVariant::List;
    const QVariant cursor = body.value(cursorKey);
    return cursor.type() == QVariant::String && !cursor.toString().isEmpty();
}

QString parentPath(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// While it lives, this thread's config.db connection does not checkpoint the write-ahead log
// on its own (see checkpointConfigAfterCursorSaves()).
class NoAutoCheckpoint
{
public:
    NoAutoCheckpoint()
        : m_db(mConfigDatabase())
    {
        QSqlQuery query(m_db);
        if (query.exec(QStringLiteral("PRAGMA wal_autocheckpoint")) && query.next())
            m_pages = query.value(0).toInt();
        if (m_pages > 0)
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    }
    ~NoAutoCheckpoint()
    {
        if (m_pages > 0)
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA wal_autocheckpoint=%1").arg(m_pages));
    }
    Q_DISABLE_COPY(NoAutoCheckpoint)

private:
    QSqlDatabase m_db;
    int m_pages = 0;
};

void ignoreEntry(const char *why, const QVariantMap &entry)
{
    qCWarning(lcCoreObjects).nospace()
        << "(MObjectsManager) Ignoring a delta entry: " << why << ", path "
        << entry.value(pathKey).toString() << ", type " << entry.value(typeKey).toString();
}

} // namespace

// What one delta reply changed, reported once the reply has been applied.
struct MObjectsManagerPrivate::DeltaChanges
{
    qint64 deviceId = -1; // this client's
    MStorageObjectList added;
    // What added holds, for a lookup that does not grow with the reply.
    QSet<MStorageObject> addedSet;
    MStorageObjectList deleted;
    QStringList modifiedPaths;
    QList<MStorageObjectPair> modifiedPairs;

    void add(const MStorageObject &object)
    {
        if (!addedSet.contains(object)) {
            addedSet.insert(object);
            added.append(object);
        }
    }
};

struct MObjectsManagerPrivate::PendingDelta
{
    QVariantMap body;
    QVariantList entries;
    int next = 0;
    qint64 deviceId = -1;
    bool foreign = false;
};

void MObjectsManager::startLiveUpdatesMonitor()
{
    Q_D(MObjectsManager);
    if (d->liveUpdatesMonitored)
        return;
    d->liveUpdatesMonitored = true;
    // A poll in flight arms the timer with its reply.
    if (d->deltaRequestId.isEmpty())
        d->startUpdatesTimer();
}

void MObjectsManager::stopLiveUpdatesMonitor()
{
    Q_D(MObjectsManager);
    // Cleared, so that a later start polls again; a reply still in flight arms nothing.
    d->liveUpdatesMonitored = false;
    d->stopUpdatesTimer();
    d->abandonDelta();
}

void MObjectsManager::ensureRepetitiveServices(TolvoProcess::ConnectivityStatus,
                                               TolvoProcess::ConnectivityStatus current)
{
    Q_D(MObjectsManager);
    d->stopUpdatesTimer();
    if (current != TolvoProcess::Online || !d->liveUpdatesMonitored)
        return;
    // The service is back: no reason to wait out the back-off.
    d->deltaFailures = 0;
    d->startUpdatesTimer();
}

void MObjectsManagerPrivate::startUpdatesTimer(int delay)
{
    Q_Q(MObjectsManager);
    if (!updatesTimerId)
        updatesTimerId = q->startTimer(delay > 0 ? delay : UpdatesInterval, Qt::CoarseTimer);
}

void MObjectsManagerPrivate::stopUpdatesTimer()
{
    Q_Q(MObjectsManager);
    if (updatesTimerId)
        q->killTimer(updatesTimerId);
    updatesTimerId = 0;
}

void MObjectsManagerPrivate::updatesTimerFired()
{
    // Stopped first: the poll may arm it again at once.
    stopUpdatesTimer();
    checkForHierarchyUpdates();
}

void MObjectsManagerPrivate::checkForHierarchyUpdates()
{
    // One poll at a time; its reply, once applied, arms the next.
    if (!deltaRequestId.isEmpty() || pendingDelta)
        return;
    MUserAuthManager *auth = MUserAuthManager::applicationManager();
    if (auth)
        dropCursorOfOtherUser(auth->account().id());

    QUrl url = TolvoProcess::instance()->baseAPIURL();
    QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    while (path.endsWith('/'))
        path.chop(1);
    // The cursor is the service's text: encoded whole, it stays one segment of the path.
    path += "/objects/delta/" + QUrl::toPercentEncoding(deltaCursor);
    url.setPath(QString::fromLatin1(path), QUrl::TolerantMode);

    bool ok = false;
    MNetworkRequest request;
    if (auth)
        request = auth->createAuthenticatedRequest(url, MNetworkRequest::Get, &ok);
    if (!ok) {
        qCCritical(lcCoreObjects, "Cannot check for delta: client is not authorized.");
        deltaFailed();
        return;
    }
    request.setUserInfo(QVariantMap{{ReqActionKey, int(Tolvo::DeltaPoll)}});
    deltaRequestId = jsonManager->sendRequest(request);
}

void MObjectsManagerPrivate::deltaFailed()
{
    // Never a tight loop, never for good.
    deltaFailures = std::min(deltaFailures + 1, MostDoublings);
    if (liveUpdatesMonitored)
        startUpdatesTimer(std::min(LongestUpdatesInterval, UpdatesInterval << deltaFailures));
}

void MObjectsManagerPrivate::deltaUndecodable(const MNetworkRequest &request)
{
    if (deltaRequestId.isEmpty() || request.requestId() != deltaRequestId)
        return;
    deltaRequestId.clear();
    lastDeltaStatus = -1;
    qCDebug(lcCoreObjects, "(MObjectsManager) Delta API error: retrying...");
    deltaFailed();
}

void MObjectsManagerPrivate::deltaArrived(const QVariantMap &body, const MNetworkRequest &request,
                                          const MNetworkReply &reply)
{
    // A poll held for reconnection comes back after a newer one went out: its changes are
    // applied by that one.
    if (deltaRequestId.isEmpty() || request.requestId() != deltaRequestId) {
        qCDebug(lcCoreObjects, "(MObjectsManager) Ignoring the reply of an earlier delta request");
        return;
    }
    deltaRequestId.clear();
    const int status = reply.statusCode();
    const int previousStatus = std::exchange(lastDeltaStatus, status);
    switch (status) {
    case 200:
    case 101:
        if (!isDeltaReply(body)) {
            qCWarning(lcCoreObjects,
                      "(MObjectsManager) Delta API error: a reply without changes or cursor; "
                      "retrying...");
            deltaFailed();
            return;
        }
        // Its last slice arms the next poll.
        applyDelta(body);
        return;
    case 404:
        // The service no longer knows the cursor; an empty one asks for its latest.
        setDeltaCursor(QString());
        break;
    case 500:
        qCDebug(lcCoreObjects, "(MObjectsManager) Delta API error: retrying...");
        deltaFailed();
        return;
    case 507:
        // Once per run of refusals, not once per poll.
        if (previousStatus != 507)
            MNotificationManager::instance()->postSpaceQuotaExceededError(Tolvo::DeltaPoll);
        deltaFailed();
        return;
    case 0:
        qCDebug(lcCoreObjects) << "(MObjectsManager) Delta request failed:" << reply.error();
        deltaFailed();
        return;
    default:
        qCWarning(lcCoreObjects, "(MObjectsManager) Unhandled response status code %d", status);
        deltaFailed();
        return;
    }
    deltaFailures = 0;
    if (liveUpdatesMonitored)
        startUpdatesTimer();
}

bool MObjectsManagerPrivate::dropCursorOfOtherUser(qint64 userId)
{
    if (userId < 0 || deltaCursorUser < 0 || userId == deltaCursorUser)
        return false;
    qCWarning(lcCoreObjects, "(MObjectsManager) Dropping the live-update cursor of another user");
    abandonDelta();
    setDeltaCursor(QString());
    return true;
}

void MObjectsManagerPrivate::applyDelta(const QVariantMap &body)
{
    MUserAuthManager *auth = MUserAuthManager::applicationManager();
    const QVariantMap user = body.value(userKey).toMap();
    // Changes after another user's cursor are not this user's: start over from the latest.
    const bool foreign = !user.isEmpty() && dropCursorOfOtherUser(MUserAccount(user).id());
    auto delta = std::make_shared<PendingDelta>();
    delta->body = body;
    delta->foreign = foreign;
    if (!foreign)
        delta->entries = body.value(updatesKey).toList();
    if (auth)
        delta->deviceId = auth->device().id();
    pendingDelta = delta;
    if (delta->entries.size() <= EntriesAppliedOnArrival) {
        applyDeltaSlice();
        return;
    }
    // A long reply starts in a turn of its own: decoding it took a good part of this one.
    QTimer::singleShot(0, q_func(), [this, delta] {
        if (pendingDelta == delta)
            applyDeltaSlice();
    });
}

void MObjectsManagerPrivate::abandonDelta()
{
    pendingDelta.reset();
}

void MObjectsManagerPrivate::applyDeltaSlice()
{
    Q_Q(MObjectsManager);
    const std::shared_ptr<PendingDelta> delta = pendingDelta;
    if (!delta)
        return;
    DeltaChanges changes;
    changes.deviceId = delta->deviceId;
    const NoAutoCheckpoint logKept;
    const std::unique_ptr<QSqlQuery> cursorStatement = prepareDeltaCursorUpdate();
    this->cursorStatement = cursorStatement.get();
    // The entries' time: a short reply is not cut by the statement's preparation.
    QElapsedTimer clock;
    clock.start();
    const int first = delta->next;
    while (delta->next < delta->entries.size()) {
        const QVariant &entry = delta->entries.at(delta->next++);
        const QVariantMap fields = entry.toMap();
        if (entry.type() == QVariant::Map)
            applyDeltaEntry(fields, &changes);
        else
            qCWarning(lcCoreObjects,
                      "(MObjectsManager) Ignoring a delta entry that is not an object");
        // Saved after each entry, applied or ignored, so that a crash resumes after it and
        // no entry comes back.
        const QString token = fields.value(tokenKey).toString();
        if (token.isEmpty())
            qCWarning(lcCoreObjects,
                      "(MObjectsManager) A delta entry without a token resets the cursor");
        setDeltaCursor(token);
        if (delta->entries.size() > EntriesAppliedOnArrival && clock.hasExpired(DeltaSliceMs))
            break;
    }
    this->cursorStatement = nullptr;
    if (cursorStatement)
        checkpointConfigAfterCursorSaves(delta->next - first, delta->next >= delta->entries.size());

    // The slice's changes, in the order a whole reply reports them.
    if (!changes.added.isEmpty())
        emit q->objectsAdded(changes.added, QVariant());
    if (!changes.deleted.isEmpty())
        emit q->objectsDeleted(changes.deleted, QVariant());
    if (!changes.modifiedPaths.isEmpty())
        emit q->objectsModified(changes.modifiedPaths, changes.modifiedPairs, QVariant());
    // A listener may have stopped the monitor or signed out meanwhile.
    if (pendingDelta != delta)
        return;
    if (delta->next < delta->entries.size()) {
        QTimer::singleShot(0, q, [this, delta] {
            if (pendingDelta == delta)
                applyDeltaSlice();
        });
        return;
    }
    pendingDelta.reset();
    const QVariantMap &body = delta->body;
    if (!delta->foreign && !body.contains(updatesKey))
        setDeltaCursor(body.value(cursorKey).toString());
    const QVariantMap user = body.value(userKey).toMap();
    if (MUserAuthManager *auth = MUserAuthManager::applicationManager(); auth && !user.isEmpty())
        auth->setAccount(MUserAccount(user));
    deltaFailures = 0;
    if (liveUpdatesMonitored)
        startUpdatesTimer();
}

void MObjectsManagerPrivate::applyDeltaEntry(const QVariantMap &entry, DeltaChanges *changes)
{
    if (!isStorePath(entry.value(pathKey))) {
        ignoreEntry("its path is not a path of the store", entry);
        return;
    }
    const QString path = remotePath(entry.value(pathKey).toString());
    const QString type = entry.value(typeKey).toString();
    if (type == QLatin1String("add") || type == QLatin1String("delete")) {
        const MStorageObject object(entry.value(objectKey).toMap());
        if (!object.isValid()) {
            ignoreEntry("its object is missing or unusable", entry);
            return;
        }
        if (type == QLatin1String("add"))
            applyAdded(object, changes);
        else
            applyDeleted(path, object, entry.value(deviceIdKey).toLongLong() != changes->deviceId,
                         changes);
    } else if (type == QLatin1String("update")) {
        const MStorageObject finalObject(entry.value(finalObjectKey).toMap());
        const QVariant attributes = entry.value(attributesKey);
        if (!finalObject.isValid() || attributes.type() != QVariant::Map) {
            ignoreEntry("its final object or attributes are missing or unusable", entry);
            return;
        }
        if (!applyUpdated(path, attributes.toMap(), finalObject, changes))
            ignoreEntry("its new path or hash is unusable or does not match its object", entry);
    }
    // Any other type only moves the cursor.
}

void MObjectsManagerPrivate::applyAdded(MStorageObject object, DeltaChanges *changes)
{
    Q_Q(MObjectsManager);
    object = withCacheState(object);
    if (listingsCache.updateObject(object, false)) {
        changes->add(object);
        if (object.type() == MStorageObject::Directory)
            reportedNewFolders.insert(remotePath(object.fullPath()));
        return;
    }

    // The folder was never listed: its folders up to a listed one are reported new, top-most
    // first, and the folder is listed, which reports the object. One reported new already,
    // by an earlier slice or reply, is not new again.
    MStorageObjectList ancestors;
    QString current = remotePath(object.basePath());
    while (current != QLatin1String("/") && !listingsCache.contains(current) &&
           !reportedNewFolders.contains(current)) {
        const QString parent = parentPath(current);
        MStorageObject folder(parent, current.mid(current.lastIndexOf(QLatin1Char('/')) + 1));
        folder.setType(MStorageObject::Directory);
        if (!ancestors.contains(folder))
            ancestors.prepend(folder);
        current = parent;
    }
    for (const MStorageObject &folder : qAsConst(ancestors)) {
        listingsCache.updateObject(folder, false);
        // Two new files of one new folder report the folder once.
        changes->add(folder);
        reportedNewFolders.insert(remotePath(folder.fullPath()));
    }
    q->listObjects(object.basePath(), true, QVariant());
}

void MObjectsManagerPrivate::applyDeleted(const QString &path, const MStorageObject &object,
                                          bool elsewhere, DeltaChanges *changes)
{
    bool consolidated = false;
    const bool indexed = vfs && vfs->containsObject(path, &consolidated);
    // A copy with edits the service has not seen is kept; a change made elsewhere goes to
    // the bin rather than away.
    if (vfs && ((indexed && consolidated) || QFileInfo(vfs->localPath(path)).isDir()))
        vfs->removeObject(path, false, elsewhere);
    if (indexed && !consolidated) {
        // The edits are not lost: the copy is sent again and recreates the object.
        q_func()->consolidateObject(path, false);
        return;
    }
    listingsCache.takeObject(path);
    reportedNewFolders.remove(path);
    changes->deleted.append(object);
}

bool MObjectsManagerPrivate::applyUpdated(const QString &path, const QVariantMap &attributes,
                                          MStorageObject finalObject, DeltaChanges *changes)
{
    MStorageObject previous;
    bool skip = false;
    if (attributes.contains(hashKey)) {
        QString hash;
        if (!newValue(attributes.value(hashKey), &hash) || !isMd5(hash) ||
            remotePath(finalObject.fullPath()) != path)
            return false;
        if (vfs && vfs->containsObject(path)) {
            // A local copy that already holds the new content is no news.
            if (vfs->indexedHash(path) == finalObject.contentHash())
                skip = true;
            else
                vfs->expireObject(path, QByteArray::fromHex(hash.toLatin1()));
            finalObject = withCacheState(finalObject);
        }
        previous = listingsCache.takeObject(path);
        // The file is still there, with its new content.
        listingsCache.updateObject(finalObject, false);
    } else if (attributes.contains(pathKey) || attributes.contains(labelKey)) {
        QString newPath;
        if (attributes.contains(pathKey)) {
            if (!newValue(attributes.value(pathKey), &newPath) || !isStorePath(newPath))
                return false;
        } else {
            QString label;
            if (!newValue(attributes.value(labelKey), &label) || !mIsPlainName(label))
                return false;
            newPath = parentPath(path) + QLatin1Char('/') + label;
        }
        newPath = remotePath(newPath);
        if (remotePath(finalObject.fullPath()) != newPath)
            return false;
        if (vfs && finalObject.type() == MStorageObject::Directory)
            vfs->moveDirectory(path, newPath);
        else if (vfs && vfs->renameObject(path, newPath))
            finalObject.setCached(true);
        previous = listingsCache.takeObject(path);
        // Into a listed folder only: a folder never listed must not look listed with one
        // object.
        listingsCache.updateObject(finalObject, false);
    } else {
        return true;
    }

    if (previous.isValid() && !skip) {
        changes->modifiedPaths.append(path);
        changes->modifiedPairs.append({previous, finalObject});
    }
    return true;
}
