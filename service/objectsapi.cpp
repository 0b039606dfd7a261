#include "objectsapi.h"

#include "authapi.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "router.h"

#include <QJsonArray>

namespace {

const QString badPath = QStringLiteral(
    "A path must be UTF-8 with no NUL and at most 4096 bytes, and no name may be \".\", "
    "\"..\" or longer than 255 bytes");

void sendError(httplib::Response &response, const StoreError &error)
{
    JsonReply::sendErrors(response, error.status, {error.message});
}

std::optional<QString> capturedPath(const RouteCaptures &captures, httplib::Response &response)
{
    const std::optional<QString> path = ObjectPath::fromUtf8(captures[1].str());
    if (!path)
        JsonReply::sendErrors(response, 400, {badPath});
    return path;
}

// The "paths" of a body as sent, and their canonical forms; nullopt after answering 400.
std::optional<std::pair<QStringList, QStringList>> bodyPaths(const httplib::Request &request,
                                                             httplib::Response &response)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return std::nullopt;
    const QJsonValue paths = json->value(QLatin1String("paths"));
    QStringList sent;
    QStringList canonical;
    for (const QJsonValue &path : paths.toArray()) {
        const std::optional<QString> normalized = ObjectPath::normalized(path.toString());
        if (!path.isString() || !normalized) {
            JsonReply::sendErrors(response, 400, {badPath});
            return std::nullopt;
        }
        sent.append(path.toString());
        canonical.append(*normalized);
    }
    if (!paths.isArray()) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("\"paths\" must be a list")});
        return std::nullopt;
    }
    return std::make_pair(sent, canonical);
}

// The "source" and "destination" of a rename or copy; nullopt after answering 400.
std::optional<std::pair<QString, QString>> sourceAndDestination(const httplib::Request &request,
                                                                httplib::Response &response)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return std::nullopt;
    const QJsonValue source = json->value(QLatin1String("source"));
    const QJsonValue destination = json->value(QLatin1String("destination"));
    if (!source.isString() || !destination.isString()) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"source\" and \"destination\" must be strings")});
        return std::nullopt;
    }
    const std::optional<QString> from = ObjectPath::normalized(source.toString());
    const std::optional<QString> to = ObjectPath::normalized(destination.toString());
    if (!from || !to) {
        JsonReply::sendErrors(response, 400, {badPath});
        return std::nullopt;
    }
    return std::make_pair(*from, *to);
}

} // namespace

ObjectsApi::ObjectsApi(const AuthApi &auth, ObjectStore &objects)
    : auth(auth)
    , objects(objects)
{}

void ObjectsApi::addRoutes(Router &router)
{
    const auto add = [this, &router](const char *method, const char *pattern, Answer answer) {
        auth.addUserRoute(router, method, pattern, this, answer);
    };
    // Names may hold any character, line breaks included.
    add("GET", R"(/api/v1/objects/list{path})", &ObjectsApi::answerList);
    add("GET", R"(/api/v1/objects/metadata{path})", &ObjectsApi::answerMetadata);
    add("POST", R"(/api/v1/objects/metadata)", &ObjectsApi::answerBatchMetadata);
    add("POST", R"(/api/v1/objects/delete)", &ObjectsApi::answerDelete);
    add("POST", R"(/api/v1/objects/mkdir{path})", &ObjectsApi::answerMakeFolder);
    add("POST", R"(/api/v1/objects/rename)", &ObjectsApi::answerRename);
    add("POST", R"(/api/v1/objects/copy)", &ObjectsApi::answerCopy);
    add("GET", R"(/api/v1/objects/delta/{any})", &ObjectsApi::answerDelta);
}

void ObjectsApi::answerList(const UserAccount &user, const httplib::Request &,
                            httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<QString> folder = capturedPath(captures, response);
    if (!folder)
        return;
    QJsonArray listed;
    QString cursor;
    if (const StoreError error = objects.list(user.id, *folder, &listed, &cursor)) {
        sendError(response, error);
        return;
    }
    JsonReply::send(response, 200,
                    {{QStringLiteral("objects"), listed},
                     {QStringLiteral("cursor"), cursor},
                     {QStringLiteral("base_path"), *folder}});
}

void ObjectsApi::answerMetadata(const UserAccount &user, const httplib::Request &,
                                httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<QString> path = capturedPath(captures, response);
    if (!path)
        return;
    QJsonObject object;
    if (const StoreError error = objects.metadata(user.id, *path, &object)) {
        sendError(response, error);
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("object"), object}});
}

void ObjectsApi::answerBatchMetadata(const UserAccount &user, const httplib::Request &request,
                                     httplib::Response &response, const RouteCaptures &)
{
    const auto paths = bodyPaths(request, response);
    if (!paths)
        return;
    std::vector<ObjectStore::Found> found;
    if (const StoreError error = objects.find(user.id, paths->second, &found)) {
        sendError(response, error);
        return;
    }
    // Keyed by the paths as sent. "deleted" tells a removed object from one never known ("").
    QJsonObject present;
    QJsonObject deleted;
    for (size_t i = 0; i < found.size(); ++i) {
        const QString &key = paths->first.at(int(i));
        if (found[i].object)
            present.insert(key, *found[i].object);
        else if (found[i].removed)
            deleted.insert(key, *found[i].removed);
        else
            deleted.insert(key, QString(""));
    }
    JsonReply::send(response, 200,
                    {{QStringLiteral("objects"), present}, {QStringLiteral("deleted"), deleted}});
}

void ObjectsApi::answerDelete(const UserAccount &user, const httplib::Request &request,
                              httplib::Response &response, const RouteCaptures &)
{
    const auto paths = bodyPaths(request, response);
    if (!paths)
        return;
    QJsonArray removed;
    QStringList missing;
    const StoreError error =
        objects.remove(user.id, auth.deviceId(request, user), paths->second, &removed, &missing);
    if (error && error.status != 500) {
        sendError(response, error);
        return;
    }
    // Failures of a delete are [path, code, message] each.
    QJsonArray errors;
    if (error) {
        for (const QString &path : paths->second)
            errors.append(QJsonArray{path, error.status, error.message});
    }
    for (const QString &path : missing)
        errors.append(QJsonArray{path, 404, QStringLiteral("No file or folder at %1").arg(path)});
    QJsonObject reply{{QStringLiteral("objects"), removed}};
    if (!errors.isEmpty())
        reply.insert(QStringLiteral("errors"), errors);
    JsonReply::send(response, errors.isEmpty() ? 200 : 500, reply);
}

void ObjectsApi::answerMakeFolder(const UserAccount &user, const httplib::Request &request,
                                  httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<QString> path = capturedPath(captures, response);
    if (!path)
        return;
    QJsonObject object;
    if (const StoreError error =
            objects.makeFolder(user.id, auth.deviceId(request, user), *path, &object)) {
        sendError(response, error);
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("object"), object}});
}

void ObjectsApi::answerRename(const UserAccount &user, const httplib::Request &request,
                              httplib::Response &response, const RouteCaptures &)
{
    const auto paths = sourceAndDestination(request, response);
    if (!paths)
        return;
    QJsonObject object;
    if (const StoreError error = objects.move(user.id, auth.deviceId(request, user), paths->first,
                                              paths->second, &object)) {
        sendError(response, error);
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("object"), object}});
}

void ObjectsApi::answerCopy(const UserAccount &user, const httplib::Request &request,
                            httplib::Response &response, const RouteCaptures &)
{
    const auto paths = sourceAndDestination(request, response);
    if (!paths)
        return;
    QJsonObject copy;
    QJsonObject original;
    if (const StoreError error = objects.copy(user.id, auth.deviceId(request, user), paths->first,
                                              paths->second, &copy, &original)) {
        sendError(response, error);
        return;
    }
    JsonReply::send(
        response, 200,
        {{QStringLiteral("object"), copy}, {QStringLiteral("original_object"), original}});
}

void ObjectsApi::answerDelta(const UserAccount &user, const httplib::Request &,
                             httplib::Response &response, const RouteCaptures &captures)
{
    const QString cursor = QString::fromUtf8(QByteArray::fromStdString(captures[1].str()));
    QJsonObject reply{{QStringLiteral("user"), user.toReplyJson()}};
    QString head;
    // Without a cursor the client only wants one: "updates" stays out.
    const StoreError error = cursor.isEmpty() ? objects.head(user.id, &head) : [&] {
        QJsonArray updates;
        const StoreError failed = objects.changesAfter(user.id, cursor, &updates, &head);
        reply.insert(QStringLiteral("updates"), updates);
        return failed;
    }();
    if (error) {
        sendError(response, error);
        return;
    }
    reply.insert(QStringLiteral("cursor"), head);
    JsonReply::send(response, 200, reply);
}
