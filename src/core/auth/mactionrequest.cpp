#include "mactionrequest.h"

#include "corelogging.h"
#include "mformencoding.h"
#include "muserauthmanager.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QJsonDocument>
#include <QStringList>

const QString ReqActionKey = QStringLiteral("ReqAction");
const QString ReqPathKey = QStringLiteral("ReqPath");
const QString ReqPathsKey = QStringLiteral("ReqPaths");
const QString ReqMapKey = QStringLiteral("ReqMap");
const QString ReqArgKey = QStringLiteral("ReqArg");
const QString MObjectRequestUserDataKey = QStringLiteral("MObjectRequestUserDataKey");
const QString MObjectRequestIsInternalKey = QStringLiteral("MObjectRequestIsInternalKey");

namespace {

struct Endpoint
{
    const char *path; // nullptr: the object rule
    MNetworkRequest::RequestMethod method;
};

// Where %1 of an endpoint comes from.
enum class Filler { None, Token, Parameter, Id, OptionalId };

Endpoint endpointFor(int action)
{
    using M = MNetworkRequest;
    switch (action) {
    case Tolvo::ListObjects:
        return {nullptr, M::Get};
    case Tolvo::ObjectsMetadata:
        return {nullptr, M::Get};
    case Tolvo::DeleteObjects:
        return {nullptr, M::Post};
    case Tolvo::MakeDirectory:
        return {nullptr, M::Post};
    case Tolvo::RenameObject:
        return {nullptr, M::Post};
    case Tolvo::CopyObject:
        return {nullptr, M::Post};
    case Tolvo::CreateShareLink:
        return {"/shares.json", M::Post};
    case Tolvo::RevokeShareLink:
        return {"/shares/%1/revoke", M::Post};
    case Tolvo::ListShareLinks:
        return {"/sharelinks/list", M::Get};
    case Tolvo::EmailShareLink:
        return {"/sharelinks/email", M::Post};
    case Tolvo::FetchThumbnails:
        return {"/thumbnail", M::Post};
    case Tolvo::SendInvitation:
        return {"/invites/invite.json", M::Post};
    case Tolvo::AcceptInvitation:
        return {"/invites/%1/accept.json", M::Post};
    case Tolvo::RejectInvitation:
        return {"/invites/%1/reject.json", M::Post};
    case Tolvo::ReceivedInvitations:
        return {"/invites/received.json", M::Get};
    case Tolvo::SentInvitations:
        return {"/invites/sent.json", M::Get};
    case Tolvo::SentInvitationNotifications:
        return {"/invites/notifications/sent.json", M::Get};
    case Tolvo::ListContacts:
        return {"/contacts.json", M::Get};
    case Tolvo::SearchContacts:
        return {"/contacts/search.json", M::Get};
    case Tolvo::InviteContact:
        return {"/contacts/invite.json", M::Post};
    case Tolvo::ListConversations:
        return {"/conversations", M::Get};
    case Tolvo::ConversationUsers:
        return {"/conversations/%1/users", M::Get};
    case Tolvo::ConversationMessages:
        return {"/conversations/%1/messages", M::Get};
    case Tolvo::PostMessage:
        return {"/conversations/%1", M::Post};
    case Tolvo::StartConversation:
        return {"/conversations/start", M::Post};
    case Tolvo::ConversationNotifications:
        return {"/conversations/notifications", M::Get};
    case Tolvo::UploadAvatar:
        return {"/users/avatar", M::Post};
    case Tolvo::AcceptContactInvitation:
        return {"/contacts/invites/%1/accept", M::Post};
    case Tolvo::ContactInvitations:
        return {"/contacts/invites/%1", M::Get};
    case Tolvo::DeclineContactInvitation:
        return {"/contacts/invites/%1/decline", M::Post};
    case Tolvo::ListDevices:
        return {"/devices.json", M::Get};
    default:
        return {nullptr, M::Get};
    }
}

Filler fillerFor(int action)
{
    switch (action) {
    case Tolvo::RevokeShareLink:
    case Tolvo::AcceptInvitation:
        return Filler::Token;
    case Tolvo::RejectInvitation:
        return Filler::Parameter;
    case Tolvo::ConversationUsers:
    case Tolvo::ConversationMessages:
    case Tolvo::PostMessage:
    case Tolvo::AcceptContactInvitation:
    case Tolvo::DeclineContactInvitation:
        return Filler::Id;
    case Tolvo::ContactInvitations:
        return Filler::OptionalId;
    default:
        return Filler::None;
    }
}

// Encodes a path of the service as URL path segments. Empty segments collapse, as in a
// cleaned path; "." and ".." are refused, so that no name coming from the service or the
// user can make the request leave the endpoint it was built for.
bool appendEncodedPath(QByteArray *encoded, const QString &path)
{
    const QStringList segments = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &segment : segments) {
        if (segment == QLatin1String(".") || segment == QLatin1String(".."))
            return false;
        encoded->append('/');
        encoded->append(QUrl::toPercentEncoding(segment));
    }
    return true;
}

// One filler of an endpoint: a single segment, "/" included in it.
bool encodedFiller(const QString &value, QByteArray *encoded)
{
    if (value == QLatin1String(".") || value == QLatin1String(".."))
        return false;
    *encoded = QUrl::toPercentEncoding(value);
    return true;
}

} // namespace

QString mObjectAction(Tolvo::ObjectAction action)
{
    switch (action) {
    case Tolvo::ListObjects:
        return QStringLiteral("list");
    case Tolvo::ObjectsMetadata:
        return QStringLiteral("metadata");
    case Tolvo::DeleteObjects:
        return QStringLiteral("delete");
    case Tolvo::MakeDirectory:
        return QStringLiteral("mkdir");
    case Tolvo::RenameObject:
        return QStringLiteral("rename");
    case Tolvo::CopyObject:
        return QStringLiteral("copy");
    default:
        qCWarning(lcCoreApp, "Unsupported object action %d\n", int(action));
        return QString();
    }
}

MNetworkRequest mActionRequest(const QVariant &params, int action, const QVariant &userData,
                               bool *ok, bool internal)
{
    if (ok)
        *ok = false;
    const TolvoProcess *process = TolvoProcess::instance();
    if (!process)
        return MNetworkRequest();
    QUrl url = process->baseAPIURL();
    const Endpoint endpoint = endpointFor(action);
    const bool ownEntry = endpoint.path != nullptr;

    QByteArray path;
    bool pathAccepted = appendEncodedPath(&path, url.path(QUrl::FullyDecoded));
    if (ownEntry) {
        const QVariantMap map = params.toMap();
        QByteArray filler;
        bool hasFiller = true;
        switch (fillerFor(action)) {
        case Filler::None:
            break;
        case Filler::Token:
            pathAccepted &= encodedFiller(map.value(QStringLiteral("token")).toString(), &filler);
            break;
        case Filler::Parameter:
            pathAccepted &= encodedFiller(params.toString(), &filler);
            break;
        case Filler::Id:
            filler = QByteArray::number(map.value(QStringLiteral("id")).toLongLong());
            break;
        case Filler::OptionalId:
            hasFiller = map.contains(QStringLiteral("id"));
            filler = QByteArray::number(map.value(QStringLiteral("id")).toLongLong());
            break;
        }
        QByteArray endpointPath(endpoint.path);
        if (hasFiller)
            endpointPath.replace("%1", filler);
        else
            endpointPath.replace("/%1", "");
        // Consecutive slashes collapse (a missing token), as in a cleaned path.
        while (endpointPath.contains("//"))
            endpointPath.replace("//", "/");
        path += endpointPath;
    } else {
        path += "/objects/" + QUrl::toPercentEncoding(mObjectAction(Tolvo::ObjectAction(action)));
        if (path.endsWith('/'))
            path.chop(1);
        if (params.type() == QVariant::String)
            pathAccepted &= appendEncodedPath(&path, params.toString());
    }
    if (!pathAccepted) {
        qCWarning(lcCoreApp) << "Refusing a request whose path leaves its endpoint, action"
                             << action;
        return MNetworkRequest();
    }
    url.setPath(QString::fromLatin1(path), QUrl::TolerantMode);

    MNetworkRequest::RequestMethod method = endpoint.method;
    if (method == MNetworkRequest::Get && params.type() == QVariant::StringList)
        method = MNetworkRequest::Post;

    QVariantMap info;
    if (params.isValid()) {
        switch (params.type()) {
        case QVariant::Map: {
            const QVariantMap map = params.toMap();
            info.insert(ReqMapKey, map);
            info.insert(ReqArgKey, ReqMapKey);
            if (method == MNetworkRequest::Get) {
                QList<QPair<QString, QString>> items;
                for (auto it = map.cbegin(); it != map.cend(); ++it)
                    items.append({it.key(), it.value().toString()});
                QByteArray query = url.query(QUrl::FullyEncoded).toLatin1();
                if (!query.isEmpty() && !items.isEmpty())
                    query += '&';
                query += mFormEncode(items);
                url.setQuery(QString::fromLatin1(query), QUrl::TolerantMode);
            }
            break;
        }
        case QVariant::String:
            info.insert(ReqPathKey, params.toString());
            info.insert(ReqArgKey, ReqPathKey);
            break;
        case QVariant::StringList:
            info.insert(ReqPathsKey, params.toStringList());
            info.insert(ReqArgKey, ReqPathsKey);
            break;
        default:
            qCWarning(lcCoreApp) << "Unsupported target resource type" << params.type();
            break;
        }
    }

    MUserAuthManager *auth = MUserAuthManager::applicationManager();
    MNetworkRequest request =
        auth ? auth->createAuthenticatedRequest(url, method, nullptr) : MNetworkRequest();
    if (!request.url().isValid() || request.url().isEmpty()) {
        qCDebug(lcCoreApp, "Unable to perform a request with an unauthenticated object.");
        return request;
    }

    if (method != MNetworkRequest::Get)
        request.setContentType(QStringLiteral("application/json"));
    if (method != MNetworkRequest::Get && params.type() == QVariant::Map)
        request.setBody(QJsonDocument::fromVariant(params).toJson());
    else if (params.type() == QVariant::StringList)
        request.setBody(QJsonDocument::fromVariant(
                            QVariantMap{{QStringLiteral("paths"), params.toStringList()}})
                            .toJson());

    info.insert(ReqActionKey, action);
    info.insert(MObjectRequestUserDataKey, userData);
    info.insert(MObjectRequestIsInternalKey, internal);
    request.setUserInfo(info);
    if (ok)
        *ok = true;
    return request;
}
