#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"

#include "mjsonelements.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mnotificationmanager.h"
#include "mobjectsvirtualfilesystem.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

namespace {

const QString objectsKey = QStringLiteral("objects");
const QString objectKey = QStringLiteral("object");
const QString errorsKey = QStringLiteral("errors");
const QString shareKey = QStringLiteral("share");

struct ServiceError
{
    int code;
    QString message;
    QString path; // the object a delete's entry names
};

// The service writes errors as strings, or, for deletes, as [path, code, message] lists.
QList<ServiceError> serviceErrors(const QVariant &errors)
{
    QList<ServiceError> result;
    const QVariantList entries =
        errors.type() == QVariant::List ? errors.toList() : QVariantList{errors};
    for (const QVariant &entry : entries) {
        if (entry.type() == QVariant::List) {
            const QVariantList fields = entry.toList();
            result.append(
                {fields.value(1).toInt(), fields.value(2).toString(), fields.value(0).toString()});
        } else if (entry.canConvert<QString>()) {
            result.append({0, entry.toString(), QString()});
        }
    }
    return result;
}

// The object a new folder, a rename or a copy names, as the caller gave it; empty for other
// actions.
QPair<QString, QString> actionPaths(int action, const QVariantMap &info)
{
    if (action == Tolvo::MakeDirectory)
        return {info.value(ReqPathKey).toString(), QString()};
    if (action == Tolvo::RenameObject || action == Tolvo::CopyObject) {
        const QVariantMap argument = info.value(ReqMapKey).toMap();
        return {argument.value(QStringLiteral("source")).toString(),
                argument.value(QStringLiteral("destination")).toString()};
    }
    return {};
}

// What the user is told when a share-link request fails without the service's own words;
// empty for any other action.
QString shareLinkFailure(int action)
{
    switch (action) {
    case Tolvo::CreateShareLink:
        return QStringLiteral("Could not make the share link");
    case Tolvo::RevokeShareLink:
        return QStringLiteral("Could not revoke the share link");
    case Tolvo::ListShareLinks:
        return QStringLiteral("Could not list the share links");
    case Tolvo::EmailShareLink:
        return QStringLiteral("Could not send the share link by e-mail");
    default:
        return QString();
    }
}

// What failed, said as a sentence the service's own words can follow: deleted are the paths
// a delete named. Empty for actions the user did not ask for by name.
QString actionFailure(int action, const QVariantMap &info, const QStringList &deleted)
{
    const QString share = shareLinkFailure(action);
    if (!share.isEmpty())
        return share;
    const QPair<QString, QString> paths = actionPaths(action, info);
    switch (action) {
    case Tolvo::MakeDirectory:
        return QStringLiteral("Could not create the folder '%1'").arg(paths.first);
    case Tolvo::RenameObject:
        // A rename into another folder is a move.
        if (QFileInfo(paths.first).path() != QFileInfo(paths.second).path())
            return QStringLiteral("Could not move '%1' to '%2'").arg(paths.first, paths.second);
        return QStringLiteral("Could not rename '%1' to '%2'").arg(paths.first, paths.second);
    case Tolvo::CopyObject:
        return QStringLiteral("Could not copy '%1' to '%2'").arg(paths.first, paths.second);
    case Tolvo::DeleteObjects:
        if (deleted.isEmpty())
            return QString();
        return deleted.size() == 1
                   ? QStringLiteral("Could not delete '%1'").arg(deleted.first())
                   : QStringLiteral("Could not delete %1 items").arg(deleted.size());
    default:
        return QString();
    }
}

// Actions 7 and above have no name.
QString requestType(int action)
{
    return action >= Tolvo::ListObjects && action <= Tolvo::CopyObject
               ? mObjectAction(Tolvo::ObjectAction(action))
               : QString();
}

} // namespace

void MObjectsManagerPrivate::objectArrivedForRequest(const QVariant &body,
                                                     const MNetworkRequest &request,
                                                     const MNetworkReply &reply)
{
    Q_Q(MObjectsManager);
    const QVariantMap info = request.userInfo().toMap();
    const int action = info.value(ReqActionKey).toInt();
    if (action == Tolvo::DeltaPoll) {
        deltaArrived(body.toMap(), request, reply);
        return;
    }
    const QVariant userData = info.value(MObjectRequestUserDataKey);
    const QString requestPath = remotePath(info.value(ReqPathKey).toString());
    // Cleared first, so that a listener may list the path again from inside a signal.
    const QVariantList callers =
        action == Tolvo::ListObjects ? listingEnded(requestPath, request) : QVariantList();

    const int status = reply.statusCode();
    // A listing asks for its reply as JSON (sendActionRequest): its objects are built from it.
    const bool jsonObject = body.userType() == QMetaType::QJsonObject;
    if (body.canConvert<MDecodedListing>() && body.userType() == qMetaTypeId<MDecodedListing>()) {
        const MDecodedListing listing = body.value<MDecodedListing>();
        handleListing(listing.body, callers, &listing);
        return;
    }
    const QVariantMap response = jsonObject ? body.toJsonObject().toVariantMap() : body.toMap();
    if (action == Tolvo::ListObjects && (status == 200 || status == 101)) {
        const QJsonObject listing =
            jsonObject ? body.toJsonObject() : QJsonObject::fromVariantMap(response);
        // An answer without its objects (an empty body, a page that was no listing) says
        // nothing of the folder: it must not show as an empty one.
        if (!listing.value(objectsKey).isArray()) {
            qCWarning(lcCoreObjects)
                << "(MObjectsManager) A listing of" << requestPath << "came without its objects";
            listingFailed(requestPath, status, callers, userData);
            reportUndecodable(action, info, status);
            return;
        }
        handleListing(listing, callers);
        return;
    }
    // Whoever waits for a folder or an object must hear that nothing comes, each under the
    // user data it asked with.
    QVariantList waiting = callers;
    if (!waiting.contains(userData))
        waiting.prepend(userData);
    if (action == Tolvo::DeleteObjects)
        releaseDeleteExclusions(info.value(ReqPathsKey).toStringList(),
                                status == 200 || status == 101);
    const bool fetching = action == Tolvo::ListObjects || action == Tolvo::ObjectsMetadata;
    switch (status) {
    case 200:
    case 101:
        handleSuccess(action, response, userData, info);
        return;
    case 404:
        if (fetching) {
            if (action == Tolvo::ListObjects)
                listingsCache.forgetListing(requestPath);
            for (const QVariant &caller : qAsConst(waiting))
                emit q->pathNotFound(requestPath, caller);
            return;
        }
        postActionFailed(action, info);
        break;
    case 412:
        if (action == Tolvo::RenameObject || action == Tolvo::CopyObject)
            postFileExists(action, info.value(ReqMapKey).toMap(), userData);
        else if (action == Tolvo::MakeDirectory)
            postDirectoryExists(info.value(ReqPathKey).toString(), userData);
        else
            postActionFailed(action, info);
        break;
    case 500:
        postServiceErrors(action, response.value(errorsKey), userData, info);
        break;
    case 507:
        MNotificationManager::instance()->postSpaceQuotaExceededError(Tolvo::ObjectAction(action));
        // That message is the one the user needs; only the views waiting for a name to
        // recover hear more.
        if (action == Tolvo::MakeDirectory || action == Tolvo::RenameObject)
            postActionFailed(action, info);
        break;
    default:
        qCWarning(lcCoreObjects, "(MObjectsManager) Unhandled response status code %d", status);
        postActionFailed(action, info);
        break;
    }
    if (fetching) {
        if (action == Tolvo::ListObjects)
            listingsCache.forgetListing(requestPath);
        for (const QVariant &caller : qAsConst(waiting))
            emit q->fetchFailed(requestPath, status, caller);
    }
}

void MObjectsManagerPrivate::decodeErrorForRequest(const MNetworkRequest &request, int status)
{
    const QVariantMap info = request.userInfo().toMap();
    const int action = info.value(ReqActionKey).toInt();
    if (action == Tolvo::DeltaPoll) {
        deltaUndecodable(request);
        return;
    }
    if (action == Tolvo::ListObjects) {
        const QString path = remotePath(info.value(ReqPathKey).toString());
        listingFailed(path, status, listingEnded(path, request),
                      info.value(MObjectRequestUserDataKey));
    }
    if (action == Tolvo::DeleteObjects)
        releaseDeleteExclusions(info.value(ReqPathsKey).toStringList(), false);
    reportUndecodable(action, info, status);
    postActionFailed(action, info);
}

void MObjectsManagerPrivate::listingFailed(const QString &path, int status,
                                           const QVariantList &callers, const QVariant &own)
{
    Q_Q(MObjectsManager);
    // What was kept of the folder is not shown as its contents again without asking.
    listingsCache.forgetListing(path);
    // The request's own caller hears it from reportUndecodable(); the others that joined it
    // here.
    for (const QVariant &caller : callers) {
        if (caller != own)
            emit q->fetchFailed(path, status, caller);
    }
}

void MObjectsManagerPrivate::releaseDeleteExclusions(const QStringList &paths, bool deleted)
{
    if (!vfs)
        return;
    QStringList released;
    for (const QString &path : paths) {
        // A deleted copy stays excluded until its live update takes it out of the cache;
        // anything else is watched again, so edits to a copy the service kept still go up.
        if (!deleted || !vfs->containsObject(path))
            released.append(path);
    }
    vfs->includePaths(released);
}

void MObjectsManagerPrivate::reportUndecodable(int action, const QVariantMap &info, int status)
{
    Q_Q(MObjectsManager);
    if (action == Tolvo::ListObjects || action == Tolvo::ObjectsMetadata)
        emit q->fetchFailed(remotePath(info.value(ReqPathKey).toString()), status,
                            info.value(MObjectRequestUserDataKey));
    const MObjectError error(Tolvo::CannotContinue, QStringLiteral("Cannot decode response."),
                             info.value(ReqPathKey).toString(), requestType(action), {});
    emit q->objectActionErrors(MObjectErrorList{error}, Tolvo::ObjectAction(action),
                               info.value(MObjectRequestUserDataKey));
}

void MObjectsManagerPrivate::handleSuccess(int action, const QVariantMap &body,
                                           const QVariant &userData, const QVariantMap &info)
{
    Q_Q(MObjectsManager);
    switch (action) {
    case Tolvo::ObjectsMetadata: {
        const MStorageObject object = withCacheState(MStorageObject(body.value(objectKey).toMap()));
        if (!object.isValid()) {
            qCWarning(lcCoreObjects) << "(MObjectsManager) Refusing the object of a metadata reply";
            reportUndecodable(action, info, 200);
            break;
        }
        emit q->objectReady(object, userData);
        break;
    }
    case Tolvo::CopyObject: {
        const MStorageObject copied(body.value(objectKey).toMap());
        const MStorageObject original(body.value(QStringLiteral("original_object")).toMap());
        if (!copied.isValid() || !original.isValid()) {
            qCWarning(lcCoreObjects) << "(MObjectsManager) Refusing the objects of a copy reply";
            reportUndecodable(action, info, 200);
            break;
        }
        emit q->objectCopied(copied, original, userData);
        break;
    }
    case Tolvo::CreateShareLink: {
        const MStorageObject object(body.value(objectKey).toMap());
        if (!object.isValid()) {
            qCWarning(lcCoreObjects) << "(MObjectsManager) Refusing the object of a share reply";
            reportUndecodable(action, info, 200);
            break;
        }
        const QUrl url(body.value(shareKey).toMap().value(QStringLiteral("public_url")).toString(),
                       QUrl::TolerantMode);
        emit q->shareUrlReady(object, url, userData);
        break;
    }
    case Tolvo::RevokeShareLink:
        emit q->shareUrlRevoked(MShareLink(body.value(shareKey).toMap()), userData);
        break;
    case Tolvo::ListShareLinks: {
        QList<MShareLink> links;
        const QVariantList entries = body.value(QStringLiteral("share_links")).toList();
        for (const QVariant &entry : entries)
            links.append(MShareLink(entry.toMap()));
        emit q->shareLinksListReady(links, userData);
        break;
    }
    case Tolvo::EmailShareLink:
        emit q->shareLinkEmailsSent(body.value(QStringLiteral("filename")).toString(),
                                    body.value(QStringLiteral("recps")).toStringList(),
                                    body.value(errorsKey).toStringList(), userData);
        break;
    default:
        // Deletes, new folders and renames reach listeners as live updates.
        break;
    }
}

MStorageObject MObjectsManagerPrivate::withCacheState(MStorageObject object) const
{
    bool consolidated = false;
    if (object.isValid() && object.type() != MStorageObject::Directory && vfs &&
        vfs->containsObject(object.fullPath(), &consolidated)) {
        object.setCached(true);
        object.setConsolidated(consolidated);
    }
    return object;
}

MStorageObjectList MObjectsManagerPrivate::listedObjects(const QJsonObject &body) const
{
    MStorageObjectList objects;
    const QJsonArray entries = body.value(objectsKey).toArray();
    objects.reserve(entries.size());
    for (const QJsonValue &entry : entries)
        appendListed(entry.toObject(), &objects);
    return objects;
}

void MObjectsManagerPrivate::appendListed(const QJsonObject &entry,
                                          MStorageObjectList *objects) const
{
    const MStorageObject object(entry);
    if (object.isValid())
        objects->append(withCacheState(object));
    else
        qCWarning(lcCoreObjects) << "(MObjectsManager) Dropping an invalid object of a listing:"
                                 << entry.value(QStringLiteral("label")).toString();
}

bool MObjectsManagerPrivate::decodeListing(const QByteArray &bytes, MDecodedListing *listing) const
{
    listing->objects.clear();
    return mForEachJsonArrayElement(bytes, objectsKey, &listing->body,
                                    [this, listing](const QJsonObject &entry) {
                                        appendListed(entry, &listing->objects);
                                        return true;
                                    });
}

void MObjectsManagerPrivate::handleListing(const QJsonObject &body, const QVariantList &callers,
                                           const MDecodedListing *decoded)
{
    Q_Q(MObjectsManager);
    const MStorageObjectList objects = decoded ? decoded->objects : listedObjects(body);

    const QString cursor = body.value(QStringLiteral("cursor")).toString();
    if (deltaCursor.isEmpty() && !cursor.isEmpty())
        setDeltaCursor(cursor);

    // Stored first: a listener that lists again is answered from the cache.
    const QString basePath = body.value(QStringLiteral("base_path")).toString();
    if (objects.isEmpty() && !basePath.isEmpty())
        listingsCache.forgetListing(basePath);
    reportedNewFolders.remove(remotePath(basePath));
    if (decoded)
        listingsCache.storeListing(decoded->cached);
    else
        listingsCache.store(objects);
    for (const QVariant &caller : callers)
        emit q->objectsReady(basePath, objects, caller);
    openPendingObjects(basePath);
}

void MObjectsManagerPrivate::postFileExists(int action, const QVariantMap &argument,
                                            const QVariant &userData)
{
    const QString source = argument.value(QStringLiteral("source")).toString();
    const QString destination = argument.value(QStringLiteral("destination")).toString();
    MNotification notification(
        MNotification::ERROR, QStringLiteral("A file already exists at path '%1'").arg(destination),
        3);
    notification.setAttribute(MNotification::ErrorCode, int(Tolvo::RemoteFileExists));
    notification.setAttribute(MNotification::Action, action);
    notification.setAttribute(MNotification::Path, source);
    notification.setAttribute(MNotification::AdditionalPath, destination);
    notification.setAttribute(MNotification::UserData, userData);
    MNotificationManager::instance()->post(notification);
}

void MObjectsManagerPrivate::postDirectoryExists(const QString &path, const QVariant &userData)
{
    // As when the listing already shows the name, so that the name can be chosen again.
    MNotification notification(MNotification::ERROR,
                               QStringLiteral("Directory %1 already exists").arg(path), 0);
    notification.setAttribute(MNotification::ErrorCode, int(Tolvo::DirectoryExists));
    notification.setAttribute(MNotification::Action, int(Tolvo::MakeDirectory));
    notification.setAttribute(MNotification::Path, path);
    notification.setAttribute(MNotification::UserData, userData);
    MNotificationManager::instance()->post(notification);
}

void MObjectsManagerPrivate::postServiceErrors(int action, const QVariant &errors,
                                               const QVariant &userData, const QVariantMap &info)
{
    Q_Q(MObjectsManager);
    qCDebug(lcCoreObjects) << "Error for action" << action;
    qCDebug(lcCoreObjects) << "API errors:" << errors;
    const bool deleting = action == Tolvo::DeleteObjects;
    const QList<ServiceError> entries = serviceErrors(errors);
    const QStringList deleted = info.value(ReqPathsKey).toStringList();
    for (const ServiceError &entry : entries) {
        // What failed first, then the service's words as its reason. A share link's failure
        // is told where the user waits for it, in the service's words.
        const QString failure =
            shareLinkFailure(action).isEmpty()
                ? actionFailure(action, info,
                                entry.path.isEmpty() ? deleted : QStringList{entry.path})
                : QString();
        MNotification notification(MNotification::ERROR,
                                   failure.isEmpty() ? entry.message : failure, 0);
        if (!failure.isEmpty() && !entry.message.isEmpty())
            notification.setAttribute(MNotification::Details, entry.message);
        notification.setAttribute(MNotification::Action, action);
        if (deleting)
            notification.setAttribute(MNotification::ErrorCode, entry.code);
        const QPair<QString, QString> paths = actionPaths(action, info);
        if (!paths.first.isEmpty()) {
            notification.setAttribute(MNotification::Path, paths.first);
            if (!paths.second.isEmpty())
                notification.setAttribute(MNotification::AdditionalPath, paths.second);
            notification.setAttribute(MNotification::UserData, userData);
        }
        MNotificationManager::instance()->post(notification);
    }
    // An error list without entries still ends the action.
    if (entries.isEmpty())
        postActionFailed(action, info);
    // The messages went to the user; the caller only learns that the delete failed.
    if (deleting)
        emit q->objectActionErrors(MObjectErrorList(), Tolvo::DeleteObjects, userData);
}

void MObjectsManagerPrivate::postActionFailed(int action, const QVariantMap &info)
{
    // Every refused change reaches the user: the listings still show what the service kept.
    const QPair<QString, QString> paths = actionPaths(action, info);
    // The share-link requests name no path, but the window waits for their answer.
    const QString shareFailure = shareLinkFailure(action);
    if (!shareFailure.isEmpty()) {
        MNotification notification(MNotification::ERROR, shareFailure, 0);
        notification.setAttribute(MNotification::Action, action);
        notification.setAttribute(MNotification::UserData, info.value(MObjectRequestUserDataKey));
        MNotificationManager::instance()->post(notification);
        return;
    }
    const QStringList deleted = info.value(ReqPathsKey).toStringList();
    const QString message = actionFailure(action, info, deleted);
    if (message.isEmpty())
        return;
    if (action != Tolvo::DeleteObjects && paths.first.isEmpty())
        return;
    MNotification notification(MNotification::ERROR, message, 0);
    notification.setAttribute(MNotification::Action, action);
    notification.setAttribute(MNotification::Path,
                              action == Tolvo::DeleteObjects ? deleted.first() : paths.first);
    if (!paths.second.isEmpty())
        notification.setAttribute(MNotification::AdditionalPath, paths.second);
    notification.setAttribute(MNotification::UserData, info.value(MObjectRequestUserDataKey));
    MNotificationManager::instance()->post(notification);
}
