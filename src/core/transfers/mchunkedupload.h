#ifndef MCHUNKEDUPLOAD_H
#define MCHUNKEDUPLOAD_H

#include "mnotification.h"
#include "mobjecttransferrequest.h"

#include <QByteArray>
#include <QIODevice>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <atomic>

// The wire side of an upload: the file announced by the MD5 of each chunk, the sync, chunk
// and commit requests, and what a refusal tells the user.
class MChunkedUpload
{
public:
    static constexpr qint64 ChunkSize = 5 * 1024 * 1024;

    // What tells a file changed without reading it: taken before it is hashed, compared
    // before each chunk is sent, so that bytes sent under a chunk's hash are that chunk.
    struct FileStamp
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool isValid() const { return size >= 0; }
        bool operator==(const FileStamp &other) const
        {
            return size == other.size && modifiedNs == other.modifiedNs &&
                   changedNs == other.changedNs;
        }
        bool operator!=(const FileStamp &other) const { return !(*this == other); }
    };
    static FileStamp stampOf(const QString &path);

    struct Hashes
    {
        QStringList chunks; // lower-case hex MD5 of each chunk, in file order
        QByteArray final;   // lower-case hex MD5 of the whole file
        qint64 size = 0;
        bool complete = false; // false when reading failed or was canceled
        FileStamp stamp;       // the file as it was before it was read
    };

    // The file's MD5 and, when chunks is set, that of each ChunkSize chunk, computed on two
    // threads; the same cancellation.
    static Hashes hashFile(const QString &path, QIODevice::OpenMode mode, bool chunks,
                           const std::atomic_bool *canceled = nullptr);
    // The MD5 of the open file fd from its first byte, read through a copy of the descriptor
    // (which shares its offset); the same cancellation.
    static Hashes hashOpenFile(int fd, const std::atomic_bool *canceled = nullptr);
    // MD5 (hex) and bytes of size bytes at offset.
    static QPair<QString, QByteArray> readChunk(QIODevice *device, qint64 offset, qint64 size);
    // The bytes of chunk index of the file at path; empty when they cannot be read.
    static QByteArray readChunkBytes(const QString &path, int index);

    static QUrl syncUrl(const QUrl &apiUrl, const MObjectTransferRequest &request,
                        const QByteArray &finalHash);
    static QUrl chunkUrl(const QUrl &apiUrl, const QString &token);
    static QUrl commitUrl(const QUrl &apiUrl, const QString &token);
    // The object's metadata on the service, to learn whether a commit went through.
    static QUrl metadataUrl(const QUrl &apiUrl, const QString &remotePath);
    static QByteArray commitBody(const QString &filePath, const QByteArray &md5);

    // Whether a step that failed with error never reached the service (no connection could be
    // made): it is sent again once the service can be reached, rather than failed.
    static bool isUnreached(QNetworkReply::NetworkError error);
    // The error notification for a refused step (status other than 200), and the error code
    // the transfer ends with.
    static MNotification refusalNotification(int status, const QVariantMap &reply,
                                             const MObjectTransferRequest &request, int *errorCode);
};

#endif // MCHUNKEDUPLOAD_H
