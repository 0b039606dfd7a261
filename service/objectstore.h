#ifndef OBJECTSTORE_H
#define OBJECTSTORE_H

#include "blobstore.h"
#include "storeerror.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class AccountStore;
class ObjectTree;
struct StoredObject;

// Every user's remote store: the tree of files and folders and the journal of its changes,
// in objects/<user id>/ of the data folder, read when the user first needs them. Paths are
// canonical (ObjectPath). Each change is journalled as made by a device of the user; 0
// names none of them. Shared by all worker threads.
class ObjectStore
{
public:
    // What one path of a batch lookup found: the object, else what was removed there last.
    struct Found
    {
        std::optional<QJsonObject> object;
        std::optional<QJsonObject> removed;
    };

    // Decides, under the store's lock, whether the object at a path (nullptr: none) may be
    // replaced.
    using Check = std::function<StoreError(const StoredObject *existing)>;

    ObjectStore(const QString &dataPath, AccountStore &accounts);
    ~ObjectStore();

    // File contents; writers put a blob first, then place it.
    const BlobStore &blobStore() const { return blobs; }

    StoreError list(qint64 userId, const QString &folder, QJsonArray *objects, QString *cursor);
    StoreError metadata(qint64 userId, const QString &path, QJsonObject *object);
    StoreError find(qint64 userId, const QStringList &paths, std::vector<Found> *found);
    StoreError readFile(qint64 userId, const QString &path, QByteArray *content);
    // The file at path and where its bytes are, for streaming them.
    StoreError fileAt(qint64 userId, const QString &path, QJsonObject *object,
                      QString *contentPath);
    StoreError check(qint64 userId, const QString &path, const Check &check);
    StoreError head(qint64 userId, QString *cursor);
    // 404 for a cursor the journal never gave.
    StoreError changesAfter(qint64 userId, const QString &cursor, QJsonArray *updates,
                            QString *head);

    // Missing folders on the way are made too.
    StoreError makeFolder(qint64 userId, qint64 deviceId, const QString &path, QJsonObject *object);
    StoreError putFile(qint64 userId, qint64 deviceId, const QString &path,
                       const QByteArray &content, QJsonObject *object);
    // Makes the stored blob hash the file at path, once check has passed.
    StoreError placeFile(qint64 userId, qint64 deviceId, const QString &path, const QString &hash,
                         qint64 size, qint64 modified, const Check &check, QJsonObject *object);
    // Paths that do not exist are listed in missing; the others are removed.
    StoreError remove(qint64 userId, qint64 deviceId, const QStringList &paths, QJsonArray *removed,
                      QStringList *missing);
    StoreError move(qint64 userId, qint64 deviceId, const QString &from, const QString &to,
                    QJsonObject *object);
    StoreError copy(qint64 userId, qint64 deviceId, const QString &from, const QString &to,
                    QJsonObject *copy, QJsonObject *original);
    // Journals entry as it stands, with its "token", and leaves the tree alone: for entries
    // no change of the tree would make (hostile paths, malformed fields).
    StoreError journalEntry(qint64 userId, const QJsonObject &entry, QString *token);

private:
    struct UserObjects;

    UserObjects *objectsOf(qint64 userId, StoreError *error);
    // Runs operation on the user's objects under the lock.
    template<typename Operation> StoreError withObjects(qint64 userId, Operation operation);
    StoreError fileObject(qint64 userId, const QString &path, StoredObject *file,
                          QJsonObject *json);
    // Stores next as the user's tree and journals the entries; the user pays for the bytes
    // it adds.
    StoreError commit(qint64 userId, UserObjects &user, const ObjectTree &next,
                      const std::vector<QJsonObject> &entries);
    bool save(qint64 userId, const ObjectTree &tree) const;
    QString userPath(qint64 userId) const;

    const QString dataPath;
    AccountStore &accounts;
    const BlobStore blobs;
    std::mutex mutex;
    std::map<qint64, std::unique_ptr<UserObjects>> users;
};

#endif // OBJECTSTORE_H
