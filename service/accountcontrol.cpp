#include "accountcontrol.h"

#include "accountstore.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "router.h"

#include <cmath>

namespace {

// Reads an optional member into *value; false when it is there with the wrong type.
bool readString(const QJsonObject &json, const char *key, QString *value)
{
    const QJsonValue member = json.value(QLatin1String(key));
    if (member.isUndefined())
        return true;
    if (!member.isString())
        return false;
    *value = member.toString();
    return true;
}

bool readCount(const QJsonObject &json, const char *key, qint64 *value)
{
    const QJsonValue member = json.value(QLatin1String(key));
    if (member.isUndefined())
        return true;
    const double number = member.toDouble(-1);
    // Beyond 2^53 a double no longer holds every integer.
    if (!member.isDouble() || number < 0 || number > 9007199254740992.0 ||
        std::floor(number) != number)
        return false;
    *value = qint64(number);
    return true;
}

std::optional<UserAccount> userFromJson(const QJsonObject &json, QString *password)
{
    UserAccount user;
    qint64 onlineStatus = user.onlineStatus;
    if (!readString(json, "email", &user.email) || !readString(json, "password", password) ||
        !readString(json, "first_name", &user.firstName) ||
        !readString(json, "last_name", &user.lastName) ||
        !readString(json, "avatar_url", &user.avatarUrl) ||
        !readCount(json, "used_size", &user.usedSize) ||
        !readCount(json, "total_size", &user.totalSize) ||
        !readCount(json, "online_status", &onlineStatus) || onlineStatus > 0x7fffffff ||
        user.email.isEmpty() || password->isEmpty())
        return std::nullopt;
    user.onlineStatus = int(onlineStatus);
    return user;
}

// The e-mail filter of a token call: null when the body names none.
std::optional<QString> emailFilter(const QJsonObject &json)
{
    QString email;
    if (!readString(json, "email", &email))
        return std::nullopt;
    return email;
}

} // namespace

AccountControl::AccountControl(AccountStore &accounts)
    : accounts(accounts)
{}

void AccountControl::addRoutes(Router &router, const std::string &prefix)
{
    router.add(
        "POST", prefix + "/users",
        [this](const httplib::Request &request, httplib::Response &response,
               const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            QString password;
            const std::optional<UserAccount> user = userFromJson(*json, &password);
            if (!user) {
                JsonReply::sendErrors(
                    response, 400,
                    {QStringLiteral("\"email\" and \"password\" are required strings; names and "
                                    "\"avatar_url\" strings; sizes and \"online_status\" "
                                    "non-negative integers")});
                return;
            }
            const std::optional<UserAccount> created = accounts.createUser(*user, password);
            if (!created) {
                JsonReply::sendErrors(response, 409, {QStringLiteral("the user exists")});
                return;
            }
            JsonReply::send(response, 200, {{QStringLiteral("user"), created->toReplyJson()}});
        });

    const auto tokenCall = [this](bool (AccountStore::*change)(const QString &)) {
        return [this, change](const httplib::Request &request, httplib::Response &response,
                              const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            const std::optional<QString> email = emailFilter(*json);
            if (!email) {
                JsonReply::sendErrors(response, 400, {QStringLiteral("\"email\" is a string")});
                return;
            }
            if (!(accounts.*change)(*email)) {
                JsonReply::sendErrors(response, 404, {QStringLiteral("no such user")});
                return;
            }
            JsonReply::send(response, 200, {});
        };
    };
    router.add("POST", prefix + "/expire-tokens", tokenCall(&AccountStore::expireAccessTokens));
    router.add("POST", prefix + "/revoke-refresh-tokens",
               tokenCall(&AccountStore::revokeRefreshTokens));

    // What the provider's sign-in page does once the user allowed the link.
    router.add(
        "POST", prefix + "/link-provider",
        [this](const httplib::Request &request, httplib::Response &response,
               const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            QString email;
            QString provider;
            if (!readString(*json, "email", &email) || !readString(*json, "provider", &provider) ||
                email.isEmpty() || provider.isEmpty()) {
                JsonReply::sendErrors(response, 400,
                                      {QStringLiteral("\"email\" and \"provider\" are required "
                                                      "strings")});
                return;
            }
            const std::optional<UserAccount> user = accounts.user(email);
            if (!user || !accounts.updateUser(user->id, [&provider](UserAccount &account) {
                    if (!account.linkedProviders.contains(provider))
                        account.linkedProviders.append(provider);
                })) {
                JsonReply::sendErrors(response, 404, {QStringLiteral("no such user")});
                return;
            }
            JsonReply::send(response, 200, {});
        });

    router.add(
        "GET", prefix + "/tokens",
        [this](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
            JsonReply::send(response, 200, {{QStringLiteral("tokens"), accounts.tokensJson()}});
        });
}
