#include "uploadstore.h"

#include "secrets.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>

#include <cstdio>

namespace {

constexpr int tokenBytes = 16;
// Files are copied through a buffer of this size, so that no file sits in memory.
constexpr qint64 copyBlock = 1 << 20;

} // namespace

UploadStore::UploadStore(const QString &dataPath)
    : uploadsPath(QDir(dataPath).filePath(QStringLiteral("uploads")))
    , chunksPath(QDir(dataPath).filePath(QStringLiteral("chunks")))
    , chunks(chunksPath)
{}

QString UploadStore::sessionPath(const QString &token) const
{
    // Tokens are ours (hex), never a client's text.
    return QDir(uploadsPath).filePath(token + QLatin1String(".json"));
}

bool UploadStore::load(QString *error)
{
    if (!QDir().mkpath(uploadsPath)) {
        *error = QStringLiteral("cannot make %1").arg(uploadsPath);
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex);
    const QStringList files = QDir(uploadsPath).entryList({QStringLiteral("*.json")}, QDir::Files);
    for (const QString &name : files) {
        QFile file(QDir(uploadsPath).filePath(name));
        const std::optional<UploadSession> session =
            file.open(QIODevice::ReadOnly)
                ? UploadSession::fromJson(QJsonDocument::fromJson(file.readAll()).object())
                : std::nullopt;
        if (!session || sessionPath(session->token) != file.fileName()) {
            *error = QStringLiteral("%1 is damaged").arg(file.fileName());
            return false;
        }
        sessions.emplace(session->token, *session);
    }
    return true;
}

bool UploadStore::save(const UploadSession &session) const
{
    QSaveFile file(sessionPath(session.token));
    if (file.open(QIODevice::WriteOnly) &&
        file.write(QJsonDocument(session.toJson()).toJson(QJsonDocument::Compact)) >= 0 &&
        file.commit())
        return true;
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(file.fileName()),
                 qPrintable(file.errorString()));
    return false;
}

StoreError UploadStore::putChunk(const QString &hash, const QByteArray &bytes)
{
    if (QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex() != hash.toLatin1())
        return {400, QStringLiteral("The chunk does not match its hash %1").arg(hash)};
    if (chunks.put(bytes).isEmpty())
        return {500, QStringLiteral("The chunk could not be stored")};
    return {};
}

QStringList UploadStore::missingChunks(const UploadSession &session) const
{
    QStringList missing;
    QSet<QString> seen;
    for (const QString &hash : session.chunkHashes) {
        if (!seen.contains(hash) && !chunks.contains(hash))
            missing.append(hash);
        seen.insert(hash);
    }
    return missing;
}

void UploadStore::dropExpired(qint64 now)
{
    for (auto it = sessions.begin(); it != sessions.end();) {
        if (it->second.isExpired(now)) {
            QFile::remove(sessionPath(it->first));
            it = sessions.erase(it);
        } else {
            ++it;
        }
    }
}

StoreError UploadStore::open(UploadSession *session)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    dropExpired(now);
    for (const auto &open : sessions) {
        if (open.second.userId == session->userId && open.second.path == session->path)
            return {409, QStringLiteral("An upload to '%1' is already open").arg(session->path),
                    601};
    }
    session->token = Secrets::randomHex(tokenBytes);
    session->lastUsed = now;
    if (!save(*session))
        return {500, QStringLiteral("The upload could not be stored")};
    sessions.emplace(session->token, *session);
    return {};
}

std::optional<UploadSession> UploadStore::use(const QString &token, qint64 userId)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    dropExpired(now);
    const auto found = sessions.find(token);
    if (found == sessions.end() || found->second.userId != userId)
        return std::nullopt;
    // Only the expiry depends on it: an unsaved time merely shortens the upload's life.
    found->second.lastUsed = now;
    save(found->second);
    return found->second;
}

void UploadStore::close(const QString &token)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (sessions.erase(token) > 0)
        QFile::remove(sessionPath(token));
}

StoreError UploadStore::assemble(const UploadSession &session, const QString &expectedHash,
                                 const BlobStore &blobs, qint64 *size) const
{
    const QStringList missing = missingChunks(session);
    if (!missing.isEmpty())
        return {400, QStringLiteral("%1 chunks have not been sent, the first %2")
                         .arg(missing.size())
                         .arg(missing.first())};

    const QString target = blobs.filePath(expectedHash);
    QSaveFile file(target);
    QCryptographicHash md5(QCryptographicHash::Md5);
    QByteArray buffer;
    *size = 0;
    bool written = QDir().mkpath(QFileInfo(target).path()) && file.open(QIODevice::WriteOnly);
    for (const QString &hash : session.chunkHashes) {
        QFile chunk(chunks.filePath(hash));
        written = written && chunk.open(QIODevice::ReadOnly);
        while (written && !chunk.atEnd()) {
            buffer = chunk.read(copyBlock);
            md5.addData(buffer);
            *size += buffer.size();
            written = !buffer.isEmpty() && file.write(buffer) == buffer.size();
        }
    }
    if (!written) {
        std::fprintf(stderr, "kerlo-local: cannot assemble %s: %s\n", qPrintable(target),
                     qPrintable(file.errorString()));
        return {500, QStringLiteral("The file could not be stored")};
    }
    if (md5.result().toHex() != expectedHash.toLatin1()) {
        file.cancelWriting();
        return {400, QStringLiteral("The chunks do not give the file hash %1").arg(expectedHash)};
    }
    // Another upload of the same bytes may commit the same blob: both are complete.
    if (!file.commit())
        return {500, QStringLiteral("The file could not be stored")};
    return {};
}

QJsonObject UploadStore::stateJson()
{
    qint64 count = 0;
    qint64 bytes = 0;
    QDirIterator files(chunksPath, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        ++count;
        bytes += files.fileInfo().size();
    }
    QJsonArray uploads;
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto &open : sessions) {
        QJsonObject json = open.second.toJson();
        json.insert(QStringLiteral("missing_chunks"),
                    QJsonArray::fromStringList(missingChunks(open.second)));
        uploads.append(json);
    }
    return {{QStringLiteral("chunks"),
             QJsonObject{{QStringLiteral("count"), count}, {QStringLiteral("bytes"), bytes}}},
            {QStringLiteral("uploads"), uploads}};
}

void UploadStore::expire(const QString &token)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (auto &open : sessions) {
        if (token.isEmpty() || open.first == token)
            open.second.lastUsed = 0;
    }
}
