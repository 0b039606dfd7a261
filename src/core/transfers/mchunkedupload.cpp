#include "mchunkedupload.h"

#include "mmd5.h"
#include "tolvo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QUrlQuery>
#include <QtConcurrent>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bounded reads keep memory flat and let a cancel be noticed between blocks; one buffer is
// read into again and again.
constexpr qint64 ReadBlockSize = 1024 * 1024;

QUrl appendPath(const QUrl &apiUrl, const QString &path)
{
    QUrl url(apiUrl);
    url.setPath(QDir::cleanPath(apiUrl.path(QUrl::FullyDecoded) + path), QUrl::DecodedMode);
    return url;
}

QString errorsText(const QVariantMap &reply)
{
    return reply.value(QStringLiteral("errors")).toStringList().join(QStringLiteral(";\n"));
}

} // namespace

namespace {

// One pass over the device: the MD5 of each chunk (none when chunkSize is 0) and, when asked,
// of the whole.
MChunkedUpload::Hashes hashBlocks(QIODevice *device, qint64 chunkSize, bool whole,
                                  const std::atomic_bool *canceled)
{
    MChunkedUpload::Hashes hashes;
    MMd5 wholeHash;
    MMd5 chunk;
    qint64 inChunk = 0;
    QByteArray block(int(ReadBlockSize), Qt::Uninitialized);
    while (!device->atEnd()) {
        if (canceled && canceled->load())
            return hashes;
        const qint64 read = device->read(
            block.data(), chunkSize > 0 ? qMin(ReadBlockSize, chunkSize - inChunk) : ReadBlockSize);
        if (read <= 0)
            return hashes;
        if (whole)
            wholeHash.addData(block.constData(), read);
        hashes.size += read;
        if (chunkSize <= 0)
            continue;
        chunk.addData(block.constData(), read);
        inChunk += read;
        if (inChunk == chunkSize) {
            hashes.chunks.append(QString::fromLatin1(chunk.hexResult()));
            inChunk = 0;
        }
    }
    if (inChunk > 0)
        hashes.chunks.append(QString::fromLatin1(chunk.hexResult()));
    if (whole)
        hashes.final = wholeHash.hexResult();
    hashes.complete = true;
    device->seek(0);
    return hashes;
}

MChunkedUpload::Hashes hashPath(const QString &path, QIODevice::OpenMode mode, qint64 chunkSize,
                                bool whole, const std::atomic_bool *canceled)
{
    const MChunkedUpload::FileStamp stamp = MChunkedUpload::stampOf(path);
    QFile file(path);
    if (!file.open(mode))
        return MChunkedUpload::Hashes();
    MChunkedUpload::Hashes hashes = hashBlocks(&file, chunkSize, whole, canceled);
    hashes.stamp = stamp;
    return hashes;
}

} // namespace

MChunkedUpload::Hashes MChunkedUpload::hashFile(const QString &path, QIODevice::OpenMode mode,
                                                bool chunks, const std::atomic_bool *canceled)
{
    if (!chunks)
        return hashPath(path, mode, 0, true, canceled);
    // MD5 is the slow part: the whole and the chunks are hashed side by side.
    QFuture<Hashes> whole = QtConcurrent::run(hashPath, path, mode, qint64(0), true, canceled);
    Hashes hashes = hashPath(path, mode, ChunkSize, false, canceled);
    // Not started yet, it runs on this thread.
    const Hashes wholeHashes = whole.result();
    if (!hashes.complete || !wholeHashes.complete || wholeHashes.size != hashes.size)
        return Hashes();
    hashes.final = wholeHashes.final;
    // The earlier of the two, so that a change while either read is seen.
    if (wholeHashes.stamp != hashes.stamp)
        hashes.stamp = FileStamp();
    return hashes;
}

MChunkedUpload::Hashes MChunkedUpload::hashOpenFile(int fd, const std::atomic_bool *canceled)
{
    QFile file;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0 || !file.open(copy, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (copy >= 0)
            ::close(copy);
        return Hashes();
    }
    if (!file.seek(0))
        return Hashes();
    return hashBlocks(&file, 0, true, canceled);
}

QPair<QString, QByteArray> MChunkedUpload::readChunk(QIODevice *device, qint64 offset, qint64 size)
{
    if (!device->seek(offset))
        return {};
    const QByteArray bytes = device->read(size);
    return {QString::fromLatin1(MMd5::hexHash(bytes.constData(), bytes.size())), bytes};
}

QByteArray MChunkedUpload::readChunkBytes(const QString &path, int index)
{
    QFile file(path);
    if (index < 0 || !file.open(QIODevice::ReadOnly) || !file.seek(index * ChunkSize))
        return QByteArray();
    return file.read(ChunkSize);
}

MChunkedUpload::FileStamp MChunkedUpload::stampOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return FileStamp();
    FileStamp stamp;
    stamp.size = status.st_size;
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.changedNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return stamp;
}

QUrl MChunkedUpload::syncUrl(const QUrl &apiUrl, const MObjectTransferRequest &request,
                             const QByteArray &finalHash)
{
    const Tolvo::TransferMode mode(request.mode());
    const bool sync = mode.testFlag(Tolvo::SynchronisingUpload);
    const bool force = mode.testFlag(Tolvo::ForceUpload);
    QUrl url =
        appendPath(apiUrl, (sync ? QStringLiteral("/sync/object/") : QStringLiteral("/objects/")) +
                               request.destinationPath());
    QString query;
    if (sync)
        query = QStringLiteral("base_hash=%1&final_hash=%2")
                    .arg(QString::fromLatin1(request.baseHash()), QString::fromLatin1(finalHash));
    if (force)
        query += (query.isEmpty() ? QString() : QStringLiteral("&")) + QStringLiteral("force=true");
    if (!query.isEmpty())
        url.setQuery(query, QUrl::TolerantMode);
    return url;
}

QUrl MChunkedUpload::chunkUrl(const QUrl &apiUrl, const QString &token)
{
    return appendPath(apiUrl, QStringLiteral("/upload/") + token);
}

QUrl MChunkedUpload::commitUrl(const QUrl &apiUrl, const QString &token)
{
    return appendPath(apiUrl, QStringLiteral("/commit/") + token);
}

QUrl MChunkedUpload::metadataUrl(const QUrl &apiUrl, const QString &remotePath)
{
    return appendPath(apiUrl, QStringLiteral("/objects/metadata/") + remotePath);
}

QByteArray MChunkedUpload::commitBody(const QString &filePath, const QByteArray &md5)
{
    QDateTime modified = QFileInfo(filePath).lastModified();
    modified.setOffsetFromUtc(modified.offsetFromUtc());
    const QJsonObject metadata{
        {QStringLiteral("md5"), QString::fromLatin1(md5)},
        {QStringLiteral("last_modified"), modified.toString(Qt::ISODate)},
        {QStringLiteral("content_type"), QMimeDatabase().mimeTypeForFile(filePath).name()}};
    return QJsonDocument(QJsonObject{{QStringLiteral("metadata"), metadata}}).toJson();
}

bool MChunkedUpload::isUnreached(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::ConnectionRefusedError ||
           error == QNetworkReply::HostNotFoundError ||
           error == QNetworkReply::TemporaryNetworkFailureError ||
           error == QNetworkReply::NetworkSessionFailedError;
}

MNotification MChunkedUpload::refusalNotification(int status, const QVariantMap &reply,
                                                  const MObjectTransferRequest &request,
                                                  int *errorCode)
{
    const QString destination = request.destinationPath();
    const bool hasCode = reply.contains(QStringLiteral("error_code"));
    const int serverCode = reply.value(QStringLiteral("error_code")).toInt();
    MNotification note(MNotification::ERROR, QString(), 0);
    note.setAttribute(MNotification::Action, request.action());

    switch (status) {
    case 409: {
        note.setSubtype(3);
        QString message;
        if (!hasCode)
            message = QStringLiteral("A file with name '%1' already exists").arg(destination);
        else if (serverCode == 601)
            message = QStringLiteral("A sync for the same file is already running");
        else if (serverCode == 602)
            message = QStringLiteral("Your local copy is outdated: %1").arg(destination);
        else if (serverCode == 701)
            message = QStringLiteral("This file has already been uploaded successfully");
        else
            message = QStringLiteral("Server error code: %1").arg(serverCode);
        note.setMessage(message);
        note.setAttribute(MNotification::ErrorCode,
                          hasCode ? serverCode : int(Tolvo::RemoteFileExists));
        *errorCode = Tolvo::RemoteFileExists;
        break;
    }
    case 500: {
        QString message;
        // The service failed: what it says about it, not a conflict it never reported.
        if (!hasCode && reply.contains(QStringLiteral("errors")))
            message = QStringLiteral("Server error while transferring '%1': %2")
                          .arg(destination, errorsText(reply));
        else if (!hasCode)
            message = QStringLiteral("Server error while transferring '%1'").arg(destination);
        else if (serverCode == 805)
            message = QStringLiteral("Cannot find expected object '%1'").arg(destination);
        else
            message = QStringLiteral("Server error code %1 while transferring '%2'")
                          .arg(serverCode)
                          .arg(destination);
        note.setMessage(message);
        *errorCode = hasCode ? serverCode : int(Tolvo::TransferStepFailed);
        note.setAttribute(MNotification::ErrorCode, *errorCode);
        break;
    }
    case 404:
        note.setMessage(reply.value(QStringLiteral("errors")).toStringList().value(0));
        *errorCode = Tolvo::RemoteNotFound;
        note.setAttribute(MNotification::ErrorCode, *errorCode);
        break;
    case 400:
        note.setMessage(QStringLiteral("Wrong API request"));
        *errorCode = Tolvo::TransferStepFailed;
        note.setAttribute(MNotification::ErrorCode, *errorCode);
        break;
    default: {
        note.setMessage(QStringLiteral("Unrecognized server error"));
        QString details = QStringLiteral("Server status code: %1").arg(status);
        if (reply.contains(QStringLiteral("errors")))
            details += QLatin1Char(' ') + errorsText(reply);
        note.setAttribute(MNotification::Details, details);
        *errorCode = Tolvo::TransferStepFailed;
        note.setAttribute(MNotification::ErrorCode, *errorCode);
        break;
    }
    }
    return note;
}
