#include "uploadsession.h"

#include "blobstore.h"
#include "objectpath.h"
#include "storedobject.h"

#include <QJsonArray>

#include <algorithm>

namespace {

// An upload nobody has touched for this long is gone.
constexpr qint64 lifetimeSeconds = 24 * 60 * 60;

} // namespace

bool UploadSession::isExpired(qint64 now) const
{
    return now - lastUsed > lifetimeSeconds;
}

bool UploadSession::isSameUpload(const UploadSession &other) const
{
    return userId == other.userId && deviceId == other.deviceId && path == other.path &&
           sync == other.sync && force == other.force && baseHash == other.baseHash &&
           finalHash == other.finalHash && chunkHashes == other.chunkHashes;
}

StoreError UploadSession::admits(const StoredObject *existing) const
{
    if (existing && existing->folder)
        return {409, QStringLiteral("A folder already exists at path '%1'").arg(path)};
    if (force)
        return {};
    if (sync && !baseHash.isEmpty() && !existing)
        return {500, QStringLiteral("Cannot find expected object '%1'").arg(path), 805};
    if (!existing)
        return {};
    if (sync && !finalHash.isEmpty() && existing->hash == finalHash)
        return {409, QStringLiteral("This file has already been uploaded"), 701};
    if (sync && !baseHash.isEmpty() && existing->hash != baseHash)
        return {409, QStringLiteral("The file at '%1' has changed since %2").arg(path, baseHash),
                602};
    if (sync && !baseHash.isEmpty())
        return {};
    return {409, QStringLiteral("A file already exists at path '%1'").arg(path)};
}

QJsonObject UploadSession::toJson() const
{
    return {{QStringLiteral("token"), token},
            {QStringLiteral("user_id"), userId},
            {QStringLiteral("device_id"), deviceId},
            {QStringLiteral("path"), path},
            {QStringLiteral("sync"), sync},
            {QStringLiteral("force"), force},
            {QStringLiteral("base_hash"), baseHash},
            {QStringLiteral("final_hash"), finalHash},
            {QStringLiteral("chunk_hashes"), QJsonArray::fromStringList(chunkHashes)},
            {QStringLiteral("last_used"), lastUsed}};
}

std::optional<UploadSession> UploadSession::fromJson(const QJsonObject &json)
{
    UploadSession session;
    session.token = json.value(QLatin1String("token")).toString();
    session.userId = qint64(json.value(QLatin1String("user_id")).toDouble());
    session.deviceId = qint64(json.value(QLatin1String("device_id")).toDouble());
    session.path = json.value(QLatin1String("path")).toString();
    session.sync = json.value(QLatin1String("sync")).toBool();
    session.force = json.value(QLatin1String("force")).toBool();
    session.baseHash = json.value(QLatin1String("base_hash")).toString();
    session.finalHash = json.value(QLatin1String("final_hash")).toString();
    for (const QJsonValue &hash : json.value(QLatin1String("chunk_hashes")).toArray())
        session.chunkHashes.append(hash.toString());
    session.lastUsed = qint64(json.value(QLatin1String("last_used")).toDouble());

    const auto digestOrEmpty = [](const QString &hash) {
        return hash.isEmpty() || BlobStore::isDigest(hash);
    };
    if (session.token.isEmpty() || session.userId <= 0 ||
        ObjectPath::normalized(session.path) != session.path || !digestOrEmpty(session.baseHash) ||
        !digestOrEmpty(session.finalHash) ||
        !std::all_of(session.chunkHashes.begin(), session.chunkHashes.end(), BlobStore::isDigest))
        return std::nullopt;
    return session;
}
