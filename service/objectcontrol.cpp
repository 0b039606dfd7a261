#include "objectcontrol.h"

#include "accountstore.h"
#include "demotree.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "requestvalues.h"
#include "router.h"

namespace {

// No device of the user made the change.
constexpr qint64 otherDevice = 0;
constexpr int maxSeedCount = 1000000;
constexpr double maxPatternSize = double(qint64(64) << 30);

// The file content of a seed call: "content" as UTF-8 text or "contentBase64".
std::optional<QByteArray> content(const QJsonObject &json)
{
    const QJsonValue text = json.value(QLatin1String("content"));
    const QJsonValue base64 = json.value(QLatin1String("contentBase64"));
    if (!text.isUndefined() && !base64.isUndefined())
        return std::nullopt;
    if (!base64.isUndefined()) {
        const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
            base64.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!base64.isString() || !decoded)
            return std::nullopt;
        return *decoded;
    }
    if (!text.isUndefined() && !text.isString())
        return std::nullopt;
    return text.toString().toUtf8();
}

// The user named by "email"; otherwise the reply says why and nullopt comes back.
std::optional<UserAccount> userOf(const AccountStore &accounts, const QJsonObject &json,
                                  httplib::Response &response)
{
    const QJsonValue email = json.value(QLatin1String("email"));
    std::optional<UserAccount> user;
    if (email.isString())
        user = accounts.user(email.toString());
    if (!user)
        JsonReply::sendErrors(response, 404, {QStringLiteral("no such user")});
    return user;
}

// The canonical path in member key; otherwise the reply says why and nullopt comes back.
std::optional<QString> pathOf(const QJsonObject &json, const char *key, httplib::Response &response)
{
    const QJsonValue value = json.value(QLatin1String(key));
    std::optional<QString> path;
    if (value.isString())
        path = ObjectPath::normalized(value.toString());
    if (!path)
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("a valid \"%1\" is required").arg(key)});
    return path;
}

void sendResult(httplib::Response &response, const StoreError &error, const QString &key,
                const QJsonValue &value)
{
    if (error)
        JsonReply::sendErrors(response, error.status, {error.message});
    else
        JsonReply::send(response, 200, {{key, value}});
}

} // namespace

ObjectControl::ObjectControl(AccountStore &accounts, ObjectStore &objects)
    : accounts(accounts)
    , objects(objects)
{}

void ObjectControl::addRoutes(Router &router, const std::string &prefix)
{
    router.add(
        "POST", prefix + "/objects",
        [this](const httplib::Request &request, httplib::Response &response,
               const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            const QJsonValue email = json->value(QLatin1String("email"));
            const QJsonValue path = json->value(QLatin1String("path"));
            const QJsonValue folder = json->value(QLatin1String("folder"));
            // "size": that many pattern bytes instead of a content, for large files.
            const QJsonValue size = json->value(QLatin1String("size"));
            const std::optional<QString> canonical = ObjectPath::normalized(path.toString());
            const std::optional<QByteArray> bytes = content(*json);
            const bool isFolder = folder.toBool();
            const bool sized = !size.isUndefined();
            if (!email.isString() || !path.isString() || !canonical || !bytes ||
                !(folder.isUndefined() || folder.isBool()) || (isFolder && !bytes->isEmpty()) ||
                (sized && (isFolder || !bytes->isEmpty() || !size.isDouble() ||
                           size.toDouble() < 0 || size.toDouble() > maxPatternSize))) {
                JsonReply::sendErrors(
                    response, 400,
                    {QStringLiteral("\"email\" and a valid \"path\" are required; a file takes "
                                    "\"content\", \"contentBase64\" or a \"size\" up to 64 GiB, "
                                    "a folder (\"folder\": true) none of them")});
                return;
            }
            const std::optional<UserAccount> user = accounts.user(email.toString());
            if (!user) {
                JsonReply::sendErrors(response, 404, {QStringLiteral("no such user")});
                return;
            }
            QJsonObject object;
            const StoreError error =
                isFolder ? objects.makeFolder(user->id, otherDevice, *canonical, &object)
                : sized
                    ? objects.putPatternFile(user->id, *canonical, qint64(size.toDouble()), &object)
                    : objects.putFile(user->id, otherDevice, *canonical, *bytes, &object);
            if (error) {
                JsonReply::sendErrors(response, error.status, {error.message});
                return;
            }
            JsonReply::send(response, 200, {{QStringLiteral("object"), object}});
        });

    // A file whose bytes are the body as it stands, "email" and "path" in the query: a large
    // file costs no JSON text (of its Base64) on either side.
    router.add("PUT", prefix + "/objects/content",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QString> canonical =
                       ObjectPath::normalized(RequestValues::queryText(request, "path"));
                   if (!canonical) {
                       JsonReply::sendErrors(response, 400,
                                             {QStringLiteral("a valid \"path\" is required")});
                       return;
                   }
                   const std::optional<UserAccount> user =
                       accounts.user(RequestValues::queryText(request, "email"));
                   if (!user) {
                       JsonReply::sendErrors(response, 404, {QStringLiteral("no such user")});
                       return;
                   }
                   QJsonObject object;
                   const StoreError error =
                       objects.putFile(user->id, otherDevice, *canonical,
                                       QByteArray::fromStdString(request.body), &object);
                   sendResult(response, error, QStringLiteral("object"), object);
               });

    // Removes a file or folder, as another device would.
    router.add("POST", prefix + "/objects/delete",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QJsonObject> json = JsonBody::object(request, response);
                   if (!json)
                       return;
                   const std::optional<QString> path = pathOf(*json, "path", response);
                   if (!path)
                       return;
                   const std::optional<UserAccount> user = userOf(accounts, *json, response);
                   if (!user)
                       return;
                   QJsonArray removed;
                   QStringList missing;
                   StoreError error =
                       objects.remove(user->id, otherDevice, {*path}, &removed, &missing);
                   if (!error && !missing.isEmpty())
                       error = {404, QStringLiteral("No file or folder at %1").arg(*path)};
                   sendResult(response, error, QStringLiteral("objects"), removed);
               });

    // Moves or renames a file or folder, as another device would.
    router.add("POST", prefix + "/objects/move",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QJsonObject> json = JsonBody::object(request, response);
                   if (!json)
                       return;
                   const std::optional<QString> from = pathOf(*json, "from", response);
                   if (!from)
                       return;
                   const std::optional<QString> to = pathOf(*json, "to", response);
                   if (!to)
                       return;
                   const std::optional<UserAccount> user = userOf(accounts, *json, response);
                   if (!user)
                       return;
                   QJsonObject object;
                   const StoreError error =
                       objects.move(user->id, otherDevice, *from, *to, &object);
                   sendResult(response, error, QStringLiteral("object"), object);
               });

    // {"email", "folder", "count", "files"}: count empty folders (or files) in folder, in one
    // transaction; for benchmarks that need large folders. Files may share a "content" (or
    // "contentBase64") and take a "suffix" other than ".txt".
    router.add(
        "POST", prefix + "/objects/seed",
        [this](const httplib::Request &request, httplib::Response &response,
               const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            const std::optional<QString> folder = pathOf(*json, "folder", response);
            if (!folder)
                return;
            const int count = json->value(QLatin1String("count")).toInt(-1);
            if (count < 0 || count > maxSeedCount) {
                JsonReply::sendErrors(
                    response, 400, {QStringLiteral("\"count\" must be 0 to %1").arg(maxSeedCount)});
                return;
            }
            const bool files = json->value(QLatin1String("files")).toBool();
            const std::optional<QByteArray> bytes = content(*json);
            const QJsonValue suffix = json->value(QLatin1String("suffix"));
            const QString suffixText = suffix.toString(QStringLiteral(".txt"));
            if (!bytes || (!files && !bytes->isEmpty()) ||
                !(suffix.isUndefined() || suffix.isString()) ||
                suffixText.contains(QLatin1Char('/'))) {
                JsonReply::sendErrors(
                    response, 400,
                    {QStringLiteral("a \"content\" is for files; a \"suffix\" holds no \"/\"")});
                return;
            }
            const std::optional<UserAccount> user = userOf(accounts, *json, response);
            if (!user)
                return;
            int added = 0;
            const StoreError error =
                objects.seed(user->id, *folder, count, files, &added, *bytes, suffixText);
            sendResult(response, error, QStringLiteral("added"), added);
        });

    // {"email"}: the demo tree, as --demo-tree plants it; "added" is 0 when the user's root
    // held something already.
    router.add("POST", prefix + "/objects/demo-tree",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QJsonObject> json = JsonBody::object(request, response);
                   if (!json)
                       return;
                   const std::optional<UserAccount> user = userOf(accounts, *json, response);
                   if (!user)
                       return;
                   int added = 0;
                   const StoreError error = DemoTree::seed(objects, user->id, &added);
                   sendResult(response, error, QStringLiteral("added"), added);
               });

    // {"after_statements": N}: the next change that writes N statements ends the process
    // before its transaction commits, as a SIGKILL would. Tests restart the service after.
    router.add("POST", prefix + "/database/kill",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QJsonObject> json = JsonBody::object(request, response);
                   if (!json)
                       return;
                   const int statements = json->value(QLatin1String("after_statements")).toInt(0);
                   if (statements <= 0) {
                       JsonReply::sendErrors(
                           response, 400,
                           {QStringLiteral("\"after_statements\" must be positive")});
                       return;
                   }
                   objects.killDuringChange(statements);
                   JsonReply::send(response, 200, {});
               });

    // Journals "entry" verbatim, without touching the tree, so that tests can send what no
    // real change would: paths that leave the store, fields of the wrong type.
    router.add("POST", prefix + "/objects/entry",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QJsonObject> json = JsonBody::object(request, response);
                   if (!json)
                       return;
                   const QJsonValue entry = json->value(QLatin1String("entry"));
                   if (!entry.isObject()) {
                       JsonReply::sendErrors(response, 400,
                                             {QStringLiteral("\"entry\" must be an object")});
                       return;
                   }
                   const std::optional<UserAccount> user = userOf(accounts, *json, response);
                   if (!user)
                       return;
                   QString token;
                   const StoreError error =
                       objects.journalEntry(user->id, entry.toObject(), &token);
                   sendResult(response, error, QStringLiteral("token"), token);
               });
}
