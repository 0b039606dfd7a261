#ifndef MOSTORAGEOBJECT_H
#define MOSTORAGEOBJECT_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

class MOStorageObjectPrivate;

// One remote file or directory. Copies share the object until one of them is changed; a
// setter changes only its own copy.
//
// Storage objects have no equality: compare fullPath() or another field.
class MOStorageObject
{
public:
    enum Type : qint64 { Invalid = -1, RegularFile = 0, Directory = 1 };

    // An invalid object: type -1, null strings, full path "/".
    MOStorageObject();
    MOStorageObject(const MOStorageObject &other);
    MOStorageObject &operator=(const MOStorageObject &other);
    ~MOStorageObject();

    // The remote path of the parent directory.
    QString basePath() const;
    void setBasePath(const QString &basePath);
    QString label() const;
    void setLabel(const QString &label);
    // MD5 of the content, 32 hexadecimal digits.
    QString contentHash() const;
    void setContentHash(const QString &contentHash);
    qint64 size() const;
    void setSize(qint64 size);
    // Stored in 32 bits.
    Type type() const;
    void setType(qint64 type);
    QVariantMap metadata() const;
    void setMetadata(const QVariantMap &metadata);
    // Also written to the metadata as "content_type".
    QString MIMEType() const;
    void setMIMEType(const QString &MIMEType);
    // In whole seconds; also written to the metadata as "last_modified".
    QDateTime lastModified() const;
    void setLastModified(const QDateTime &lastModified);
    quint64 childrenCount() const;
    void setChildrenCount(quint64 childrenCount);
    QString versionID() const;
    void setVersionID(const QString &versionID);
    bool cached() const;
    void setCached(bool cached);
    // Setting it also marks the object cached.
    bool consolidated() const;
    void setConsolidated(bool consolidated);
    bool deleted() const;
    void setDeleted(bool deleted);
    QString provider() const;
    void setProvider(const QString &provider);

    // "/", the base path, "/" and the label, cleaned.
    QString fullPath() const;

private:
    friend class MOCoreValues;
    // Takes d over, so a listing wraps many values without first making an empty one each.
    explicit MOStorageObject(MOStorageObjectPrivate *d);
    QSharedDataPointer<MOStorageObjectPrivate> d;
};

// Held in place in lists: a listing of many makes no separate block for each.
Q_DECLARE_TYPEINFO(MOStorageObject, Q_MOVABLE_TYPE);
Q_DECLARE_METATYPE(MOStorageObject)

#endif // MOSTORAGEOBJECT_H
