#ifndef BLOBSTORE_H
#define BLOBSTORE_H

#include <QByteArray>
#include <QString>

#include <optional>

// Contents by their MD5, shared by all users: <root>/<2 hex>/<32 hex>. A blob never
// changes once written, so readers need no lock.
class BlobStore
{
public:
    explicit BlobStore(const QString &rootPath);

    // Lower-case hex MD5: the only names that reach the file system.
    static bool isDigest(const QString &hash);

    // The digest of content, stored; empty when it cannot be written (reported on stderr).
    QString put(const QByteArray &content) const;
    // The digest of size bytes of a repeating pattern (byte i is i % 251), written in pieces
    // so that a large file never sits in memory; empty when it cannot be written.
    QString putPattern(qint64 size) const;
    std::optional<QByteArray> read(const QString &hash) const;
    bool contains(const QString &hash) const;
    // Where the blob of a digest lives, for streaming it in or out.
    QString filePath(const QString &hash) const;

private:
    const QString rootPath;
};

#endif // BLOBSTORE_H
