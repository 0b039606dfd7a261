#ifndef UPLOADSTORE_H
#define UPLOADSTORE_H

#include "blobstore.h"
#include "storeerror.h"
#include "uploadsession.h"

#include <QJsonObject>

#include <map>
#include <mutex>
#include <optional>

class ServiceDatabase;

// The open uploads by token, in the database, and the chunks they send, by MD5 in chunks/
// of the data folder. The bytes of a chunk are stored once for everybody, but a user may
// only build files from chunks that user has sent: knowing a hash proves nothing. A chunk
// stays only while an open upload needs it: once its file is stored, or the upload dropped,
// it goes. Shared by all worker threads.
class UploadStore
{
public:
    // An open upload nobody has touched for this long may be taken over by a forced one.
    static constexpr qint64 staleSeconds = 5 * 60;

    UploadStore(ServiceDatabase &database, const QString &dataPath);

    // Reads the uploads that were open when the service last stopped.
    bool load(QString *error);

    // Hashes the bytes once as it stores them for userId: 400 when they do not have that MD5.
    StoreError putChunk(qint64 userId, const QString &hash, const char *bytes, size_t size);
    // The hashes of session its user has not sent yet, each once, in file order.
    QStringList missingChunks(const UploadSession &session) const;

    // Gives session a token and keeps it. The same device opening the same file again with
    // the same chunks gets the open upload back; another upload to the same path gets
    // 409/601, unless this one is forced and that one is stale.
    StoreError open(UploadSession *session);
    // The live upload of token that belongs to userId, marked as used now.
    std::optional<UploadSession> use(const QString &token, qint64 userId);
    void close(const QString &token);
    // Writes the file of session into blobs, sharing the chunks' blocks where the file
    // system can: 400 when chunks are missing or the bytes do not give expectedHash.
    StoreError assemble(const UploadSession &session, const QString &expectedHash,
                        const BlobStore &blobs, qint64 *size) const;

    // For tests: what the chunk store holds, and the uploads with their missing chunks.
    QJsonObject stateJson();
    // For tests: marks the upload of token (every upload when empty) as idle for that many
    // seconds; by default past its lifetime.
    void expire(const QString &token, std::optional<qint64> idleSeconds = std::nullopt);

private:
    bool save(const UploadSession &session) const;
    // Forgets the upload of token; the chunks it needed are left to dropChunks.
    QStringList remove(const QString &token);
    // Deletes the chunks of hashes that no open upload needs, and who sent them.
    void dropChunks(const QStringList &hashes);
    void dropExpired(qint64 now);
    bool hasSent(qint64 userId, const QString &hash) const;

    ServiceDatabase &database;
    const QString chunksPath;
    const BlobStore chunks;
    std::mutex mutex;
    std::map<QString, UploadSession> sessions;
};

#endif // UPLOADSTORE_H
