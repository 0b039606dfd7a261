// The engine's half of the chunked upload: sync, missing chunks, commit.
#include "mobjectsender_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mchunkedupload.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "mtransfernotifications.h"
#include "muserauthmanager.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QtConcurrent>

namespace {

const QString TransferIdKey = QStringLiteral("MObjectTransferStateIdentifierKey");

Tolvo::ObjectAction actionOf(const MObjectTransfer &transfer)
{
    return Tolvo::ObjectAction(transfer.transferRequest().action());
}

QString sourceFile(const MObjectTransfer &transfer)
{
    return QDir::cleanPath(transfer.transferRequest().sourcePath());
}

MUserAuthManager *authManager()
{
    return MUserAuthManager::applicationManager();
}

} // namespace

bool MObjectSenderPrivate::startUpload(MObjectTransfer transfer)
{
    const QString path = sourceFile(transfer);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        postUploadIOError(transfer);
        fail(transfer, Tolvo::LocalIOError);
        return false;
    }
    file.close();
    transfer.setState(MObjectTransfer::Running);
    transfer.save();

    // Hashing a large file takes a while: it runs aside so that pause, cancel and replies
    // are handled meanwhile; a canceled run stops between blocks.
    Flight hashing;
    hashing.id = newLocalId();
    hashing.step = Hashing;
    hashing.canceled = std::make_shared<std::atomic_bool>(false);
    hashAside(
        transfer.identifier(), hashing,
        [path](const std::atomic_bool *canceled) {
            return MChunkedUpload::hashFile(path, QIODevice::ReadOnly, true, canceled);
        },
        &MObjectSenderPrivate::hashesReady);
    return true;
}

void MObjectSenderPrivate::hashesReady(qint64 transferId, const QString &flightId,
                                       const MChunkedUpload::Hashes &hashes)
{
    if (!takeFlight(transferId, flightId))
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Running)
        return;
    const QString path = sourceFile(transfer);
    const QByteArray first =
        hashes.complete ? MChunkedUpload::readChunkBytes(path, 0) : QByteArray();
    // The file changed since it was hashed (or while): what would be sent is not what was
    // announced.
    if (!hashes.complete || !hashes.stamp.isValid() || (hashes.size > 0 && first.isEmpty()) ||
        MChunkedUpload::stampOf(path) != hashes.stamp) {
        postUploadIOError(transfer);
        fail(transfer, Tolvo::LocalIOError);
        return;
    }
    uploadStamps.insert(transferId, hashes.stamp);
    transfer.setChunkHashes(hashes.chunks);
    transfer.setFinalHash(hashes.final);
    transfer.setTransferredBytes(0);
    transfer.setTotalTransferredBytes(0);
    transfer.setTotalBytes(hashes.size);
    if (startUploadSync(transfer, first) && hashes.chunks.size() > 1)
        prefetchChunk(transfer, 1);
}

void MObjectSenderPrivate::prefetchChunk(const MObjectTransfer &transfer, int index)
{
    if (!uploadStamps.contains(transfer.identifier()))
        return;
    prefetches.insert(
        transfer.identifier(),
        {index, QtConcurrent::run(MChunkedUpload::readChunkBytes, sourceFile(transfer), index)});
}

QByteArray MObjectSenderPrivate::takePrefetchedChunk(qint64 transferId, int index)
{
    const Prefetch prefetch = prefetches.take(transferId);
    // Read while the previous request was in flight, most of the time done by now.
    if (prefetch.index == index)
        return prefetch.bytes.result();
    return QByteArray();
}

MNetworkRequest MObjectSenderPrivate::createUploadRequest(const QUrl &url,
                                                          MNetworkRequest::RequestMethod method,
                                                          const MObjectTransfer &transfer,
                                                          bool *authenticated)
{
    MUserAuthManager *auth = authManager();
    *authenticated = false;
    if (!auth)
        return MNetworkRequest();
    MNetworkRequest request = auth->createAuthenticatedRequest(url, method, authenticated);
    request.setUserInfo(QVariantMap{{TransferIdKey, transfer.identifier()}});
    return request;
}

void MObjectSenderPrivate::sendUpload(MObjectTransfer transfer, MNetworkRequest request,
                                      const QByteArray &body, Step step, int chunk)
{
    Q_Q(MObjectSender);
    // A body from a device is never sent again behind the engine's back after a dropped
    // connection, unlike a plain one.
    auto *buffer = new QBuffer(q);
    buffer->setData(body);
    buffer->open(QIODevice::ReadOnly);
    request.setUploadDevice(buffer);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    transfer.setState(MObjectTransfer::Running);
    transfer.save();
    Flight sent;
    sent.step = step;
    sent.chunk = chunk;
    sent.body = buffer;
    // Registered before any reply can be handled: both happen on this thread.
    sent.id = jsonRequestManager->sendRequest(request);
    addFlight(transfer.identifier(), sent);
    if (step == Sync)
        emit q->transferStarted(transfer);
}

bool MObjectSenderPrivate::startUploadSync(MObjectTransfer transfer, const QByteArray &firstChunk)
{
    bool authenticated = false;
    MNetworkRequest request = createUploadRequest(
        MChunkedUpload::syncUrl(apiURL, transfer.transferRequest(), transfer.finalHash()),
        MNetworkRequest::Put, transfer, &authenticated);
    if (!authenticated) {
        requeue(transfer, MObjectTransfer::Scheduled);
        return false;
    }
    request.setContentType(QStringLiteral("application/octet-stream"));
    const QStringList hashes = transfer.chunkHashes();
    for (int i = 0; i < hashes.size(); ++i)
        request.setRawHeader(QStringLiteral("Chunk-Hash-%1").arg(i).toLatin1(),
                             hashes.at(i).toLatin1());
    QVariantMap info = request.userInfo().toMap();
    info.insert(ReqActionKey, QStringLiteral("obj_ack"));
    request.setUserInfo(info);
    sendUpload(transfer, request, firstChunk, Sync, 0);
    return true;
}

bool MObjectSenderPrivate::uploadChunk(MObjectTransfer transfer, int index)
{
    const QString token = transfer.sendRequestIdentifier();
    if (token.isEmpty() || index < 0 || index >= transfer.chunkHashes().size()) {
        failUpload(transfer, Tolvo::TransferStepFailed);
        return false;
    }
    bool authenticated = false;
    MNetworkRequest request = createUploadRequest(MChunkedUpload::chunkUrl(apiURL, token),
                                                  MNetworkRequest::Put, transfer, &authenticated);
    if (!authenticated) {
        requeue(transfer, MObjectTransfer::Idle);
        return false;
    }
    const QString path = sourceFile(transfer);
    const QString hash = transfer.chunkHashes().at(index);
    QByteArray bytes;
    const auto stamp = uploadStamps.constFind(transfer.identifier());
    if (stamp != uploadStamps.constEnd()) {
        // Hashed in this run: the file unchanged since, its chunk is what the hash says.
        bytes = takePrefetchedChunk(transfer.identifier(), index);
        if (bytes.isEmpty())
            bytes = MChunkedUpload::readChunkBytes(path, index);
        if (MChunkedUpload::stampOf(path) != *stamp)
            bytes.clear();
    } else {
        // Hashed by an earlier run: only the chunk's own hash tells it is still the same.
        QFile file(path);
        const QPair<QString, QByteArray> chunk =
            file.open(QIODevice::ReadOnly)
                ? MChunkedUpload::readChunk(&file, index * MChunkedUpload::ChunkSize,
                                            MChunkedUpload::ChunkSize)
                : QPair<QString, QByteArray>();
        if (chunk.first == hash)
            bytes = chunk.second;
    }
    if (bytes.isEmpty()) {
        postUploadIOError(transfer);
        fail(transfer, Tolvo::LocalIOError);
        return false;
    }
    request.setContentType(QStringLiteral("application/octet-stream"));
    request.setRawHeader("Chunk-Hash", hash.toLatin1());
    sendUpload(transfer, request, bytes, Chunk, index);
    // The next missing chunk is read while this one goes out.
    const QVector<int> missing = transfer.missingChunks();
    const int next = missing.indexOf(index) + 1;
    if (next > 0 && next < missing.size())
        prefetchChunk(transfer, missing.at(next));
    return true;
}

bool MObjectSenderPrivate::commitUpload(MObjectTransfer transfer)
{
    const QString token = transfer.sendRequestIdentifier();
    if (token.isEmpty()) {
        failUpload(transfer, Tolvo::TransferStepFailed);
        return false;
    }
    bool authenticated = false;
    MNetworkRequest request = createUploadRequest(MChunkedUpload::commitUrl(apiURL, token),
                                                  MNetworkRequest::Post, transfer, &authenticated);
    if (!authenticated) {
        requeue(transfer, MObjectTransfer::Idle);
        return false;
    }
    const QString path = sourceFile(transfer);
    if (!QFile::exists(path)) {
        postUploadIOError(transfer);
        fail(transfer, Tolvo::LocalIOError);
        return false;
    }
    request.setContentType(QStringLiteral("application/json"));
    // The hash announced at the sync: the service checks the assembled file against it.
    sendUpload(transfer, request, MChunkedUpload::commitBody(path, transfer.finalHash()), Commit,
               -1);
    return true;
}

void MObjectSenderPrivate::postUploadIOError(const MObjectTransfer &transfer)
{
    MTransferNotifications::postIOErrorNotification(
        actionOf(transfer), transfer.transferRequest().sourcePath(), transfer);
}

void MObjectSenderPrivate::failUpload(MObjectTransfer transfer, int errorCode,
                                      const QString &details)
{
    MNotification note(MNotification::ERROR, QStringLiteral("Unrecognized server error"), 0);
    note.setAttribute(MNotification::ErrorCode, errorCode);
    note.setAttribute(MNotification::Transfer, QVariant::fromValue(transfer));
    if (!details.isEmpty())
        note.setAttribute(MNotification::Details, details);
    if (MNotificationManager *notifications = MNotificationManager::instance())
        notifications->post(note);
    fail(transfer, errorCode);
}

void MObjectSenderPrivate::objectArrivedForRequest(const QVariant &replyObject,
                                                   const MNetworkRequest &request,
                                                   const MNetworkReply &networkReply)
{
    const qint64 transferId = transferIdOf(request);
    Flight done;
    if (!takeFlight(transferId, request.requestId(), &done))
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() != MObjectTransfer::Running)
        return;
    const QVariantMap reply = replyObject.toMap();
    const int status = networkReply.statusCode();

    if (done.step == CommitCheck && status != 401) {
        commitCheckArrived(transfer, done, status, reply);
        return;
    }
    if (status == 0 && MChunkedUpload::isUnreached(networkReply.error())) {
        // Nothing reached the service: the step waits for it and is sent again then. Nothing
        // failed that the window should report.
        waitForService(transfer,
                       done.step == Sync ? MObjectTransfer::Scheduled : MObjectTransfer::Idle);
        return;
    }
    serviceRetryDelay = 0;
    if (status == 401) {
        // The token expired meanwhile: the step is sent again after the next sign-in.
        if (MUserAuthManager *auth = authManager())
            auth->refresh();
        requeue(transfer, done.step == Sync ? MObjectTransfer::Scheduled : MObjectTransfer::Idle);
        return;
    }
    if (status == 200 && done.step != Commit) {
        const QString token = reply.value(QStringLiteral("token")).toString();
        transfer.setSendRequestIdentifier(token);
        if (transfer.sendRequestIdentifier().isEmpty()) {
            failUpload(transfer, Tolvo::TransferStepFailed,
                       QStringLiteral("Server status code: %1").arg(status));
            return;
        }
        if (done.step == Sync) {
            const QStringList missing =
                reply.value(QStringLiteral("missing_chunks")).toStringList();
            QVector<int> indexes;
            for (const QString &hash : missing) {
                const int index = transfer.chunkHashes().indexOf(hash);
                // A chunk the file does not have cannot be sent.
                if (index < 0) {
                    failUpload(transfer, Tolvo::TransferStepFailed,
                               QStringLiteral("Server status code: %1").arg(status));
                    return;
                }
                indexes.append(index);
            }
            transfer.setMissingChunkHashes(missing);
            transfer.setMissingChunks(indexes);
            transfer.setLastUploadedChunk(0);
        } else {
            QVector<int> missing = transfer.missingChunks();
            missing.removeOne(done.chunk);
            transfer.setMissingChunks(missing);
            transfer.setLastUploadedChunk(done.chunk);
        }
        transfer.setState(MObjectTransfer::Idle);
        transfer.save();
        return;
    }
    if (status == 200) {
        completeUpload(transfer, MStorageObject(reply.value(QStringLiteral("object")).toMap()));
        return;
    }
    // The service committed before the reply could be recorded (the client was stopped in
    // between), so a resumed commit finds no open upload: the object may be there already.
    if (status == 404 && done.step == Commit && checkCommittedObject(transfer, reply))
        return;
    uploadRefused(transfer, status, reply, networkReply);
}

void MObjectSenderPrivate::completeUpload(MObjectTransfer transfer, const MStorageObject &object)
{
    transfer.setState(MObjectTransfer::Completed);
    transfer.setStorageObject(object);
    transfer.setTotalTransferredBytes(transfer.totalBytes());
    transfer.save();
    finish(transfer);
}

bool MObjectSenderPrivate::checkCommittedObject(MObjectTransfer transfer,
                                                const QVariantMap &refusal)
{
    bool authenticated = false;
    MNetworkRequest request = createUploadRequest(
        MChunkedUpload::metadataUrl(apiURL, transfer.transferRequest().destinationPath()),
        MNetworkRequest::Get, transfer, &authenticated);
    if (!authenticated)
        return false;
    Flight check;
    check.step = CommitCheck;
    check.refusal = refusal;
    check.id = jsonRequestManager->sendRequest(request);
    addFlight(transfer.identifier(), check);
    return true;
}

void MObjectSenderPrivate::commitCheckArrived(MObjectTransfer transfer, const Flight &check,
                                              int status, const QVariantMap &reply)
{
    const MStorageObject object(reply.value(QStringLiteral("object")).toMap());
    if (status == 200 && object.isValid() && !transfer.finalHash().isEmpty() &&
        object.contentHash().compare(QString::fromLatin1(transfer.finalHash()),
                                     Qt::CaseInsensitive) == 0) {
        qCDebug(lcCoreTransfers) << "Upload of" << transfer.transferRequest().destinationPath()
                                 << "was committed before it was stopped";
        completeUpload(transfer, object);
        return;
    }
    if (status != 200 && status != 404) {
        // Not known either way: the commit is tried again later.
        failUpload(transfer, Tolvo::TransferStepFailed,
                   QStringLiteral("Server status code: %1").arg(status));
        return;
    }
    uploadRefused(transfer, 404, check.refusal, MNetworkReply());
}

void MObjectSenderPrivate::uploadRefused(MObjectTransfer transfer, int status,
                                         const QVariantMap &reply,
                                         const MNetworkReply &networkReply)
{
    MNotificationManager *notifications = MNotificationManager::instance();
    if (status == 507) {
        MTransferNotifications::postSpaceQuotaExceededError(actionOf(transfer), transfer);
        fail(transfer, Tolvo::QuotaExceeded);
        return;
    }
    if (status == 400)
        qCWarning(lcCoreTransfers)
            << "Reply:" << networkReply << "Server received wrong parameters!!";
    else if (status != 409 && status != 500 && status != 404)
        qCDebug(lcCoreTransfers) << "Unknown error" << status;
    int errorCode = Tolvo::TransferStepFailed;
    MNotification note =
        MChunkedUpload::refusalNotification(status, reply, transfer.transferRequest(), &errorCode);
    note.setAttribute(MNotification::Transfer, QVariant::fromValue(transfer));
    if (notifications)
        notifications->post(note);
    if (status == 404) {
        // The service no longer knows the upload: there is nothing to go on with.
        transfer.setState(MObjectTransfer::Error);
        transfer.setErrorCode(errorCode);
        transfer.remove();
        finish(transfer);
        return;
    }
    fail(transfer, errorCode);
}

void MObjectSenderPrivate::decodeErrorForRequest(const MNetworkRequest &request)
{
    const qint64 transferId = transferIdOf(request);
    if (!takeFlight(transferId, request.requestId()))
        return;
    const MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (transfer.state() == MObjectTransfer::Running)
        failUpload(transfer, Tolvo::TransferStepFailed);
}

void MObjectSenderPrivate::uploadProgressSlot(const MNetworkRequest &request, qint64 bytesSent,
                                              qint64 bytesTotal)
{
    const qint64 transferId = transferIdOf(request);
    const Flight current = flight(transferId);
    if (current.id != request.requestId())
        return;
    noteActivity(current);
    if (current.step == Commit)
        return;
    MObjectTransfer transfer = MObjectTransfer::fromIdentifier(transferId);
    if (!transfer.isValid()) {
        qCWarning(lcCoreTransfers)
            << "MObjectSenderPrivate::uploadProgressSlot invalid transfer state!!!";
        return;
    }
    if (transfer.state() != MObjectTransfer::Running)
        return;
    const qint64 transferred =
        qMin(transfer.totalTransferredBytes() + bytesSent, transfer.totalBytes());
    transfer.setTransferredBytes(transferred);
    if (bytesTotal != 0 && bytesSent == bytesTotal)
        transfer.setTotalTransferredBytes(transferred);
    transfer.save();
    emit q_func()->transferProgressed(transfer);
}

void MObjectSenderPrivate::answerProgressed(const MNetworkRequest &request)
{
    const Flight current = flight(transferIdOf(request));
    if (current.id == request.requestId())
        noteActivity(current);
}
