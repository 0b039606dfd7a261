#include "collaborationsapi.h"

#include "authapi.h"
#include "collaborationstore.h"
#include "conversationstore.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "requestvalues.h"
#include "router.h"
#include "socialreplies.h"
#include "storedobject.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

constexpr qint64 defaultLimit = 1000;

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace

CollaborationsApi::CollaborationsApi(const AuthApi &auth, ObjectStore &objects,
                                     CollaborationStore &store,
                                     const ConversationStore &conversations,
                                     const SocialReplies &replies)
    : auth(auth)
    , objects(objects)
    , store(store)
    , conversations(conversations)
    , replies(replies)
{}

void CollaborationsApi::addRoutes(Router &router)
{
    const auto add = [this, &router](const char *method, const char *pattern, Answer answer) {
        auth.addUserRoute(router, method, pattern, this, answer);
    };
    add("POST", R"(/api/v1/invites/invite.json)", &CollaborationsApi::answerSend);
    add("POST", R"(/api/v1/invites/{}/accept.json)", &CollaborationsApi::answerAccept);
    add("POST", R"(/api/v1/invites/{}/reject.json)", &CollaborationsApi::answerReject);
    add("GET", R"(/api/v1/invites/received.json)", &CollaborationsApi::answerReceived);
    add("GET", R"(/api/v1/invites/sent.json)", &CollaborationsApi::answerSent);
    add("GET", R"(/api/v1/invites/notifications/sent.json)", &CollaborationsApi::answerSentChanges);
}

void CollaborationsApi::sendFailure(httplib::Response &response, int status, const char *type,
                                    const QString &message, const Collaboration *record) const
{
    QJsonObject reply{{QStringLiteral("type"), QLatin1String(type)},
                      {QStringLiteral("errors"), QJsonArray{message}}};
    if (record)
        reply.insert(QStringLiteral("invite"), replies.collaboration(*record));
    JsonReply::send(response, status, reply);
}

StoreError CollaborationsApi::send(const UserAccount &sender, qint64 conversationId,
                                   const QString &path, std::vector<Collaboration> *made,
                                   const QString &provider)
{
    if (!provider.isEmpty() && !sender.linkedProviders.contains(provider))
        return {400, QStringLiteral("The provider '%1' is not linked").arg(provider)};
    const std::optional<Conversation> conversation = conversations.conversation(conversationId);
    if (!conversation || !conversation->hasMember(sender.id))
        return {404, QStringLiteral("No conversation %1 of yours").arg(conversationId)};
    QJsonObject object;
    if (provider.isEmpty()) {
        QString contentPath;
        if (const StoreError error = objects.fileAt(sender.id, path, &object, &contentPath))
            return error;
    } else {
        object = {{QStringLiteral("base_path"), ObjectPath::parent(path)},
                  {QStringLiteral("label"), ObjectPath::name(path)},
                  {QStringLiteral("type"), QStringLiteral("regfile")}};
    }
    std::vector<qint64> recipients;
    for (const qint64 member : conversation->userIds) {
        if (member != sender.id)
            recipients.push_back(member);
    }
    *made = store.send(sender.id, recipients, conversationId, path, object, provider);
    return {};
}

void CollaborationsApi::answerSend(const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response, const RouteCaptures &)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const std::optional<qint64> conversationId =
        RequestValues::count(json->value(QLatin1String("conversation_id")));
    const QJsonValue object = json->value(QLatin1String("object"));
    const std::optional<QString> path = ObjectPath::normalized(object.toString());
    if (!conversationId || !object.isString() || !path) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"conversation_id\" and a valid \"object\" path "
                                              "are required")});
        return;
    }
    const QJsonValue provider = json->value(QLatin1String("provider"));
    if (!provider.isUndefined() && !provider.isNull() && !provider.isString()) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("\"provider\" is a string")});
        return;
    }
    std::vector<Collaboration> made;
    if (const StoreError error = send(user, *conversationId, *path, &made, provider.toString())) {
        JsonReply::sendErrors(response, error.status, {error.message});
        return;
    }
    if (made.empty()) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("Nobody else is in the conversation")});
        return;
    }
    JsonReply::send(response, 200,
                    {{QStringLiteral("transfer_invitation"), replies.collaboration(made.front())}});
}

void CollaborationsApi::answerAccept(const UserAccount &user, const httplib::Request &request,
                                     httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonValue destination = json->value(QLatin1String("destination_path"));
    const std::optional<QString> path = ObjectPath::normalized(destination.toString());
    if (!destination.isString() || !path || *path == QLatin1String("/")) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"destination_path\" must be a file path")});
        return;
    }

    std::lock_guard<std::mutex> lock(answering);
    std::optional<Collaboration> record = store.find(QString::fromStdString(captures[1].str()));
    if (!record || record->recipientId != user.id || record->rejectedAt || record->revokedAt) {
        sendFailure(response, 404, "invitation_not_found", QStringLiteral("No such invitation"),
                    nullptr);
        return;
    }
    if (record->acceptedAt) {
        sendFailure(response, 403, "already_accepted",
                    QStringLiteral("The invitation has been accepted already"), &*record);
        return;
    }
    QJsonObject source;
    QString contentPath;
    // Another provider's file cannot be fetched here; never take the sender's file that
    // happens to have the same path in this store.
    if (!record->sourceProvider.isEmpty() ||
        objects.fileAt(record->senderId, record->sourcePath, &source, &contentPath)) {
        sendFailure(response, 404, "source_not_found",
                    QStringLiteral("The file is no longer there"), &*record);
        return;
    }
    QJsonObject copy;
    const StoreError error = objects.placeFile(
        user.id, auth.deviceId(request, user), *path,
        source.value(QLatin1String("hash")).toString(),
        qint64(source.value(QLatin1String("size")).toDouble()), now(),
        [path = *path](const StoredObject *existing) {
            return existing
                       ? StoreError{412,
                                    QStringLiteral("A file already exists at path '%1'").arg(path)}
                       : StoreError();
        },
        &copy);
    if (error) {
        JsonReply::sendErrors(response, error.status, {error.message});
        return;
    }
    record->acceptedAt = now();
    record->destinationObject = copy;
    const Collaboration accepted = store.update(*record);
    JsonReply::send(response, 200,
                    {{QStringLiteral("invite"), replies.collaboration(accepted)},
                     {QStringLiteral("object"), copy}});
}

void CollaborationsApi::answerReject(const UserAccount &user, const httplib::Request &,
                                     httplib::Response &response, const RouteCaptures &captures)
{
    std::lock_guard<std::mutex> lock(answering);
    std::optional<Collaboration> record = store.find(QString::fromStdString(captures[1].str()));
    // The recipient rejects; the sender takes it back.
    if (!record || (record->recipientId != user.id && record->senderId != user.id)) {
        sendFailure(response, 404, "invitation_not_found", QStringLiteral("No such invitation"),
                    nullptr);
        return;
    }
    if (!record->isPending()) {
        sendFailure(response, 403, record->acceptedAt ? "already_accepted" : "already_answered",
                    QStringLiteral("The invitation has been answered already"), &*record);
        return;
    }
    if (record->recipientId == user.id)
        record->rejectedAt = now();
    else
        record->revokedAt = now();
    JsonReply::send(
        response, 200,
        {{QStringLiteral("transfer_invitation"), replies.collaboration(store.update(*record))}});
}

void CollaborationsApi::answerReceived(const UserAccount &user, const httplib::Request &request,
                                       httplib::Response &response, const RouteCaptures &)
{
    const std::optional<qint64> limit = RequestValues::queryCount(request, "limit", defaultLimit);
    // The first poll sends no token, or an empty one.
    const QString tokenText = RequestValues::queryText(request, "token");
    const std::optional<qint64> after =
        tokenText.isEmpty() ? std::optional<qint64>(0) : RequestValues::count(tokenText);
    if (!limit || !after) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"limit\" and \"token\" must be whole numbers")});
        return;
    }
    const qint64 last = store.lastChange();
    // A token this store never gave (from before a reset) starts over.
    const std::vector<Collaboration> changed =
        store.received(user.id, *after > last ? 0 : *after, *limit);
    QJsonArray invites;
    for (const Collaboration &record : changed)
        invites.append(replies.collaboration(record));
    const qint64 token =
        qint64(changed.size()) == *limit && !changed.empty() ? changed.back().change : last;
    JsonReply::send(response, 200,
                    {{QStringLiteral("invites"), invites},
                     {QStringLiteral("token"), QString::number(token)},
                     {QStringLiteral("limit"), *limit}});
}

void CollaborationsApi::answerSent(const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response, const RouteCaptures &)
{
    const std::optional<qint64> limit = RequestValues::queryCount(request, "limit", defaultLimit);
    const std::optional<qint64> offset = RequestValues::queryCount(request, "offset", 0);
    if (!limit || !offset) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"limit\" and \"offset\" must be whole numbers")});
        return;
    }
    QJsonArray invites;
    for (const Collaboration &record : store.sent(user.id, *offset, *limit))
        invites.append(replies.collaboration(record));
    JsonReply::send(response, 200,
                    {{QStringLiteral("invites"), invites},
                     {QStringLiteral("limit"), *limit},
                     {QStringLiteral("offset"), *offset}});
}

void CollaborationsApi::answerSentChanges(const UserAccount &user, const httplib::Request &request,
                                          httplib::Response &response, const RouteCaptures &)
{
    qint64 since = 0;
    const QString sinceText = RequestValues::queryText(request, "since");
    if (!sinceText.isNull()) {
        const QDateTime date = QDateTime::fromString(sinceText, Qt::ISODate);
        if (!date.isValid()) {
            JsonReply::sendErrors(response, 400,
                                  {QStringLiteral("\"since\" must be an ISO 8601 date")});
            return;
        }
        since = date.toSecsSinceEpoch();
    }
    QJsonArray invites;
    for (const Collaboration &record :
         store.takeAnswers(user.id, auth.deviceId(request, user), since))
        invites.append(replies.collaboration(record));
    JsonReply::send(response, 200, {{QStringLiteral("invites"), invites}});
}
