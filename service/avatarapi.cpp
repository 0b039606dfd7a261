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

} // namespace

AvatarApi::AvatarApi(const AuthApi &auth, AccountStore &accounts, const QString &dataPath, bool tls)
    : auth(auth)
    , accounts(accounts)
    , rootPath(QDir(dataPath).filePath(QStringLiteral("avatars")))
    , tls(tls)
{}

void AvatarApi::addRoutes(Router &router)
{
    auth.addUserRoute(router, "POST", R"(/api/v1/users/avatar)", this, &AvatarApi::answerUpload);
    // Unsigned, outside /api/v1: the client fetches it with no credentials.
    router.add("GET", R"(/avatars/(\d{1,18})/([0-9a-f]+-[A-Za-z0-9._-]*))",
               [this](const httplib::Request &request, httplib::Response &response,
                      const std::smatch &captures) { answerImage(request, response, captures); });
}

void AvatarApi::answerUpload(const UserAccount &user, const httplib::Request &request,
                             httplib::Response &response, const std::smatch &)
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
    const std::string host = request.get_header_value("Host");
    const QString url =
        QStringLiteral("%1://%2/avatars/%3/%4")
            .arg(tls ? QStringLiteral("https") : QStringLiteral("http"),
                 host.empty() ? QStringLiteral("127.0.0.1") : QString::fromStdString(host))
            .arg(user.id)
            .arg(name);
    UserAccount updated = user;
    accounts.updateUser(user.id, [&url, &updated](UserAccount &stored) {
        stored.avatarUrl = url;
        updated = stored;
    });
    JsonReply::send(response, 200, {{QStringLiteral("user"), updated.toReplyJson()}});
}

void AvatarApi::answerImage(const httplib::Request &, httplib::Response &response,
                            const std::smatch &captures) const
{
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
