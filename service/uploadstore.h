#ifndef UPLOADSTORE_H
#define UPLOADSTORE_H

#include "blobstore.h"
#include "storeerror.h"
#include "uploadsession.h"

#include <QJsonObject>

#include <map>
#include <mutex>
#include <optional>

// The open uploads by token, one file each in uploads/ of the data folder, and the chunks
// they send, by MD5 in chunks/. Chunks are shared by all uploads and users, so a chunk that
// is held already is never asked for again. Shared by all worker threads.
class UploadStore
{
public:
    explicit UploadStore(const QString &dataPath);

    // Reads the uploads that were open when the service last stopped.
    bool load(QString *error);

    // 400 when bytes do not have that MD5.
    StoreError putChunk(const QString &hash, const QByteArray &bytes);
    // The hashes of session not held yet, each once, in file order.
    QStringList missingChunks(const UploadSession &session) const;

    // Gives session a token and keeps it; 409/601 while another upload to the same path is
    // open.
    StoreError open(UploadSession *session);
    // The live upload of token that belongs to userId, marked as used now.
    std::optional<UploadSession> use(const QString &token, qint64 userId);
    void close(const QString &token);
    // Writes the file of session into blobs: 400 when chunks are missing or the bytes do not
    // give expectedHash.
    StoreError assemble(const UploadSession &session, const QString &expectedHash,
                        const BlobStore &blobs, qint64 *size) const;

    // For tests: what the chunk store holds, and the uploads with their missing chunks.
    QJsonObject stateJson();
    // For tests: ages the upload of token (every upload when empty) past its lifetime.
    void expire(const QString &token);

private:
    bool save(const UploadSession &session) const;
    QString sessionPath(const QString &token) const;
    void dropExpired(qint64 now);

    const QString uploadsPath;
    const QString chunksPath;
    const BlobStore chunks;
    std::mutex mutex;
    std::map<QString, UploadSession> sessions;
};

#endif // UPLOADSTORE_H
