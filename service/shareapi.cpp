#include "shareapi.h"

#include "authapi.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "router.h"
#include "sharelinkstore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {

constexpr qint64 defaultPageSize = 200;
constexpr qint64 sendBlock = 64 * 1024;

// A whole, non-negative number from JSON text or a JSON number ("72" or 72).
std::optional<qint64> count(const QJsonValue &value)
{
    bool ok = value.isDouble();
    const double number = ok ? value.toDouble() : value.toString().toDouble(&ok);
    if (!ok || number < 0 || number > 1e15 || qint64(number) != number)
        return std::nullopt;
    return qint64(number);
}

// A query value; fallback when absent.
std::optional<qint64> queryCount(const httplib::Request &request, const char *name, qint64 fallback)
{
    if (!request.has_param(name))
        return fallback;
    return count(QString::fromStdString(request.get_param_value(name)));
}

bool isEmailAddress(const QString &text)
{
    static const QRegularExpression address(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    return address.match(text).hasMatch();
}

// The file's name as the browser saves it: a plain ASCII fallback, and the name itself in
// UTF-8 for the clients that read it.
std::string attachment(const QString &name)
{
    QString plain;
    for (const QChar c : name)
        plain.append(c.unicode() < 0x20 || c.unicode() > 0x7e || c == QLatin1Char('"') ||
                             c == QLatin1Char('\\')
                         ? QLatin1Char('_')
                         : c);
    return "attachment; filename=\"" + plain.toStdString() + "\"; filename*=UTF-8''" +
           QUrl::toPercentEncoding(name).toStdString();
}

} // namespace

ShareApi::ShareApi(const AuthApi &auth, ObjectStore &objects, ShareLinkStore &links,
                   const QString &serverUrl)
    : auth(auth)
    , objects(objects)
    , links(links)
    , serverUrl(serverUrl)
{}

void ShareApi::addRoutes(Router &router)
{
    const auto add = [this, &router](const char *method, const char *pattern, Answer answer) {
        auth.addUserRoute(router, method, pattern, this, answer);
    };
    add("POST", R"(/api/v1/shares.json)", &ShareApi::answerShare);
    add("POST", R"(/api/v1/shares/{}/revoke)", &ShareApi::answerRevoke);
    add("GET", R"(/api/v1/sharelinks/list)", &ShareApi::answerList);
    add("POST", R"(/api/v1/sharelinks/email)", &ShareApi::answerEmail);
    router.add("GET", R"(/s/{})",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &captures) { answerVisit(request, response, captures); });
}

// From the server's own address: the Host header is whatever the client chose to send.
QString ShareApi::publicUrl(const QString &token) const
{
    return serverUrl + QStringLiteral("/s/") + token;
}

void ShareApi::answerShare(const UserAccount &user, const httplib::Request &request,
                           httplib::Response &response, const RouteCaptures &)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonObject share = json->value(QLatin1String("share")).toObject();
    const std::optional<QString> path =
        ObjectPath::normalized(share.value(QLatin1String("path")).toString());
    const std::optional<qint64> expiresIn = count(share.value(QLatin1String("expires_in")));
    if (!share.value(QLatin1String("path")).isString() || !path || !expiresIn) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"share\" needs a valid \"path\" and "
                                              "\"expires_in\" in whole hours")});
        return;
    }
    QJsonObject object;
    if (const StoreError error = objects.metadata(user.id, *path, &object)) {
        JsonReply::sendErrors(response, error.status, {error.message});
        return;
    }
    const ShareLink link = links.share(user.id, *path, *expiresIn);
    JsonReply::send(response, 200,
                    {{QStringLiteral("share"), link.toReplyJson(publicUrl(link.token))},
                     {QStringLiteral("object"), object}});
}

void ShareApi::answerRevoke(const UserAccount &user, const httplib::Request &request,
                            httplib::Response &response, const RouteCaptures &captures)
{
    const QString token = QString::fromStdString(captures[1].str());
    const std::optional<ShareLink> link = links.revoke(user.id, token);
    if (!link) {
        JsonReply::sendErrors(response, 404, {QStringLiteral("No such share link")});
        return;
    }
    JsonReply::send(response, 200,
                    {{QStringLiteral("share"), link->toReplyJson(publicUrl(token))}});
}

void ShareApi::answerList(const UserAccount &user, const httplib::Request &request,
                          httplib::Response &response, const RouteCaptures &)
{
    const std::optional<qint64> offset = queryCount(request, "offset", 0);
    const std::optional<qint64> limit = queryCount(request, "limit", defaultPageSize);
    if (!offset || !limit) {
        JsonReply::sendErrors(
            response, 400,
            {QStringLiteral("\"offset\" and \"limit\" must be non-negative integers")});
        return;
    }
    QJsonArray page;
    for (const ShareLink &link : links.list(user.id, *offset, *limit))
        page.append(link.toReplyJson(publicUrl(link.token)));
    JsonReply::send(response, 200, {{QStringLiteral("share_links"), page}});
}

void ShareApi::answerEmail(const UserAccount &, const httplib::Request &request,
                           httplib::Response &response, const RouteCaptures &)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonValue link = json->value(QLatin1String("link"));
    const QJsonValue emails = json->value(QLatin1String("emails"));
    const QJsonArray addresses = emails.toArray();
    const bool allText = std::all_of(addresses.begin(), addresses.end(),
                                     [](const QJsonValue &address) { return address.isString(); });
    if (!link.isString() || link.toString().isEmpty() || !emails.isArray() || !allText) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"link\" and a list of \"emails\" are required")});
        return;
    }
    QJsonArray recipients;
    QJsonArray errors;
    for (const QJsonValue &address : addresses) {
        if (isEmailAddress(address.toString()))
            recipients.append(address);
        else
            errors.append(
                QStringLiteral("%1 is not a valid e-mail address").arg(address.toString()));
    }
    JsonReply::send(
        response, 200,
        {{QStringLiteral("recps"), recipients},
         {QStringLiteral("filename"), json->value(QLatin1String("filename")).toString()},
         {QStringLiteral("errors"), errors}});
}

void ShareApi::answerVisit(const httplib::Request &, httplib::Response &response,
                           const RouteCaptures &captures)
{
    const std::optional<ShareLink> link = links.visit(QString::fromStdString(captures[1].str()));
    QJsonObject object;
    QString contentPath;
    if (!link || objects.fileAt(link->userId, link->path, &object, &contentPath)) {
        // Revoked, expired, unknown, or nothing left to serve: the link tells nothing more.
        JsonReply::sendNotFound(response);
        return;
    }
    auto file = std::make_shared<QFile>(contentPath);
    if (!file->open(QIODevice::ReadOnly)) {
        JsonReply::sendErrors(response, 500, {QStringLiteral("The content cannot be read")});
        return;
    }
    response.status = 200;
    response.set_header("Content-Disposition",
                        attachment(object.value(QLatin1String("label")).toString()));
    const char *type = "application/octet-stream";
    if (file->size() == 0) {
        response.set_content(std::string(), type);
        return;
    }
    // Read as the connection takes it, so that no file sits in memory.
    response.set_content_provider(
        size_t(file->size()), type, [file](size_t offset, size_t wanted, httplib::DataSink &sink) {
            if (!file->seek(qint64(offset)))
                return false;
            const QByteArray bytes = file->read(qMin(qint64(wanted), sendBlock));
            return !bytes.isEmpty() && sink.write(bytes.constData(), size_t(bytes.size()));
        });
}
