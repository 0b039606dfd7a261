#include "mavatarmanager.h"
#include "mavatarmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mnetworkrequestmanager.h"
#include "muserauthmanager.h"
#include "socialrecordtypes.h"
#include "tolvo.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace {

const QString holderKey = QStringLiteral("MAvatarHolder");
const QString sourceFileKey = QStringLiteral("MAvatarSourceFile");

// A file name that keeps the cache file inside its account's folder.
bool isUsableName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

MUserAccount holder(const QVariantMap &map)
{
    return map.value(holderKey).value<MUserAccount>();
}

} // namespace

MAvatarManagerPrivate::MAvatarManagerPrivate(MAvatarManager *q)
    : q_ptr(q)
{}

QString MAvatarManagerPrivate::avatarCachePath(const MUserAccount &account)
{
    const QString avatars = TolvoProcess::instance()->avatarsPath();
    if (avatars.isEmpty())
        return QString();
    QString name = QFileInfo(account.avatarUrl().path(QUrl::FullyDecoded)).fileName();
    // An account without a picture of the service's yet (a first upload) still has one
    // place, so avatarPath() finds what the upload put there.
    if (account.avatarUrl().isEmpty())
        name = QStringLiteral("avatar");
    if (!isUsableName(name))
        return QString();
    return QDir::cleanPath(avatars + QLatin1Char('/') + QString::number(account.id()) +
                           QLatin1Char('/') + name);
}

QSaveFile *MAvatarManagerPrivate::downloadFile(const MNetworkRequest &request)
{
    std::unique_ptr<QSaveFile> &file = pendingFiles[request.requestId()];
    if (!file) {
        const QString path = avatarCachePath(holder(request.userInfo().toMap()));
        file = std::make_unique<QSaveFile>(path);
        if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).path()) ||
            !file->open(QIODevice::WriteOnly))
            qCWarning(lcCoreSocial, "Cannot write the avatar cache file %s", qPrintable(path));
    }
    return file->isOpen() ? file.get() : nullptr;
}

bool MAvatarManagerPrivate::refuseOversized(const MNetworkRequest &request, qint64 arriving,
                                            const MNetworkReply &reply)
{
    qint64 &received = receivedBytes[request.requestId()];
    received += arriving;
    bool announced = false;
    const qint64 length = reply.header("Content-Length").toLongLong(&announced);
    if (received <= MAvatarManager::MaximumBytes &&
        (!announced || length <= MAvatarManager::MaximumBytes))
        return false;
    qCWarning(lcCoreSocial) << "Refusing an avatar larger than" << MAvatarManager::MaximumBytes
                            << "bytes";
    // Erased first: what the abort reports finds nothing to commit.
    pendingFiles.erase(request.requestId());
    receivedBytes.erase(request.requestId());
    downloads->cancelRequest(request.requestId());
    return true;
}

void MAvatarManagerPrivate::dataArrivedForRequestSlot(const MNetworkRequest &request,
                                                      const QByteArray &data,
                                                      const MNetworkReply &reply)
{
    if (request.userInfo().toMap().value(ReqActionKey).toInt() != Tolvo::DownloadAvatar ||
        reply.statusCode() != 200 || refused.contains(request.requestId()))
        return;
    if (refuseOversized(request, data.size(), reply)) {
        refused.insert(request.requestId());
        return;
    }
    if (QSaveFile *file = downloadFile(request))
        file->write(data);
}

void MAvatarManagerPrivate::finishDownload(const MNetworkRequest &request,
                                           const MNetworkReply &reply)
{
    Q_Q(MAvatarManager);
    const int status = reply.statusCode();
    // Status 0 is a network error, which is not reported.
    if (status != 200 && status != 0)
        qCDebug(lcCoreSocial).nospace() << "Error fetching avatar (status code: " << status << ")";
    const bool wasRefused = refused.remove(request.requestId());
    if (status == 200 && reply.error() == QNetworkReply::NoError && !wasRefused &&
        !refuseOversized(request, reply.body().size(), reply)) {
        QSaveFile *file = downloadFile(request);
        if (file && file->write(reply.body()) == reply.body().size() && file->commit())
            emit q->avatarReady(holder(request.userInfo().toMap()), file->fileName());
    }
    // Uncommitted, the partial download goes with its temporary file.
    pendingFiles.erase(request.requestId());
    receivedBytes.erase(request.requestId());
}

void MAvatarManagerPrivate::finishUpload(const MNetworkRequest &request, const MNetworkReply &reply)
{
    Q_Q(MAvatarManager);
    if (reply.statusCode() != 200) {
        qCDebug(lcCoreSocial).nospace()
            << "Error setting avatar (status code: " << reply.statusCode() << ")";
        emit q->avatarUpdateFailed(reply.statusCode());
        return;
    }
    const QVariantMap userData =
        request.userInfo().toMap().value(MObjectRequestUserDataKey).toMap();
    const MUserAccount account = holder(userData);
    const QString source = userData.value(sourceFileKey).toString();
    // Keyed by the URL the account had when the upload started.
    const QString path = avatarCachePath(account);
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).path())) {
        emit q->avatarUpdateFailed(reply.statusCode());
        return;
    }
    if (QFileInfo::exists(path))
        QFile::remove(path);
    if (!QFile::copy(source, path)) {
        qCWarning(lcCoreSocial, "Cannot copy the new avatar to %s", qPrintable(path));
        emit q->avatarUpdateFailed(reply.statusCode());
        return;
    }
    emit q->avatarUpdated(account, path);
}

void MAvatarManagerPrivate::replyFinishedForRequestSlot(const MNetworkRequest &request,
                                                        const MNetworkReply &reply)
{
    switch (request.userInfo().toMap().value(ReqActionKey).toInt()) {
    case Tolvo::DownloadAvatar:
        finishDownload(request, reply);
        break;
    case Tolvo::UploadAvatar:
        finishUpload(request, reply);
        break;
    default:
        break;
    }
}

MAvatarManager::MAvatarManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MAvatarManagerPrivate(this))
{
    Q_D(MAvatarManager);
    registerSocialRecordTypes();
    d->downloads = new MNetworkRequestManager(this);
    // Avatars may live on other hosts: a refused fetch must never be re-sent with the user's
    // credentials, and a failed one is simply fetched again on the next call.
    d->downloads->setRetryAuthenticatedRequests(false);
    d->downloads->setResendAfterReconnection(false);
    d->uploads = new MNetworkRequestManager(this);
    d->uploads->setRetryAuthenticatedRequests(true);

    for (MNetworkRequestManager *manager : {d->downloads, d->uploads}) {
        connect(manager, &MNetworkRequestManager::dataArrivedForRequest, this,
                [d](const MNetworkRequest &request, const QByteArray &data,
                    const MNetworkReply &reply) {
                    d->dataArrivedForRequestSlot(request, data, reply);
                });
        connect(manager, &MNetworkRequestManager::replyFinishedForRequest, this,
                [d](const MNetworkRequest &request, const MNetworkReply &reply) {
                    d->replyFinishedForRequestSlot(request, reply);
                });
        connect(manager, &MNetworkRequestManager::requestCanceled, this,
                [this, d](const MNetworkRequest &request) {
                    d->pendingFiles.erase(request.requestId());
                    d->receivedBytes.erase(request.requestId());
                    d->refused.remove(request.requestId());
                    if (request.userInfo().toMap().value(ReqActionKey).toInt() ==
                        Tolvo::UploadAvatar)
                        emit avatarUpdateFailed(0);
                });
    }
}

MAvatarManager::~MAvatarManager() = default;

QString MAvatarManager::avatarPath(const MUserAccount &account) const
{
    const QString path = MAvatarManagerPrivate::avatarCachePath(account);
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

void MAvatarManager::fetchAvatar(const MUserAccount &account)
{
    Q_D(MAvatarManager);
    const QUrl url = account.avatarUrl();
    const QString path = MAvatarManagerPrivate::avatarCachePath(account);
    // The cache answers first: a picture uploaded from here is cached before the service
    // names a URL for it.
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        emit avatarReady(account, path);
        return;
    }
    // Any other scheme would let the service's answer copy local files into the cache.
    if ((url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty() || path.isEmpty()) {
        qCDebug(lcCoreSocial) << "Not fetching an avatar from" << url;
        return;
    }
    MNetworkRequest request(url, MNetworkRequest::Get);
    request.setUserInfo(QVariantMap{{holderKey, QVariant::fromValue(account)},
                                    {ReqActionKey, int(Tolvo::DownloadAvatar)}});
    d->downloads->sendRequest(request);
}

void MAvatarManager::updateAvatar(const QString &filePath)
{
    Q_D(MAvatarManager);
    // Told later, as every other outcome is.
    const auto fail = [this] {
        QTimer::singleShot(0, this, [this] { emit avatarUpdateFailed(0); });
    };
    if (!QFileInfo(filePath).isFile()) {
        fail();
        return;
    }
    const QVariantMap userData{
        {holderKey, QVariant::fromValue(MUserAuthManager::applicationManager()->account())},
        {sourceFileKey, filePath}};
    bool ok = false;
    MNetworkRequest request = mActionRequest(QVariant(), Tolvo::UploadAvatar, userData, &ok, false);
    QFile file(filePath);
    if (!ok || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcCoreSocial, "Cannot upload the new avatar %s", qPrintable(filePath));
        fail();
        return;
    }
    request.setContentType(QMimeDatabase().mimeTypeForFile(filePath).name());
    // A header value ends at a line break.
    QByteArray name = QFileInfo(filePath).fileName().toLocal8Bit();
    name.replace('\r', QByteArray()).replace('\n', QByteArray());
    request.setRawHeader("x-kerlo-avatar-filename", name);
    request.setBody(file.readAll());
    d->uploads->sendRequest(request);
}
