#ifndef MSTORAGEOBJECT_H
#define MSTORAGEOBJECT_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

class QDataStream;
class QDebug;
class QFileInfo;
class QJsonObject;
class MStorageObjectPrivate;

// One remote file or directory of the user's store.
class MStorageObject
{
public:
    enum Type { Invalid = -1, RegularFile = 0, Directory = 1 };

    MStorageObject();
    MStorageObject(const QString &basePath, const QString &label);
    // The object for a file or directory of the working copy under localBasePath. An empty
    // contentHash makes a regular file hash its content.
    MStorageObject(const QFileInfo &fileInfo, const QString &localBasePath,
                   const QString &contentHash);
    // The object one JSON object of the service describes. Objects whose name could lead out
    // of their directory (".", "..", a "/" in the label, ".." in the base path) are invalid.
    explicit MStorageObject(const QVariantMap &map);
    // The same from the parsed JSON itself, for replies of many objects: no conversion of
    // the whole reply to variants first.
    explicit MStorageObject(const QJsonObject &object);
    MStorageObject(const MStorageObject &other);
    MStorageObject &operator=(const MStorageObject &other);
    ~MStorageObject();

    void swap(MStorageObject &other) noexcept { d.swap(other.d); }

    // The remote path of the parent directory; "/" for the children of the root.
    QString basePath() const;
    void setBasePath(const QString &basePath);
    QString label() const;
    void setLabel(const QString &label);
    qint64 size() const;
    void setSize(qint64 size);
    // MD5 of the content as 32 lower-case hex digits; empty for directories.
    QString contentHash() const;
    void setContentHash(const QString &contentHash);
    qint64 childrenCount() const;
    void setChildrenCount(qint64 childrenCount);
    // One of Type.
    int type() const;
    void setType(int type);
    QVariantMap metadata() const;
    void setMetadata(const QVariantMap &metadata);
    // Also written to metadata "content_type".
    QString MIMEType() const;
    void setMIMEType(const QString &MIMEType);
    // Also written to metadata "last_modified", in Qt's text date format.
    QDateTime lastModified() const;
    void setLastModified(const QDateTime &lastModified);
    QString versionID() const;
    void setVersionID(const QString &versionID);
    // A local copy exists.
    bool cached() const;
    void setCached(bool cached);
    // The local copy equals the remote object; setting it also sets cached.
    bool consolidated() const;
    void setConsolidated(bool consolidated);
    bool deleted() const;
    void setDeleted(bool deleted);
    QString provider() const;
    void setProvider(const QString &provider);

    QString fullPath() const;
    bool isValid() const;

    // The service's JSON form, without "base_path", "consolidated" and the provider.
    QVariantMap toVariantMap() const;

    // Objects are equal when their full paths, types and content hashes are.
    bool operator==(const MStorageObject &other) const;
    bool operator!=(const MStorageObject &other) const { return !(*this == other); }

private:
    friend QDataStream &operator>>(QDataStream &stream, MStorageObject &object);
    friend QDataStream &operator<<(QDataStream &stream, const MStorageObject &object);

    QSharedDataPointer<MStorageObjectPrivate> d;
};

typedef QList<MStorageObject> MStorageObjectList;
typedef QPair<MStorageObject, MStorageObject> MStorageObjectPair;

uint qHash(const MStorageObject &object, uint seed = 0) noexcept;

// The stored form (transfer queue, variants). Always written and read at Qt_5_3, whatever
// the version of the stream, so that stored blobs survive Qt upgrades. The version ID is not
// part of it.
QDataStream &operator<<(QDataStream &stream, const MStorageObject &object);
QDataStream &operator>>(QDataStream &stream, MStorageObject &object);

QDebug operator<<(QDebug debug, const MStorageObject &object);

Q_DECLARE_SHARED(MStorageObject)
Q_DECLARE_METATYPE(MStorageObject)

#endif // MSTORAGEOBJECT_H
