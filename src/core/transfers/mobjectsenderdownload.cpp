// The engine's half of the resumable download: bytes go to a partial file, which replaces the
// destination only once its MD5 matches the one the service announced.
#include "mobjectsender_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mconfinedfolder.h"
#include "mfilenames.h"
#include "mheldfile.h"
#include "mnetworkrequestmanager.h"
#include "mnotificationmanager.h"
#include "mresumabledownload.h"
#include "mtransfernotifications.h"
#include "muserauthmanager.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStorageInfo>

#include <utility>

#include <fcntl.h>

namespace {

const QString TransferIdKey = QStringLiteral("MObjectTransferStateIdentifierKey");

// Holds scratch files only: a link or a file found where one of its folders belongs is removed.
MConfinedFolder tempFolder()
{
    TolvoProcess *app = TolvoProcess::instance();
    return MConfinedFolder(app ? app->tempPath() : QDir::tempPath(),
                           MConfinedFolder::RemoveIntruders);
}

// The cache is the program's own: a link planted in it never takes a download elsewhere.
MConfinedFolder cacheFolder()
{
    TolvoProcess *app = TolvoProcess::instance();
    return MConfinedFolder(app ? app->cachePath() : QString());
}

MStorageObject objectFromHeader(const MNetworkReply &reply)
{
    const QByteArray header = reply.header("x-kerlo-metadata");
    if (header.isEmpty())
        return MStorageObject();
    return MStorageObject(QJsonDocument::fromJson(header).toVariant().toMap());
}

void postDownloadNote(const MObjectTransfer &transfer, int errorCode, const QString &text)
{
    MNotification note(MNotification::ERROR, text, 0);
    note.setAttribute(MNotification::TransferRequest,
                      QVariant::fromValue(transfer.transferRequest()));
    note.setAttribute(MNotification::ErrorCode, errorCode);
    note.setAttribute(MNotification::Action, int(Tolvo::DownloadObject));
    if (MNotificationManager *notifications = MNotificationManager::instance())
        notifications->post(note);
}

void postDownloadError(const MObjectTransfer &transfer, int errorCode, const QString &message)
{
    postDownloadNote(transfer, errorCode, message.arg(transfer.transferRequest().sourcePath()));
}

// Whether the disk holding folder has less room than a write of bytes needed (a block's worth at
// least): why a write there just failed.
bool lacksRoom(const QString &folder, qint64 bytes)
{
    const QStorageInfo disk(folder);
    return disk.isValid() && disk.bytesAvailable() < qMax<qint64>(bytes, MStreamHasher::BlockSize);
}

void postIOError(const QString &path, const MObjectTransfer &transfer)
{
    MTransferNotifications::postIOErrorNotification(Tolvo::DownloadObject, path, transfer);
}

// Enough for the network thread to keep a fast loopback busy, and all the body it may hold.
constexpr qint64 DownloadReadBufferSize = 4 * 1024 * 1024;
// Progress is saved (and told) when this much more arrived or this long passed: a row
// written at every signal cost more than the hash.
constexpr qint64 ProgressSaveBytes = 4 * 1024 * 1024;
constexpr qint64 ProgressSaveInterval = 1000;

const QString UnableToDownload = QStringLiteral("Unable to download file %1");
const QString DataIsCorrupt = QStringLiteral("Unable to download file %1: data is corrupt");
const QString FoundIntruder =
    QStringLiteral("Unable to download file %1: a link or a file that is not Lumarin's own was "
                   "found in its data folder, so nothing was written there.");

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
    const MConfinedFolder cache = cacheFolder();
    if (cache.contains(download.destination) && cache.reachesThroughLink(download.destination)) {
        qCWarning(lcCoreTransfers)
            << "Not downloading through a link in the cache:" << download.destination;
        postDownloadError(transfer, Tolvo::LocalIOError, FoundIntruder);
        fail(transfer, Tolvo::LocalIOError);
        return false;
    }

    bool authenticated = false;
    MUserAuthManager *auth = MUserAuthManager::applicationManager();
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
    if (Tolvo::TransferMode(request.mode()).testFlag(Tolvo::MakeParentDirectories)) {
        const QString folder = QFileInfo(download.destination).absolutePath();
        if (cache.contains(folder))
            cache.makeFolders(folder);
        else
            QDir().mkpath(folder);
    }

    transfer.setResumeOffset(0);
    transfer.setTransferredBytes(0);
    transfer.setTotalTransferredBytes(0);
    transfer.setTotalBytes(0);

    const MConfinedFolder temp = tempFolder();
    const QString localPath = MResumableDownload::partialPath(temp, transfer.identifier());
    download.partial = localPath;
    if (download.cache) {
        const MStorageObject object = request.storageObject();
        const QString parked = MResumableDownload::downloadPath(temp, object);
        if (parked.isEmpty()) {
            postDownloadError(transfer, Tolvo::CannotContinue, DataIsCorrupt);
            fail(transfer, Tolvo::CannotContinue);
            return false;
        }
        // What an earlier download of these bytes left behind, unless this one has its own.
        MResumableDownload::adopt(temp, parked, localPath);
        download.expectedHash = object.contentHash().toLower();
        const qint64 size = object.size();
        // Anything but a file of bytes already received is started over.
        const qint64 partial = qMax<qint64>(0, temp.fileSize(localPath));
        transfer.setTotalBytes(size);
        if (size > 0 && partial == size)
            download.held = temp.holdFile(localPath, O_RDWR);
        if (download.held.isValid()) {
            // A crash after the last byte: only the check is left to do.
            download.file = std::make_shared<QFile>();
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
        }
    } else {
        const bool exists = QFileInfo::exists(download.destination);
        const int strategy = request.overwriteStrategy();
        if (strategy == Tolvo::RefuseExisting && exists) {
            MTransferNotifications::postFileExistsErrorNotification(Tolvo::DownloadObject, request);
            fail(transfer, Tolvo::LocalFileExists);
            return false;
        }
        if (strategy == Tolvo::PickFreeName) {
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
            request.setOverwriteStrategy(Tolvo::TruncateExisting);
            transfer.setTransferRequest(request);
        }
    }

    // Kept up to where the request asks from: a longer file would leave stale bytes behind.
    // A file started over is made anew and one of the right size left alone: on ext4 a file
    // truncated to 0, even an empty one, writes out every page it has at its last close.
    if (download.resumeOffset == 0)
        temp.remove(localPath);
    download.file = std::make_shared<QFile>();
    download.held = MResumableDownload::openPartial(temp, localPath, download.file.get());
    if (!download.held.isValid() ||
        (download.file->size() != download.resumeOffset &&
         !download.file->resize(download.resumeOffset)) ||
        !download.file->seek(download.resumeOffset)) {
        postIOError(download.destination, transfer);
        if (download.placeholder)
            QFile::remove(download.destination);
        fail(transfer, Tolvo::LocalIOError);
        return false;
    }
    download.received = std::make_shared<Received>();
    download.received->written = download.resumeOffset;
    transfer.setState(MObjectTransfer::Running);
    transfer.save();
    networkRequest.setBodyReadByCaller(true);
    QNetworkReply *reply = networkRequestManager->submitRequest(networkRequest, &download.id, true);
    // The network thread reads no further ahead of the file than this.
    reply->setReadBufferSize(DownloadReadBufferSize);
    download.received->reply = reply;
    const qint64 transferId = transfer.identifier();
    const QString flightId = download.id;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, q,
                     [this, transferId, flightId, reply] {
                         downloadHeadersArrived(transferId, flightId, reply);
                     });
    QObject::connect(reply, &QNetworkReply::readyRead, q,
                     [this, transferId, flightId] { readDownload(transferId, flightId); });
    addFlight(transferId, download);
    emit q->transferStarted(transfer);
    return true;
}

void MObjectSenderPrivate::downloadHeadersArrived(qint64 transferId, const QString &flightId,
                                                  QNetworkReply *reply)
{
    const Flight current = flight(transferId);
    if (current.id != flightId || !current.received)
        return;
    Received &received = *current.received;
    if (received.headers) {
        // Qt sends a GET again by itself when its connection ends in the middle of a body,
        // and hands the new body over after what already arrived, with no mark between them.
        // What was written is sound: the download ends there, as cut, and resumes from it.
        qCWarning(lcCoreTransfers)
            << "Download of transfer" << transferId << "was restarted by the network layer"
            << "after" << received.written << "bytes; it stops there";
        downloadInterrupted(transferId, flightId);
        return;
    }
    received.headers = true;
    noteActivity(current);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200 && status != 206) {
        // Its body is an explanation, not the file; the finish reports the refusal.
        received.refused = true;
        return;
    }
    qint64 start = 0;
    qint64 end = -1;
    if (status == 206) {
        // "bytes first-last/size"
        static const QRegularExpression range(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+|\\*)$"));
        const QRegularExpressionMatch match =
            range.match(QString::fromLatin1(reply->rawHeader("Content-Range").trimmed()));
        start = match.hasMatch() ? match.captured(1).toLongLong() : -1;
        end = match.hasMatch() ? match.captured(2).toLongLong() + 1 : -1;
    } else {
        bool known = false;
        const qint64 length =
            reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        end = known ? length : -1;
    }
    // A part that does not follow on from the bytes kept cannot be put together with them.
    if (start < 0 || start > current.resumeOffset || end < start) {
        qCWarning(lcCoreTransfers) << "Download of transfer" << transferId
                                   << "got an unusable range" << reply->rawHeader("Content-Range");
        Flight done;
        if (!takeFlight(transferId, flightId, &done))
            return;
        networkRequestManager->cancelRequest(done.id);
        tempFolder().remove(done.partial);
        const MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
        if (transfer.state() == MObjectTransfer::Running)
            failDownload(transfer, done, Tolvo::TransferStepFailed, UnableToDownload);
        return;
    }
    // A whole body where a range was asked for starts the file over.
    if (start != received.written && (!current.file->resize(start) || !current.file->seek(start))) {
        Flight done;
        if (!takeFlight(transferId, flightId, &done))
            return;
        networkRequestManager->cancelRequest(done.id);
        const MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
        postIOError(done.destination, transfer);
        failDownload(transfer, done, Tolvo::LocalIOError, QString());
        return;
    }
    received.start = start;
    received.end = end;
    received.written = start;
    received.hasher.reset(start == 0 ? new MStreamHasher : nullptr);
    // Bytes that came with the headers are read now.
    readDownload(transferId, flightId);
}

void MObjectSenderPrivate::failStalledDownload(const MObjectTransfer &transfer,
                                               const Flight &stalled)
{
    networkRequestManager->cancelRequest(stalled.id);
    // A cache download keeps its bytes for a later range, as after a dropped connection.
    if (transfer.state() == MObjectTransfer::Running)
        failDownload(transfer, stalled, Tolvo::TransferStepFailed, UnableToDownload);
}

void MObjectSenderPrivate::downloadInterrupted(qint64 transferId, const QString &flightId)
{
    Flight done;
    if (!takeFlight(transferId, flightId, &done))
        return;
    networkRequestManager->cancelRequest(done.id);
    const MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() == MObjectTransfer::Running)
        failDownload(transfer, done, Tolvo::TransferStepFailed, UnableToDownload);
}

bool MObjectSenderPrivate::readDownload(qint64 transferId, const QString &flightId)
{
    const Flight current = flight(transferId);
    if (current.id != flightId || !current.received)
        return false;
    Received &received = *current.received;
    QNetworkReply *reply = received.reply;
    // Before its headers a body cannot be placed; it waits in the reply until they come.
    if (!reply || !received.headers)
        return true;
    noteActivity(current);
    if (received.refused) {
        // An explanation, not the file: the finish reports the refusal.
        reply->readAll();
        return true;
    }
    while (reply->bytesAvailable() > 0) {
        if (received.block.isEmpty()) {
            received.block = received.hasher
                                 ? received.hasher->takeBlock()
                                 : QByteArray(MStreamHasher::BlockSize, Qt::Uninitialized);
            received.filled = 0;
        }
        const qint64 read = reply->read(received.block.data() + received.filled,
                                        received.block.size() - received.filled);
        if (read <= 0)
            break;
        received.filled += int(read);
        if (received.filled == received.block.size() && !flushDownloadBlock(transferId, current))
            return false;
    }
    return true;
}

bool MObjectSenderPrivate::flushDownloadBlock(qint64 transferId, const Flight &current)
{
    Received &received = *current.received;
    if (received.filled == 0)
        return true;
    if (current.file->write(received.block.constData(), received.filled) == received.filled) {
        received.written += received.filled;
        // The hasher hands the block back through takeBlock() once it is done with it;
        // without one, the block is simply filled again.
        if (received.hasher)
            received.hasher->addBlock(std::exchange(received.block, QByteArray()), received.filled);
        received.filled = 0;
        return true;
    }
    abortFlight(transferId);
    failWriting(MObjectTransfer::fromIdentifier(transferId), current,
                QFileInfo(current.partial).path(), received.filled);
    return false;
}

void MObjectSenderPrivate::downloadProgressSlot(const MNetworkRequest &request,
                                                const MNetworkReply &reply, qint64, qint64)
{
    const qint64 transferId = transferIdOf(request);
    const Flight current = flight(transferId);
    if (current.id != request.requestId() || !current.received || !current.received->headers ||
        current.received->refused)
        return;
    Received &throttle = *current.received;
    if (throttle.savedBytes >= 0 && throttle.written - throttle.savedBytes < ProgressSaveBytes &&
        !throttle.sinceSave.hasExpired(ProgressSaveInterval))
        return;
    throttle.savedBytes = throttle.written;
    throttle.sinceSave.start();
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (!transfer.isValid()) {
        qCWarning(lcCoreTransfers)
            << "MObjectSenderPrivate::downloadProgressSlot invalid transfer state!!!";
        return;
    }
    if (transfer.state() != MObjectTransfer::Running)
        return;
    if (!transfer.storageObject().isValid())
        transfer.setStorageObject(objectFromHeader(reply));
    // Counted from the file: Qt's own count goes on across a body it started over.
    const Received &received = *current.received;
    transfer.setResumeOffset(received.start);
    transfer.setTransferredBytes(received.written - received.start);
    transfer.setTotalTransferredBytes(received.written);
    transfer.setTotalBytes(received.end >= 0 ? received.end : transfer.storageObject().size());
    transfer.save();
    emit q_func()->transferProgressed(transfer);
}

void MObjectSenderPrivate::downloadFinished(const MNetworkRequest &request,
                                            const MNetworkReply &reply)
{
    qCDebug(lcCoreTransfers) << "MObjectSenderPrivate::downloadFinished: user info:"
                             << request.userInfo();
    const qint64 transferId = transferIdOf(request);
    // The rest of the body, and what waits in the block, goes to the file first.
    if (!readDownload(transferId, request.requestId()))
        return;
    {
        const Flight current = flight(transferId);
        if (current.id == request.requestId() && current.received && current.received->headers &&
            !current.received->refused && !flushDownloadBlock(transferId, current))
            return;
    }
    Flight done;
    if (!takeFlight(transferId, request.requestId(), &done))
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Running)
        return;
    const int status = reply.statusCode();
    const Received &received = *done.received;
    if (status == 401) {
        // The token expired while the request waited: it is refreshed and the download starts
        // again after the next sign-in; a cache download goes on from the bytes it kept.
        done.file->close();
        MUserAuthManager *auth = MUserAuthManager::applicationManager();
        if (auth)
            auth->refresh();
        requeue(transfer, MObjectTransfer::Scheduled);
        return;
    }
    // A body cut short carries the status of its headers: it is interrupted, not complete.
    if ((status != 200 && status != 206) || reply.error() != QNetworkReply::NoError ||
        !received.headers) {
        qCWarning(lcCoreTransfers) << "Download failed. Error code:" << status << reply.error();
        // A cache download keeps what it has for a later range; a refused range starts over.
        if (!done.cache || status == 416)
            tempFolder().remove(done.partial);
        failDownload(transfer, done, Tolvo::TransferStepFailed, UnableToDownload);
        return;
    }
    // Qt may also end a reply whose connection closed early as if it were complete.
    if (received.end >= 0 && received.written != received.end) {
        qCWarning(lcCoreTransfers)
            << "Download ended after" << received.written << "bytes of" << received.end;
        if (received.written > received.end)
            tempFolder().remove(done.partial);
        failDownload(transfer, done, Tolvo::TransferStepFailed, UnableToDownload);
        return;
    }
    // Closing the file wrote out the last bytes: a full disk shows here.
    if (done.file->error() != QFileDevice::NoError) {
        failWriting(transfer, done, QFileInfo(done.partial).path(), 0);
        return;
    }
    const MStorageObject announced = objectFromHeader(reply);
    if (announced.isValid())
        transfer.setStorageObject(announced);
    if (!done.cache)
        done.expectedHash = announced.contentHash().toLower();
    if (!received.hasher) {
        verify(transfer, done);
        return;
    }
    // The whole file went through the hash as it was written: nothing to read again.
    MChunkedUpload::Hashes hashes;
    hashes.final = received.hasher->result();
    hashes.size = received.written;
    hashes.complete = true;
    completeDownload(transfer, done, hashes);
}

void MObjectSenderPrivate::verify(MObjectTransfer transfer, Flight flight)
{
    flight.file->close();
    flight.step = Verifying;
    flight.id = newLocalId();
    flight.canceled = std::make_shared<std::atomic_bool>(false);
    qCDebug(lcCoreTransfers) << "Checking received file" << flight.partial;
    // The bytes written, whatever has been put at the file's path since.
    const MHeldFile held = flight.held;
    hashAside(
        transfer.identifier(), flight,
        [held](const std::atomic_bool *canceled) {
            return MChunkedUpload::hashOpenFile(held.handle(), canceled);
        },
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
    const MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Running)
        return;
    completeDownload(transfer, done, hashes);
}

void MObjectSenderPrivate::completeDownload(MObjectTransfer transfer, const Flight &done,
                                            const MChunkedUpload::Hashes &hashes)
{
    const QString path = done.partial;
    if (!hashes.complete) {
        postIOError(path, transfer);
        failDownload(transfer, done, Tolvo::LocalIOError, QString());
        return;
    }
    if (!MResumableDownload::isContentHash(done.expectedHash) ||
        QString::fromLatin1(hashes.final) != done.expectedHash) {
        qCWarning(lcCoreTransfers)
            << "Downloaded data is corrupt!! " << hashes.final << "!=" << done.expectedHash;
        // Kept, it would be resumed from or checked again and fail the same way.
        tempFolder().remove(path);
        failDownload(transfer, done, Tolvo::CannotContinue, DataIsCorrupt);
        return;
    }
    // A header announcing other content than the one checked does not describe this file: the
    // cache must index what was verified, or the unchanged copy reads as an edit later.
    if (done.cache && transfer.storageObject().contentHash().toLower() != done.expectedHash)
        transfer.setStorageObject(transfer.transferRequest().storageObject());
    qCDebug(lcCoreTransfers) << "Renaming" << path << "to" << done.destination;
    const MConfinedFolder cache = cacheFolder();
    if (cache.contains(done.destination)
            ? !cache.moveInto(done.held, done.destination)
            : !MResumableDownload::replace(done.held, done.destination)) {
        // The checked file is no longer the one at its path: nothing is moved in its stead.
        if (!done.held.isInPlace()) {
            qCWarning(lcCoreTransfers)
                << "The partial file" << path << "was replaced or linked to during the download";
            failDownload(transfer, done, Tolvo::LocalIOError, FoundIntruder);
            return;
        }
        // Onto another disk the file is copied, which needs room for all of it.
        failWriting(transfer, done, QFileInfo(done.destination).path(), hashes.size);
        return;
    }
    transfer.setTransferredBytes(hashes.size - done.resumeOffset);
    transfer.setTotalTransferredBytes(hashes.size);
    transfer.setTotalBytes(hashes.size);
    transfer.setState(MObjectTransfer::Completed);
    transfer.save();
    finish(transfer);
}

void MObjectSenderPrivate::releasePartial(const MObjectTransfer &transfer)
{
    const MObjectTransferRequest request = transfer.transferRequest();
    const MConfinedFolder temp = tempFolder();
    const QString own = MResumableDownload::partialPath(temp, transfer.identifier());
    // A cache download's bytes wait for the next download of the same content.
    if (request.action() == Tolvo::DownloadToCache)
        MResumableDownload::park(temp, own,
                                 MResumableDownload::downloadPath(temp, request.storageObject()));
    else
        temp.remove(own);
}

void MObjectSenderPrivate::failWriting(MObjectTransfer transfer, const Flight &flight,
                                       const QString &folder, qint64 bytes)
{
    if (!lacksRoom(folder, bytes)) {
        postIOError(flight.destination, transfer);
        failDownload(transfer, flight, Tolvo::LocalIOError, QString());
        return;
    }
    qCWarning(lcCoreTransfers) << "No room left on the disk holding" << folder;
    // Kept for a later range, the bytes would hold on to the room the user has to make: they
    // go, and the download starts over when asked again.
    if (flight.file)
        flight.file->close();
    tempFolder().remove(flight.partial);
    const QString text =
        QStringLiteral("Unable to download file %1: the disk holding '%2' is full. Free some "
                       "space there, then download the file again.")
            .arg(transfer.transferRequest().sourcePath(), folder);
    transfer.setErrors({MObjectError(Tolvo::LocalDiskFull, text, folder, QStringLiteral("download"),
                                     QList<QVariant>())});
    postDownloadNote(transfer, Tolvo::LocalDiskFull, text);
    failDownload(transfer, flight, Tolvo::LocalDiskFull, QString());
}

void MObjectSenderPrivate::failDownload(MObjectTransfer transfer, const Flight &flight,
                                        int errorCode, const QString &message)
{
    if (flight.file)
        flight.file->close();
    releasePartial(transfer);
    if (flight.placeholder && QFileInfo(flight.destination).size() == 0)
        QFile::remove(flight.destination);
    if (!message.isEmpty())
        postDownloadError(transfer, errorCode, message);
    fail(transfer, errorCode);
}
