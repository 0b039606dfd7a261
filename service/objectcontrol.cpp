#include "objectcontrol.h"

#include "accountstore.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "router.h"

namespace {

// No device of the user made the change.
constexpr qint64 otherDevice = 0;

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

} // namespace

ObjectControl::ObjectControl(AccountStore &accounts, ObjectStore &objects)
    : accounts(accounts)
    , objects(objects)
{}

void ObjectControl::addRoutes(Router &router, const std::string &prefix)
{
    router.add(
        "POST", prefix + "/objects",
        [this](const httplib::Request &request, httplib::Response &response, const std::smatch &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            const QJsonValue email = json->value(QLatin1String("email"));
            const QJsonValue path = json->value(QLatin1String("path"));
            const QJsonValue folder = json->value(QLatin1String("folder"));
            const std::optional<QString> canonical = ObjectPath::normalized(path.toString());
            const std::optional<QByteArray> bytes = content(*json);
            const bool isFolder = folder.toBool();
            if (!email.isString() || !path.isString() || !canonical || !bytes ||
                !(folder.isUndefined() || folder.isBool()) || (isFolder && !bytes->isEmpty())) {
                JsonReply::sendErrors(
                    response, 400,
                    {QStringLiteral("\"email\" and a valid \"path\" are required; a file takes "
                                    "\"content\" or \"contentBase64\", a folder (\"folder\": "
                                    "true) neither")});
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
                         : objects.putFile(user->id, otherDevice, *canonical, *bytes, &object);
            if (error) {
                JsonReply::sendErrors(response, error.status, {error.message});
                return;
            }
            JsonReply::send(response, 200, {{QStringLiteral("object"), object}});
        });
}
