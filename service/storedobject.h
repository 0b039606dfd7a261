#ifndef STOREDOBJECT_H
#define STOREDOBJECT_H

#include <QJsonObject>
#include <QString>

#include <optional>

// One file or folder of a user's remote store. A file's bytes live in the blob store under
// its hash.
struct StoredObject
{
    QString path; // canonical, see ObjectPath
    bool folder = false;
    qint64 size = 0;
    QString hash;        // lower-case hex MD5; empty for folders
    qint64 modified = 0; // seconds since the epoch
    QString versionId;

    static QString newVersionId();
    static StoredObject newFolder(const QString &path);
    static StoredObject newFile(const QString &path, const QString &hash, qint64 size);

    // The "object" of the API. The root has the label "/", which is also its path.
    QJsonObject toReplyJson(qint64 childrenCount, bool deleted = false) const;
    QJsonObject toStoredJson() const;
    static std::optional<StoredObject> fromStoredJson(const QJsonObject &json);
};

#endif // STOREDOBJECT_H
