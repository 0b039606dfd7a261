#include "uploadstore.h"

#include "filejoin.h"
#include "md5digest.h"
#include "secrets.h"
#include "servicedatabase.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int tokenBytes = 16;

} // namespace

UploadStore::UploadStore(ServiceDatabase &database, const QString &dataPath)
    : database(database)
    , chunksPath(QDir(dataPath).filePath(QStringLiteral("chunks")))
    , chunks(chunksPath)
{}

bool UploadStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    bool complete = true;
    const bool read =
        database.exec(QStringLiteral("SELECT record FROM uploads"), {}, [&](const QSqlQuery &row) {
            const std::optional<UploadSession> session = UploadSession::fromJson(
                QJsonDocument::fromJson(row.value(0).toString().toUtf8()).object());
            complete = complete && session;
            if (session)
                sessions.emplace(session->token, *session);
        });
    if (!read || !complete) {
        *error = QStringLiteral("the open uploads in the database are damaged");
        return false;
    }
    return true;
}

bool UploadStore::save(const UploadSession &session) const
{
    return database.exec(
        QStringLiteral("INSERT OR REPLACE INTO uploads(token, record) VALUES(?, ?)"),
        {session.token,
         QString::fromUtf8(QJsonDocument(session.toJson()).toJson(QJsonDocument::Compact))});
}

QStringList UploadStore::remove(const QString &token)
{
    const auto found = sessions.find(token);
    if (found == sessions.end())
        return {};
    const QStringList hashes = found->second.chunkHashes;
    sessions.erase(found);
    database.exec(QStringLiteral("DELETE FROM uploads WHERE token = ?"), {token});
    return hashes;
}

void UploadStore::dropChunks(const QStringList &hashes)
{
    QSet<QString> needed;
    for (const auto &open : sessions) {
        for (const QString &hash : open.second.chunkHashes)
            needed.insert(hash);
    }
    for (const QString &hash : QSet<QString>(hashes.begin(), hashes.end())) {
        if (needed.contains(hash) || !BlobStore::isDigest(hash))
            continue;
        QFile::remove(chunks.filePath(hash));
        database.exec(QStringLiteral("DELETE FROM user_chunks WHERE hash = ?"), {hash});
    }
}

StoreError UploadStore::putChunk(qint64 userId, const QString &hash, const char *bytes, size_t size)
{
    if (Md5Digest::of(bytes, size) != hash)
        return {400, QStringLiteral("The chunk does not match its hash %1").arg(hash)};
    const QString path = chunks.filePath(hash);
    const QFileInfo stored(path);
    if (!stored.exists() || stored.size() != qint64(size)) {
        // Writers of the same chunk race harmlessly: each renames a complete copy into place.
        QSaveFile file(path);
        if (!QDir().mkpath(stored.path()) || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes, qint64(size)) != qint64(size) || !file.commit()) {
            std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(path),
                         qPrintable(file.errorString()));
            return {500, QStringLiteral("The chunk could not be stored")};
        }
    }
    if (!database.exec(
            QStringLiteral("INSERT OR IGNORE INTO user_chunks(user_id, hash) VALUES(?, ?)"),
            {userId, hash}))
        return {500, QStringLiteral("The chunk could not be stored")};
    return {};
}

bool UploadStore::hasSent(qint64 userId, const QString &hash) const
{
    bool sent = false;
    database.exec(QStringLiteral("SELECT 1 FROM user_chunks WHERE user_id = ? AND hash = ?"),
                  {userId, hash}, [&sent](const QSqlQuery &) { sent = true; });
    return sent && chunks.contains(hash);
}

QStringList UploadStore::missingChunks(const UploadSession &session) const
{
    QStringList missing;
    QSet<QString> seen;
    for (const QString &hash : session.chunkHashes) {
        if (!seen.contains(hash) && !hasSent(session.userId, hash))
            missing.append(hash);
        seen.insert(hash);
    }
    return missing;
}

void UploadStore::dropExpired(qint64 now)
{
    QStringList expired;
    for (const auto &open : sessions) {
        if (open.second.isExpired(now))
            expired.append(open.first);
    }
    QStringList unused;
    for (const QString &token : expired)
        unused += remove(token);
    dropChunks(unused);
}

StoreError UploadStore::open(UploadSession *session)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    dropExpired(now);
    QStringList takenOver;
    for (const auto &entry : sessions) {
        const UploadSession &open = entry.second;
        if (open.userId != session->userId || open.path != session->path)
            continue;
        // A client that lost the reply to its open (or restarted) asks again.
        if (open.isSameUpload(*session)) {
            *session = open;
            session->lastUsed = now;
            sessions[session->token] = *session;
            save(*session);
            return {};
        }
        if (session->force && now - open.lastUsed >= staleSeconds) {
            takenOver.append(entry.first);
            continue;
        }
        // The first chunk came with this refused start.
        dropChunks(session->chunkHashes);
        return {409, QStringLiteral("An upload to '%1' is already open").arg(session->path), 601};
    }
    QStringList unused;
    for (const QString &token : takenOver)
        unused += remove(token);
    session->token = Secrets::randomHex(tokenBytes);
    session->lastUsed = now;
    const bool saved = save(*session);
    if (saved)
        sessions.emplace(session->token, *session);
    // Only after the new upload is kept: it may need chunks of the one it took over.
    dropChunks(saved ? unused : unused + session->chunkHashes);
    if (!saved)
        return {500, QStringLiteral("The upload could not be stored")};
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
    if (found->second.lastUsed != now) {
        found->second.lastUsed = now;
        save(found->second);
    }
    return found->second;
}

void UploadStore::close(const QString &token)
{
    std::lock_guard<std::mutex> lock(mutex);
    dropChunks(remove(token));
}

StoreError UploadStore::assemble(const UploadSession &session, const QString &expectedHash,
                                 const BlobStore &blobs, qint64 *size) const
{
    const QStringList missing = missingChunks(session);
    if (!missing.isEmpty())
        return {400, QStringLiteral("%1 chunks have not been sent, the first %2")
                         .arg(missing.size())
                         .arg(missing.first())};

    QStringList parts;
    for (const QString &hash : session.chunkHashes)
        parts.append(chunks.filePath(hash));
    // The chunks are checked even when the blob is there already: announcing a file's hash
    // must not be a way to get it.
    QString digest;
    if (!FileJoin::digest(parts, &digest, size))
        return {500, QStringLiteral("The chunks of the file cannot be read")};
    if (digest != expectedHash)
        return {400, QStringLiteral("The chunks do not give the file hash %1").arg(expectedHash)};
    if (blobs.contains(expectedHash) && QFileInfo(blobs.filePath(expectedHash)).size() == *size)
        return {};
    if (!FileJoin::join(parts, blobs.filePath(expectedHash)))
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

void UploadStore::expire(const QString &token, std::optional<qint64> idleSeconds)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 lastUsed = idleSeconds ? QDateTime::currentSecsSinceEpoch() - *idleSeconds : 0;
    for (auto &open : sessions) {
        if (token.isEmpty() || open.first == token) {
            open.second.lastUsed = lastUsed;
            save(open.second);
        }
    }
}
