#include "mfsinode.h"

#include <QDataStream>

bool MFSINode::hasStagingHash() const
{
    return !isNullHash(stagingHash);
}

bool MFSINode::operator==(const MFSINode &other) const
{
    return indexedHash == other.indexedHash && stagingHash == other.stagingHash &&
           size == other.size && mtime == other.mtime && flags == other.flags;
}

QByteArray MFSINode::hashFromHex(const QString &hex)
{
    QByteArray hash = QByteArray::fromHex(hex.toLatin1()).left(HashSize);
    hash.append(QByteArray(HashSize - hash.size(), '\0'));
    return hash;
}

bool MFSINode::isNullHash(const QByteArray &hash)
{
    for (const char byte : hash) {
        if (byte)
            return false;
    }
    return true;
}

QDataStream &operator<<(QDataStream &stream, const MFSINode &node)
{
    stream.writeRawData(node.indexedHash.constData(), MFSINode::HashSize);
    stream.writeRawData(node.stagingHash.constData(), MFSINode::HashSize);
    return stream << node.size << node.mtime << node.flags;
}

QDataStream &operator>>(QDataStream &stream, MFSINode &node)
{
    node.indexedHash.resize(MFSINode::HashSize);
    node.stagingHash.resize(MFSINode::HashSize);
    if (stream.readRawData(node.indexedHash.data(), MFSINode::HashSize) != MFSINode::HashSize ||
        stream.readRawData(node.stagingHash.data(), MFSINode::HashSize) != MFSINode::HashSize) {
        stream.setStatus(QDataStream::ReadPastEnd);
        return stream;
    }
    return stream >> node.size >> node.mtime >> node.flags;
}
