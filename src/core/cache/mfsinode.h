#ifndef MFSINODE_H
#define MFSINODE_H

#include <QByteArray>
#include <QtGlobal>

class QDataStream;

// One file of the local cache's index. A node never set is all zero.
struct MFSINode
{
    enum Flag : qint8 {
        Consolidated = 0x1, // the local copy matches the service
        Expired = 0x2       // the service holds newer content
    };

    static constexpr int HashSize = 16;

    // MD5 of the content the service holds, 16 raw bytes.
    QByteArray indexedHash = QByteArray(HashSize, '\0');
    // MD5 of a local edit not yet uploaded; all zero when there is none.
    QByteArray stagingHash = QByteArray(HashSize, '\0');
    qint64 size = 0;
    // Milliseconds since the epoch, recorded when the entry was indexed.
    qint64 mtime = 0;
    qint8 flags = 0;

    bool isConsolidated() const { return flags & Consolidated; }
    bool isExpired() const { return flags & Expired; }
    bool hasStagingHash() const;
    bool operator==(const MFSINode &other) const;
    bool operator!=(const MFSINode &other) const { return !(*this == other); }

    // The hex text of a hash decoded into exactly 16 bytes, missing ones zero.
    static QByteArray hashFromHex(const QString &hex);
    static bool isNullHash(const QByteArray &hash);
};

// The index file's form of a node: both hashes raw, without length prefixes.
QDataStream &operator<<(QDataStream &stream, const MFSINode &node);
QDataStream &operator>>(QDataStream &stream, MFSINode &node);

#endif // MFSINODE_H
