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
class ServiceDatabase;
struct StoredObject;

// Every user's remote store: the tree of files and folders and the journal of its changes,
// in the database, read when the user first needs them. Each change is written with its
// journal entries and the user's new used size in one transaction. Paths are canonical
// (ObjectPath). Each change is journalled as made by a device of the user; 0 names none of
// them. Shared by all worker threads.
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

    ObjectStore(ServiceDatabase &database, const QString &dataPath, AccountStore &accounts);
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
    // 404 when a file stands where a folder above path would have to be.
    StoreError checkFolderFor(qint64 userId, const QString &path);
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
    // Puts count new empty folders or files ("item-000001", "item-000001.txt", ...) into
    // folder, which is made when missing, in one transaction; names that are taken are
    // skipped. Files may share content and take another suffix (".png" for pictures). For
    // benchmarks that need large folders.
    StoreError seed(qint64 userId, const QString &folder, int count, bool files, int *added,
                    const QByteArray &content = QByteArray(),
                    const QString &suffix = QStringLiteral(".txt"));
    // A file of size pattern bytes (BlobStore::putPattern), as another device would put it.
    StoreError putPatternFile(qint64 userId, const QString &path, qint64 size, QJsonObject *object);
    // One object of a tree planted whole; folders carry no content.
    struct Planted
    {
        QString path;
        bool folder = false;
        QByteArray content;
    };
    // Whether the user's root holds nothing.
    StoreError isEmpty(qint64 userId, bool *empty);
    // Puts objects (missing folders on the way are made too) into the user's store, in one
    // transaction, only while the root is empty: otherwise nothing changes and added is 0.
    StoreError plantIntoEmptyRoot(qint64 userId, const std::vector<Planted> &objects, int *added);
    // For tests: the next transaction of this many statements ends the process unfinished.
    void killDuringChange(int statements);

private:
    struct UserObjects;

    UserObjects *objectsOf(qint64 userId, StoreError *error);
    // Runs operation on the user's objects under the lock.
    template<typename Operation> StoreError withObjects(qint64 userId, Operation operation);
    StoreError fileObject(qint64 userId, const QString &path, StoredObject *file,
                          QJsonObject *json);
    // Stores the changes made to the user's tree since bytesBefore was read, with the
    // entries that journal them; the user pays for the bytes they add.
    StoreError commit(qint64 userId, UserObjects &user, qint64 bytesBefore,
                      const std::vector<QJsonObject> &entries);
    bool writeChanges(qint64 userId, UserObjects &user, qint64 growth,
                      const std::vector<QJsonObject> &entries);

    ServiceDatabase &database;
    AccountStore &accounts;
    const BlobStore blobs;
    std::mutex mutex;
    std::map<qint64, std::unique_ptr<UserObjects>> users;
};

#endif // OBJECTSTORE_H
