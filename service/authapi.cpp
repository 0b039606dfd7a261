#include "authapi.h"

#include "accountstore.h"
#include "deviceidentity.h"
#include "formbody.h"
#include "jsonreply.h"
#include "router.h"

#include <QJsonArray>

#include <algorithm>

namespace {

const std::string apiPrefix = "/api/v1/";

void sendOAuthError(httplib::Response &response, int status, const QString &error)
{
    JsonReply::send(response, status, {{QStringLiteral("error"), error}});
}

void sendInvalidToken(httplib::Response &response)
{
    sendOAuthError(response, 401, QStringLiteral("invalid_token"));
    response.set_header("WWW-Authenticate", R"(Bearer error="invalid_token")");
}

void sendGrant(httplib::Response &response, const AccountStore::Grant &grant)
{
    JsonReply::send(response, 200,
                    {{QStringLiteral("token_type"), QStringLiteral("bearer")},
                     {QStringLiteral("access_token"), grant.accessToken},
                     {QStringLiteral("refresh_token"), grant.refreshToken},
                     {QStringLiteral("expires_in"), grant.expiresIn}});
}

// The client compiles its own credentials in; any that have their form are accepted.
bool isClientCredential(const QString &value)
{
    return value.size() == 64 && std::all_of(value.begin(), value.end(), [](QChar c) {
               return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                      (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
           });
}

QString header(const httplib::Request &request, const char *name)
{
    return QString::fromUtf8(QByteArray::fromStdString(request.get_header_value(name)));
}

} // namespace

AuthApi::AuthApi(AccountStore &accounts)
    : accounts(accounts)
{}

bool AuthApi::requiresSignature(const std::string &path)
{
    return path.compare(0, apiPrefix.size(), apiPrefix) == 0 && path != apiPrefix &&
           path != apiPrefix + "key.json";
}

bool AuthApi::admit(const httplib::Request &request, httplib::Response &response) const
{
    if (signer(request))
        return true;
    sendInvalidToken(response);
    return false;
}

std::optional<UserAccount> AuthApi::signedInUser(const httplib::Request &request,
                                                 httplib::Response &response) const
{
    std::optional<UserAccount> user = signer(request);
    if (!user)
        sendInvalidToken(response);
    return user;
}

Router::Handler AuthApi::forUser(UserHandler handler) const
{
    return [this, handler](const httplib::Request &request, httplib::Response &response,
                           const RouteCaptures &captures) {
        if (const std::optional<UserAccount> user = signedInUser(request, response))
            handler(*user, request, response, captures);
    };
}

qint64 AuthApi::deviceId(const httplib::Request &request, const UserAccount &user) const
{
    return accounts
        .device(user.id, DeviceIdentity::fromUserAgent(request.get_header_value("User-Agent")))
        .id;
}

std::optional<UserAccount> AuthApi::signer(const httplib::Request &request) const
{
    const QString authorization = header(request, "Authorization").trimmed();
    const int space = authorization.indexOf(QLatin1Char(' '));
    if (space < 0 ||
        authorization.left(space).compare(QLatin1String("bearer"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return accounts.userFor(authorization.mid(space + 1).trimmed(),
                            header(request, "M-Auth-Token"));
}

void AuthApi::addRoutes(Router &router)
{
    router.add("POST", R"(/api/v1/key.json)",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) { answerKey(request, response); });
    // Either grant on either path, as OAuth2 servers do; the client refreshes on "/token".
    for (const char *path : {"/oauth/token", "/oauth/token.json"}) {
        router.add("POST", path,
                   [this](const httplib::Request &request, httplib::Response &response,
                          const RouteCaptures &) { answerToken(request, response); });
    }
    router.add("GET", R"(/api/v1/me.json)",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) { answerMe(request, response); });
    addUserRoute(router, "GET", R"(/api/v1/devices.json)", this, &AuthApi::answerDevices);
}

void AuthApi::answerKey(const httplib::Request &request, httplib::Response &response) const
{
    const std::optional<FormBody> form = FormBody::parse(request.body);
    if (!form) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("Malformed form body")});
        return;
    }
    const QString email = form->value(QStringLiteral("email"));
    const QString password = form->value(QStringLiteral("password"));
    if (email.isEmpty() || password.isEmpty()) {
        sendOAuthError(response, 401, QStringLiteral("E-mail and password are required"));
        return;
    }
    const std::optional<QString> key = accounts.apiKey(email, password);
    if (!key) {
        JsonReply::sendErrors(response, 401, {QStringLiteral("Invalid e-mail or password")});
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("api_key"), *key}});
}

void AuthApi::answerToken(const httplib::Request &request, httplib::Response &response) const
{
    const std::optional<FormBody> form = FormBody::parse(request.body);
    if (!form) {
        sendOAuthError(response, 400, QStringLiteral("invalid_request"));
        return;
    }
    if (!isClientCredential(form->value(QStringLiteral("client_id"))) ||
        !isClientCredential(form->value(QStringLiteral("client_secret")))) {
        sendOAuthError(response, 401, QStringLiteral("invalid_client"));
        return;
    }

    const QString grantType = form->value(QStringLiteral("grant_type"));
    std::optional<AccountStore::Grant> grant;
    if (grantType == QLatin1String("password")) {
        grant = accounts.grantForApiKey(
            form->value(QStringLiteral("auth_token")),
            DeviceIdentity::fromUserAgent(request.get_header_value("User-Agent")));
    } else if (grantType == QLatin1String("refresh_token")) {
        grant = accounts.grantForRefreshToken(form->value(QStringLiteral("refresh_token")));
    } else {
        sendOAuthError(response, 400, QStringLiteral("unsupported_grant_type"));
        return;
    }
    if (!grant) {
        sendOAuthError(response, 401, QStringLiteral("invalid_grant"));
        return;
    }
    sendGrant(response, *grant);
}

void AuthApi::answerMe(const httplib::Request &request, httplib::Response &response) const
{
    const std::optional<UserAccount> user = signedInUser(request, response);
    if (!user)
        return;
    const Device device = accounts.device(
        user->id, DeviceIdentity::fromUserAgent(request.get_header_value("User-Agent")));
    JsonReply::send(response, 200,
                    {{QStringLiteral("user"), user->toReplyJson()},
                     {QStringLiteral("device"), device.toJson()}});
}

void AuthApi::answerDevices(const UserAccount &user, const httplib::Request &request,
                            httplib::Response &response, const RouteCaptures &)
{
    // The asking device is seen now, so it leads the list with a fresh activity date.
    accounts.device(user.id, DeviceIdentity::fromUserAgent(request.get_header_value("User-Agent")));
    QJsonArray devices;
    for (const Device &device : accounts.devicesOf(user.id))
        devices.append(device.toJson());
    JsonReply::send(response, 200, {{QStringLiteral("devices"), devices}});
}
