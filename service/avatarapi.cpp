#include "avatarapi.h"

#include "accountstore.h"
#include "authapi.h"
#include "jsonreply.h"
#include "router.h"
#include "secrets.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSaveFile>

namespace {

constexpr size_t maximumBytes = 10 * 1024 * 1024;
constexpr int maximumNameLength = 64;
constexpr int prefixBytes = 4;

// Only characters that need no escaping in a URL or a file name; the random prefix keeps it
// from being empty, "." or "..".
QString safeName(const QString &fileName)
{
    QString name;
    for (const QChar c : fileName.right(maximumNameLength)) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_');
        name.append(plain ? c : QLatin1Char('_'));
    }
    return Secrets::randomHex(prefixBytes) + QLatin1Char('-') + name;
}

// Whether name has the form safeName() gives: lower-case hex, "-", then plain characters.
bool isStoredName(const std::string &name)
{
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string::npos)
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        const bool plain = hex || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                           c == '-' || c == '_';
        if (i < dash ? !hex : !plain)
            return false;
    }
    return true;
}

} // namespace

AvatarApi::AvatarApi(const AuthApi &auth, AccountStore &accounts, const QString &dataPath,
                     const QString &serverUrl)
    : auth(auth)
    , accounts(accounts)
    , rootPath(QDir(dataPath).filePath(QStringLiteral("avatars")))
    , serverUrl(serverUrl)
{}

void AvatarApi::addRoutes(Router &router)
{
    auth.addUserRoute(router, "POST", R"(/api/v1/users/avatar)", this, &AvatarApi::answerUpload);
    // Unsigned, outside /api/v1: the client fetches it with no credentials.
    router.add("GET", R"(/avatars/{id}/{})",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &captures) { answerImage(request, response, captures); });
}

void AvatarApi::answerUpload(const UserAccount &user, const httplib::Request &request,
                             httplib::Response &response, const RouteCaptures &)
{
    const QString fileName =
        QString::fromUtf8(
            QByteArray::fromStdString(request.get_header_value("x-kerlo-avatar-filename")))
            .trimmed();
    const std::string contentType = request.get_header_value("Content-Type");
    if (request.body.empty() || request.body.size() > maximumBytes ||
        contentType.compare(0, 6, "image/") != 0 || fileName.isEmpty()) {
        JsonReply::sendErrors(
            response, 400,
            {QStringLiteral("An avatar is an image of up to 10 MiB, with an image Content-Type "
                            "and an x-kerlo-avatar-filename header")});
        return;
    }
    const QString name = safeName(fileName);
    const QDir folder(QDir(rootPath).filePath(QString::number(user.id)));
    QSaveFile file(folder.filePath(name));
    if (!folder.mkpath(QStringLiteral(".")) || !file.open(QIODevice::WriteOnly) ||
        file.write(request.body.data(), qint64(request.body.size())) < 0 || !file.commit()) {
        JsonReply::sendErrors(response, 500, {QStringLiteral("The avatar could not be stored")});
        return;
    }
    // From the server's own address: the Host header is whatever the client chose to send.
    const QString url = QStringLiteral("%1/avatars/%2/%3").arg(serverUrl).arg(user.id).arg(name);
    UserAccount updated = user;
    accounts.updateUser(user.id, [&url, &updated](UserAccount &stored) {
        stored.avatarUrl = url;
        updated = stored;
    });
    JsonReply::send(response, 200, {{QStringLiteral("user"), updated.toReplyJson()}});
}

void AvatarApi::answerImage(const httplib::Request &, httplib::Response &response,
                            const RouteCaptures &captures) const
{
    if (!isStoredName(captures[2].str())) {
        JsonReply::sendNotFound(response);
        return;
    }
    const QString name = QString::fromStdString(captures[2].str());
    QFile file(
        QDir(QDir(rootPath).filePath(QString::fromStdString(captures[1].str()))).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        JsonReply::sendNotFound(response);
        return;
    }
    const QByteArray bytes = file.readAll();
    const QString type =
        QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
    response.status = 200;
    response.set_content(bytes.toStdString(), type.toStdString().c_str());
}
