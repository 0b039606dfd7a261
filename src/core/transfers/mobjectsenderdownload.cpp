// The engine's half of the resumable download: bytes go to a partial file, which replaces the
// destination only once its MD5 matches the one the service announced.
#include "mobjectsender_p.h"

#include "mfilenames.h"
#include "mnetworkrequestmanager.h"
#include "mnotificationmanager.h"
#include "mresumabledownload.h"
#include "muserauthmanager.h"
#include "tolvoappimpl.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

namespace {

const QString TransferIdKey = QStringLiteral("MObjectTransferStateIdentifierKey");

QString tempPath()
{
    TolvoApp *app = TolvoApp::instance();
    return app ? app->tempPath() : QDir::tempPath();
}

MStorageObject objectFromHeader(const MNetworkReply &reply)
{
    const QByteArray header = reply.header("x-kerlo-metadata");
    if (header.isEmpty())
        return MStorageObject();
    return MStorageObject(QJsonDocument::fromJson(header).toVariant().toMap());
}

void postDownloadError(const MObjectTransfer &transfer, int errorCode, const QString &message)
{
    MNotification note(MNotification::ERROR, message.arg(transfer.transferRequest().sourcePath()),
                       0);
    note.setAttribute(MNotification::TransferRequest,
                      QVariant::fromValue(transfer.transferRequest()));
    note.setAttribute(MNotification::ErrorCode, errorCode);
    note.setAttribute(MNotification::Action, int(Tolvo::DownloadObject));
    if (MNotificationManager *notifications = MNotificationManager::instance())
        notifications->post(note);
}

void postIOError(const QString &path, const MObjectTransfer &transfer)
{
    if (MNotificationManager *notifications = MNotificationManager::instance())
        notifications->postIOErrorNotification(Tolvo::DownloadObject, path, transfer);
}

const QString UnableToDownload = QStringLiteral("Unable to download file %1");
const QString DataIsCorrupt = QStringLiteral("Unable to download file %1: data is corrupt");

} // namespace

bool MObjectSenderPrivate::startDownload(MObjectTransfer transfer)
{
    Q_Q(MObjectSender);
    MObjectTransferRequest request = transfer.transferRequest();
    Flight download;
    download.step = Download;
    download.cache = request.action() == Tolvo::DownloadToCache;
    download.destination = QDir::cleanPath(request.destinationPath());
    if (mPathHasParentComponent(request.sourcePath())) {
        postDownloadError(transfer, Tolvo::TransferStepFailed, UnableToDownload);
        fail(transfer, Tolvo::TransferStepFailed);
        return false;
    }

    bool authenticated = false;
    MUserAuthManager *auth = TolvoApp::instance() ? TolvoApp::instance()->authManager() : nullptr;
    MNetworkRequest networkRequest =
        auth ? auth->createAuthenticatedRequest(
                   MResumableDownload::downloadUrl(apiURL, request.sourcePath()),
                   MNetworkRequest::Get, &authenticated)
             : MNetworkRequest();
    if (!authenticated) {
        requeue(transfer, MObjectTransfer::Scheduled);
        return false;
    }
    networkRequest.setUserInfo(
        QVariantMap{{ReqActionKey, QStringLiteral("get")}, {TransferIdKey, transfer.identifier()}});
    if (request.mode() & 1)
        QDir().mkpath(QFileInfo(download.destination).absolutePath());

    transfer.setResumeOffset(0);
    transfer.setTransferredBytes(0);
    transfer.setTotalTransferredBytes(0);
    transfer.setTotalBytes(0);

    QString localPath;
    bool truncate = true;
    if (download.cache) {
        const MStorageObject object = request.storageObject();
        localPath = MResumableDownload::downloadPath(tempPath(), object);
        if (localPath.isEmpty()) {
            postDownloadError(transfer, Tolvo::CannotContinue, DataIsCorrupt);
            fail(transfer, Tolvo::CannotContinue);
            return false;
        }
        download.expectedHash = object.contentHash().toLower();
        const qint64 size = object.size();
        const qint64 partial = QFileInfo(localPath).size();
        transfer.setTotalBytes(size);
        if (size > 0 && partial == size) {
            // A crash after the last byte: only the check is left to do.
            download.file = std::make_shared<QFile>(localPath);
            transfer.setTotalTransferredBytes(partial);
            transfer.setState(MObjectTransfer::Running);
            transfer.save();
            emit q->transferStarted(transfer);
            verify(transfer, download);
            return true;
        }
        if (size > 0) {
            const qint64 from = partial < size ? partial : 0;
            networkRequest.setRawHeader(
                "Range", QStringLiteral("bytes=%1-%2").arg(from).arg(size).toLatin1());
            transfer.setTotalTransferredBytes(from);
            transfer.setResumeOffset(from);
            download.resumeOffset = from;
            truncate = from == 0;
        }
    } else {
        const bool exists = QFileInfo::exists(download.destination);
        const int strategy = request.overwriteStrategy();
        if (strategy == 0 && exists) {
            if (MNotificationManager *notifications = MNotificationManager::instance())
                notifications->postFileExistsErrorNotification(Tolvo::DownloadObject, request);
            fail(transfer, Tolvo::LocalFileExists);
            return false;
        }
        if (strategy == 2) {
            const QString name = MResumableDownload::reserveFreeName(download.destination);
            if (name.isEmpty()) {
                postIOError(download.destination, transfer);
                fail(transfer, Tolvo::LocalIOError);
                return false;
            }
            download.destination = name;
            download.placeholder = true;
            // The name is this transfer's now: a later run replaces it instead of taking
            // yet another one.
            request.setDestinationPath(name);
            request.setOverwriteStrategy(1);
            transfer.setTransferRequest(request);
        }
        localPath = MResumableDownload::partialPath(tempPath(), transfer.identifier());
    }

    download.file = std::make_shared<QFile>(localPath);
    if (!download.file->open(truncate ? QIODevice::WriteOnly | QIODevice::Truncate
                                      : QIODevice::WriteOnly | QIODevice::Append)) {
        postIOError(download.destination, transfer);
        if (download.placeholder)
            QFile::remove(download.destination);
        fail(transfer, Tolvo::LocalIOError);
        return false;
    }
    transfer.setState(MObjectTransfer::Running);
    transfer.save();
    download.id = networkRequestManager->sendRequest(networkRequest);
    addFlight(transfer.identifier(), download);
    emit q->transferStarted(transfer);
    return true;
}

void MObjectSenderPrivate::downloadContentArrived(const MNetworkRequest &request,
                                                  const QByteArray &data,
                                                  const MNetworkReply &reply)
{
    const int status = reply.statusCode();
    if (status != 200 && status != 206)
        return;
    const qint64 transferId = transferIdOf(request);
    Flight current;
    {
        QMutexLocker locker(&mutex);
        const auto it = flights.find(transferId);
        if (it == flights.end() || it->id != request.requestId())
            return;
        // A whole body where a range was asked for starts the file over.
        if (!it->bodyStarted && status == 200 && it->resumeOffset > 0) {
            it->file->resize(0);
            it->file->seek(0);
            it->resumeOffset = 0;
        }
        it->bodyStarted = true;
        current = it.value();
    }
    if (current.file->write(data) == data.size())
        return;
    abortFlight(transferId);
    const MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    postIOError(current.destination, transfer);
    fail(transfer, Tolvo::LocalIOError);
}

void MObjectSenderPrivate::downloadProgressSlot(const MNetworkRequest &request,
                                                const MNetworkReply &reply, qint64 received,
                                                qint64 total)
{
    const qint64 transferId = transferIdOf(request);
    const Flight current = flight(transferId);
    if (current.id != request.requestId() || !current.bodyStarted)
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (!transfer.isValid()) {
        qWarning() << "MObjectSenderPrivate::downloadProgressSlot invalid transfer state!!!";
        return;
    }
    if (transfer.state() != MObjectTransfer::Running)
        return;
    if (!transfer.storageObject().isValid())
        transfer.setStorageObject(objectFromHeader(reply));
    transfer.setResumeOffset(current.resumeOffset);
    transfer.setTransferredBytes(received);
    transfer.setTotalTransferredBytes(current.resumeOffset + received);
    transfer.setTotalBytes(total >= 0 ? current.resumeOffset + total
                                      : transfer.storageObject().size());
    transfer.save();
    emit q_func()->transferProgressed(transfer);
}

void MObjectSenderPrivate::downloadFinished(const MNetworkRequest &request,
                                            const MNetworkReply &reply)
{
    qDebug() << "MObjectSenderPrivate::downloadFinished: user info:" << request.userInfo();
    const qint64 transferId = transferIdOf(request);
    Flight done;
    if (!takeFlight(transferId, request.requestId(), &done))
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Running)
        return;
    const int status = reply.statusCode();
    // A body cut short carries the status of its headers: it is interrupted, not complete.
    if ((status != 200 && status != 206) || reply.error() != QNetworkReply::NoError) {
        qWarning() << "Download failed. Error code:" << status << reply.error();
        // A cache download keeps what it has for a later range; a refused range starts over.
        if (!done.cache || status == 416)
            QFile::remove(done.file->fileName());
        failDownload(transfer, done, Tolvo::TransferStepFailed, UnableToDownload);
        return;
    }
    const MStorageObject announced = objectFromHeader(reply);
    if (announced.isValid())
        transfer.setStorageObject(announced);
    if (!done.cache)
        done.expectedHash = announced.contentHash().toLower();
    verify(transfer, done);
}

void MObjectSenderPrivate::verify(MObjectTransfer transfer, Flight flight)
{
    flight.file->close();
    flight.step = Verifying;
    flight.id = newLocalId();
    flight.canceled = std::make_shared<std::atomic_bool>(false);
    const QString path = flight.file->fileName();
    qDebug() << "Checking received file" << path;
    // An empty body leaves no file behind: opened for writing, it is checked as empty.
    hashAside(transfer.identifier(), flight, path, QIODevice::ReadWrite,
              &MObjectSenderPrivate::verificationReady);
    // Keep the announced object with the transfer while it is checked.
    transfer.save();
}

void MObjectSenderPrivate::verificationReady(qint64 transferId, const QString &flightId,
                                             const MChunkedUpload::Hashes &hashes)
{
    Flight done;
    if (!takeFlight(transferId, flightId, &done))
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Running)
        return;
    const QString path = done.file->fileName();
    if (!hashes.complete) {
        postIOError(path, transfer);
        failDownload(transfer, done, Tolvo::LocalIOError, QString());
        return;
    }
    if (!MResumableDownload::isContentHash(done.expectedHash) ||
        QString::fromLatin1(hashes.final) != done.expectedHash) {
        qWarning() << "Downloaded data is corrupt!! " << hashes.final << "!=" << done.expectedHash;
        // Kept, it would be resumed from or checked again and fail the same way.
        QFile::remove(path);
        failDownload(transfer, done, Tolvo::CannotContinue, DataIsCorrupt);
        return;
    }
    qDebug() << "Renaming" << path << "to" << done.destination;
    if (!MResumableDownload::replace(path, done.destination)) {
        postIOError(done.destination, transfer);
        failDownload(transfer, done, Tolvo::LocalIOError, QString());
        return;
    }
    transfer.setTransferredBytes(hashes.size - done.resumeOffset);
    transfer.setTotalTransferredBytes(hashes.size);
    transfer.setTotalBytes(hashes.size);
    transfer.setState(MObjectTransfer::Completed);
    transfer.save();
    finish(transfer);
}

void MObjectSenderPrivate::failDownload(MObjectTransfer transfer, const Flight &flight,
                                        int errorCode, const QString &message)
{
    if (!flight.cache && !flight.file->fileName().isEmpty())
        QFile::remove(flight.file->fileName());
    if (flight.placeholder && QFileInfo(flight.destination).size() == 0)
        QFile::remove(flight.destination);
    if (!message.isEmpty())
        postDownloadError(transfer, errorCode, message);
    fail(transfer, errorCode);
}
