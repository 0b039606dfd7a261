#include "objectstore.h"

#include "accountstore.h"
#include "changejournal.h"
#include "objectpath.h"
#include "objecttree.h"
#include "servicedatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <cstdio>

namespace {

const QString root = QStringLiteral("/");

QJsonObject entry(qint64 deviceId, const QString &path, const char *type)
{
    return {{QStringLiteral("device_id"), deviceId},
            {QStringLiteral("path"), path},
            {QStringLiteral("type"), QLatin1String(type)}};
}

// "add" or "delete"
QJsonObject objectEntry(const char *type, qint64 deviceId, const QString &path,
                        const QJsonObject &object)
{
    QJsonObject json = entry(deviceId, path, type);
    json.insert(QStringLiteral("object"), object);
    return json;
}

// Each attribute lists the old value, then the new one.
QJsonObject updateEntry(qint64 deviceId, const QString &path, const QJsonObject &attributes,
                        const QJsonObject &finalObject)
{
    QJsonObject json = entry(deviceId, path, "update");
    json.insert(QStringLiteral("attributes"), attributes);
    json.insert(QStringLiteral("final_object"), finalObject);
    return json;
}

StoreError notFound(const QString &path)
{
    return {404, QStringLiteral("No file or folder at %1").arg(path)};
}

StoreError exists(const QString &path)
{
    return {412, QStringLiteral("A file already exists at path '%1'").arg(path)};
}

// Makes the folders of path that are missing, top first, and appends their paths to made.
StoreError makeFolders(ObjectTree *tree, const QString &path, QStringList *made)
{
    QString folder = root;
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folder = ObjectPath::child(folder, name);
        const StoredObject *object = tree->find(folder);
        if (!object) {
            tree->insert(StoredObject::newFolder(folder));
            made->append(folder);
        } else if (!object->folder) {
            return {412, QStringLiteral("%1 is a file, not a folder").arg(folder)};
        }
    }
    return {};
}

// Where from may go: to must be free, outside from, in an existing folder.
StoreError checkDestination(const ObjectTree &tree, const QString &from, const QString &to)
{
    if (from == root)
        return {400, QStringLiteral("The root folder cannot be moved or copied")};
    if (!tree.find(from))
        return notFound(from);
    if (tree.find(to))
        return exists(to);
    if (ObjectPath::isWithin(to, from))
        return {400, QStringLiteral("A folder cannot go into itself")};
    const StoredObject *parent = tree.find(ObjectPath::parent(to));
    if (!parent || !parent->folder)
        return {404, QStringLiteral("No folder at %1").arg(ObjectPath::parent(to))};
    return {};
}

} // namespace

struct ObjectStore::UserObjects
{
    UserObjects(ServiceDatabase &database, qint64 userId)
        : journal(database, userId)
    {}

    ObjectTree tree;
    ChangeJournal journal;
    // A write failed: the copy in memory may differ from the database, so it is read again.
    bool stale = false;
    // A new account's root exists in memory only until its first change.
    bool rootStored = false;
};

ObjectStore::ObjectStore(ServiceDatabase &database, const QString &dataPath, AccountStore &accounts)
    : database(database)
    , accounts(accounts)
    , blobs(QDir(dataPath).filePath(QStringLiteral("blobs")))
{}

ObjectStore::~ObjectStore() = default;

ObjectStore::UserObjects *ObjectStore::objectsOf(qint64 userId, StoreError *error)
{
    const auto known = users.find(userId);
    if (known != users.end())
        return known->second.get();

    auto user = std::make_unique<UserObjects>(database, userId);
    std::vector<StoredObject> stored[2];
    const bool read = database.exec(
        QStringLiteral("SELECT path, folder, size, hash, modified, version_id, removed "
                       "FROM objects WHERE user_id = ?"),
        {userId}, [&stored](const QSqlQuery &row) {
            StoredObject object;
            object.path = row.value(0).toString();
            object.folder = row.value(1).toBool();
            object.size = row.value(2).toLongLong();
            object.hash = row.value(3).toString();
            object.modified = row.value(4).toLongLong();
            object.versionId = row.value(5).toString();
            stored[row.value(6).toBool() ? 1 : 0].push_back(std::move(object));
        });
    QString problem;
    if (!read) {
        problem = QStringLiteral("cannot read the objects of user %1").arg(userId);
    } else if (!stored[0].empty()) {
        std::optional<ObjectTree> tree =
            ObjectTree::fromObjects(std::move(stored[0]), std::move(stored[1]));
        user->rootStored = true;
        if (tree)
            user->tree = std::move(*tree);
        else
            problem = QStringLiteral("the objects of user %1 are damaged").arg(userId);
    }
    if (problem.isEmpty())
        user->journal.load(&problem);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "kerlo-local: %s\n", qPrintable(problem));
        *error = {500, QStringLiteral("The files of this account cannot be read")};
        return nullptr;
    }
    return users.emplace(userId, std::move(user)).first->second.get();
}

bool ObjectStore::writeChanges(qint64 userId, UserObjects &user, qint64 growth,
                               const std::vector<QJsonObject> &entries)
{
    // Only the last state of each path counts.
    std::map<std::pair<bool, QString>, std::optional<StoredObject>> last;
    for (ObjectTree::Change &change : user.tree.takeChanges())
        last[{change.removedObject, change.path}] = std::move(change.after);
    if (!user.rootStored)
        last[{false, root}] = *user.tree.find(root);

    auto upsert = last.begin();
    auto erase = last.begin();
    const auto nextWhere = [&last](auto &it, bool present) {
        while (it != last.end() && it->second.has_value() != present)
            ++it;
        return it != last.end();
    };
    return database.transaction([&] {
        return database.execMany(
                   QStringLiteral("INSERT OR REPLACE INTO objects(user_id, path, folder, size, "
                                  "hash, modified, version_id, removed) "
                                  "VALUES(?, ?, ?, ?, ?, ?, ?, ?)"),
                   [&](QVariantList *values) {
                       if (!nextWhere(upsert, true))
                           return false;
                       const StoredObject &object = *upsert->second;
                       *values = {userId,           object.path,        object.folder,
                                  object.size,      object.hash,        object.modified,
                                  object.versionId, upsert->first.first};
                       ++upsert;
                       return true;
                   }) &&
               database.execMany(QStringLiteral("DELETE FROM objects WHERE user_id = ? AND "
                                                "removed = ? AND path = ?"),
                                 [&](QVariantList *values) {
                                     if (!nextWhere(erase, false))
                                         return false;
                                     *values = {userId, erase->first.first, erase->first.second};
                                     ++erase;
                                     return true;
                                 }) &&
               user.journal.append(entries) &&
               (growth == 0 || AccountStore::writeUsedSize(database, userId, growth));
    });
}

StoreError ObjectStore::commit(qint64 userId, UserObjects &user, qint64 bytesBefore,
                               const std::vector<QJsonObject> &entries)
{
    const qint64 growth = user.tree.totalBytes() - bytesBefore;
    if (!accounts.hasRoom(userId, growth)) {
        user.tree.rollBack();
        return {507, QStringLiteral("Not enough storage space")};
    }
    if (!writeChanges(userId, user, growth, entries)) {
        user.stale = true;
        return {500, QStringLiteral("The change could not be stored")};
    }
    user.rootStored = true;
    accounts.addUsedSize(userId, growth);
    return {};
}

template<typename Operation> StoreError ObjectStore::withObjects(qint64 userId, Operation operation)
{
    std::lock_guard<std::mutex> lock(mutex);
    StoreError error;
    UserObjects *user = objectsOf(userId, &error);
    if (!user)
        return error;
    error = operation(*user);
    // A refusal after the tree was touched leaves it as it was.
    user->tree.rollBack();
    if (user->stale)
        users.erase(userId);
    return error;
}

StoreError ObjectStore::list(qint64 userId, const QString &folder, QJsonArray *objects,
                             QString *cursor)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        const StoredObject *object = user.tree.find(folder);
        if (!object || !object->folder)
            return {404, QStringLiteral("No folder at %1").arg(folder)};
        for (const StoredObject *child : user.tree.children(folder))
            objects->append(user.tree.replyJson(*child));
        *cursor = user.journal.head();
        return {};
    });
}

StoreError ObjectStore::metadata(qint64 userId, const QString &path, QJsonObject *object)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        const StoredObject *found = user.tree.find(path);
        if (!found)
            return notFound(path);
        *object = user.tree.replyJson(*found);
        return {};
    });
}

StoreError ObjectStore::find(qint64 userId, const QStringList &paths, std::vector<Found> *found)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        for (const QString &path : paths) {
            Found result;
            if (const StoredObject *object = user.tree.find(path))
                result.object = user.tree.replyJson(*object);
            else if (const StoredObject *removed = user.tree.removedAt(path))
                result.removed = removed->toReplyJson(0, true);
            found->push_back(result);
        }
        return {};
    });
}

StoreError ObjectStore::fileObject(qint64 userId, const QString &path, StoredObject *file,
                                   QJsonObject *json)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        const StoredObject *object = user.tree.find(path);
        if (!object)
            return notFound(path);
        if (object->folder)
            return {415, QStringLiteral("%1 is a folder").arg(path)};
        *file = *object;
        if (json)
            *json = user.tree.replyJson(*object);
        return {};
    });
}

StoreError ObjectStore::readFile(qint64 userId, const QString &path, QByteArray *content)
{
    StoredObject file;
    if (const StoreError error = fileObject(userId, path, &file, nullptr))
        return error;
    // Blobs never change, so the read needs no lock.
    const std::optional<QByteArray> bytes = blobs.read(file.hash);
    if (!bytes)
        return {500, QStringLiteral("The content of %1 is missing").arg(path)};
    *content = *bytes;
    return {};
}

StoreError ObjectStore::fileAt(qint64 userId, const QString &path, QJsonObject *object,
                               QString *contentPath)
{
    StoredObject file;
    if (const StoreError error = fileObject(userId, path, &file, object))
        return error;
    if (!blobs.contains(file.hash))
        return {500, QStringLiteral("The content of %1 is missing").arg(path)};
    *contentPath = blobs.filePath(file.hash);
    return {};
}

StoreError ObjectStore::check(qint64 userId, const QString &path, const Check &check)
{
    return withObjects(userId, [&](UserObjects &user) { return check(user.tree.find(path)); });
}

StoreError ObjectStore::checkFolderFor(qint64 userId, const QString &path)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        for (QString folder = ObjectPath::parent(path); folder != root;
             folder = ObjectPath::parent(folder)) {
            const StoredObject *object = user.tree.find(folder);
            if (object && !object->folder)
                return {
                    404,
                    QStringLiteral("%1 is a file, so nothing can be stored below it").arg(folder)};
        }
        return {};
    });
}

StoreError ObjectStore::head(qint64 userId, QString *cursor)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        *cursor = user.journal.head();
        return {};
    });
}

StoreError ObjectStore::changesAfter(qint64 userId, const QString &cursor, QJsonArray *updates,
                                     QString *head)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        const std::optional<QJsonArray> entries = user.journal.after(cursor);
        if (!entries)
            return {404, QStringLiteral("Unknown cursor")};
        *updates = *entries;
        *head = user.journal.head();
        return {};
    });
}

StoreError ObjectStore::makeFolder(qint64 userId, qint64 deviceId, const QString &path,
                                   QJsonObject *object)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (user.tree.find(path))
            return exists(path);
        const qint64 bytesBefore = user.tree.totalBytes();
        QStringList made;
        if (StoreError blocked = makeFolders(&user.tree, path, &made))
            return blocked;
        std::vector<QJsonObject> entries;
        for (const QString &folder : made)
            entries.push_back(
                objectEntry("add", deviceId, folder, user.tree.replyJson(*user.tree.find(folder))));
        if (StoreError failed = commit(userId, user, bytesBefore, entries))
            return failed;
        *object = user.tree.replyJson(*user.tree.find(path));
        return {};
    });
}

StoreError ObjectStore::putFile(qint64 userId, qint64 deviceId, const QString &path,
                                const QByteArray &content, QJsonObject *object)
{
    // Before the lock: a stored blob that ends up unused does no harm.
    const QString hash = blobs.put(content);
    if (hash.isEmpty())
        return {500, QStringLiteral("The content could not be stored")};
    return placeFile(
        userId, deviceId, path, hash, content.size(), QDateTime::currentSecsSinceEpoch(),
        [](const StoredObject *) { return StoreError(); }, object);
}

StoreError ObjectStore::placeFile(qint64 userId, qint64 deviceId, const QString &path,
                                  const QString &hash, qint64 size, qint64 modified,
                                  const Check &check, QJsonObject *object)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        const StoredObject *existing = user.tree.find(path);
        if (StoreError refused = check(existing))
            return refused;
        if (existing && existing->folder)
            return {412, QStringLiteral("%1 is a folder").arg(path)};
        if (existing && existing->hash == hash) {
            *object = user.tree.replyJson(*existing);
            return {};
        }

        const qint64 bytesBefore = user.tree.totalBytes();
        const bool replacing = existing != nullptr;
        const QString oldHash = replacing ? existing->hash : QString();
        QStringList made;
        if (StoreError blocked = makeFolders(&user.tree, ObjectPath::parent(path), &made))
            return blocked;
        StoredObject file = StoredObject::newFile(path, hash, size);
        file.modified = modified;
        // existing points into the tree, which the insert changes.
        existing = nullptr;
        user.tree.insert(file);
        std::vector<QJsonObject> entries;
        for (const QString &folder : made)
            entries.push_back(
                objectEntry("add", deviceId, folder, user.tree.replyJson(*user.tree.find(folder))));
        const QJsonObject stored = user.tree.replyJson(*user.tree.find(path));
        if (replacing) {
            const QJsonObject attributes{{QStringLiteral("hash"), QJsonArray{oldHash, hash}}};
            entries.push_back(updateEntry(deviceId, path, attributes, stored));
        } else {
            entries.push_back(objectEntry("add", deviceId, path, stored));
        }
        if (StoreError failed = commit(userId, user, bytesBefore, entries))
            return failed;
        *object = stored;
        return {};
    });
}

StoreError ObjectStore::remove(qint64 userId, qint64 deviceId, const QStringList &paths,
                               QJsonArray *removed, QStringList *missing)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (paths.contains(root))
            return {400, QStringLiteral("The root folder cannot be deleted")};

        QStringList ordered = paths;
        ordered.sort();
        ordered.removeDuplicates();
        for (const QString &path : ordered) {
            if (!user.tree.find(path))
                missing->append(path);
        }
        const qint64 bytesBefore = user.tree.totalBytes();
        std::vector<QJsonObject> entries;
        for (const QString &path : ordered) {
            // Gone with a folder listed before it is no failure.
            const StoredObject *object = user.tree.find(path);
            if (!object)
                continue;
            const QJsonObject json = user.tree.replyJson(*object, true);
            removed->append(json);
            entries.push_back(objectEntry("delete", deviceId, path, json));
            user.tree.remove(path);
        }
        if (entries.empty())
            return {};
        return commit(userId, user, bytesBefore, entries);
    });
}

StoreError ObjectStore::move(qint64 userId, qint64 deviceId, const QString &from, const QString &to,
                             QJsonObject *object)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (StoreError refused = checkDestination(user.tree, from, to))
            return refused;

        const qint64 bytesBefore = user.tree.totalBytes();
        user.tree.move(from, to);
        QJsonObject attributes{{QStringLiteral("path"), QJsonArray{from, to}}};
        if (ObjectPath::name(from) != ObjectPath::name(to))
            attributes.insert(QStringLiteral("label"),
                              QJsonArray{ObjectPath::name(from), ObjectPath::name(to)});
        const QJsonObject moved = user.tree.replyJson(*user.tree.find(to));
        if (StoreError failed =
                commit(userId, user, bytesBefore, {updateEntry(deviceId, from, attributes, moved)}))
            return failed;
        *object = moved;
        return {};
    });
}

StoreError ObjectStore::copy(qint64 userId, qint64 deviceId, const QString &from, const QString &to,
                             QJsonObject *copy, QJsonObject *original)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (StoreError refused = checkDestination(user.tree, from, to))
            return refused;

        *original = user.tree.replyJson(*user.tree.find(from));
        const qint64 bytesBefore = user.tree.totalBytes();
        user.tree.copy(from, to);
        const QJsonObject made = user.tree.replyJson(*user.tree.find(to));
        if (StoreError failed =
                commit(userId, user, bytesBefore, {objectEntry("add", deviceId, to, made)}))
            return failed;
        *copy = made;
        return {};
    });
}

StoreError ObjectStore::journalEntry(qint64 userId, const QJsonObject &entry, QString *token)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (!database.transaction([&] { return user.journal.append({entry}); })) {
            user.stale = true;
            return {500, QStringLiteral("The entry could not be stored")};
        }
        *token = user.journal.head();
        return {};
    });
}

StoreError ObjectStore::putPatternFile(qint64 userId, const QString &path, qint64 size,
                                       QJsonObject *object)
{
    const QString hash = blobs.putPattern(size);
    if (hash.isEmpty())
        return {500, QStringLiteral("The content could not be stored")};
    return placeFile(
        userId, 0, path, hash, size, QDateTime::currentSecsSinceEpoch(),
        [](const StoredObject *) { return StoreError(); }, object);
}

StoreError ObjectStore::seed(qint64 userId, const QString &folder, int count, bool files,
                             int *added, const QByteArray &content, const QString &suffix)
{
    // Seeded files share one blob.
    const QString emptyHash = files ? blobs.put(content) : QString();
    if (files && emptyHash.isEmpty())
        return {500, QStringLiteral("The content could not be stored")};
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        const qint64 bytesBefore = user.tree.totalBytes();
        QStringList made;
        if (StoreError blocked = makeFolders(&user.tree, folder, &made))
            return blocked;
        std::vector<QJsonObject> entries;
        for (const QString &path : made)
            entries.push_back(
                objectEntry("add", 0, path, user.tree.replyJson(*user.tree.find(path))));
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        *added = 0;
        for (int i = 1; i <= count; ++i) {
            const QString name = QStringLiteral("item-%1").arg(i, 6, 10, QLatin1Char('0'));
            const QString path = ObjectPath::child(folder, files ? name + suffix : name);
            if (user.tree.find(path))
                continue;
            StoredObject object = files ? StoredObject::newFile(path, emptyHash, content.size())
                                        : StoredObject::newFolder(path);
            object.modified = now;
            user.tree.insert(object);
            entries.push_back(objectEntry("add", 0, path, user.tree.replyJson(object)));
            ++*added;
        }
        return commit(userId, user, bytesBefore, entries);
    });
}

StoreError ObjectStore::isEmpty(qint64 userId, bool *empty)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        *empty = user.tree.children(root).empty();
        return {};
    });
}

StoreError ObjectStore::plantIntoEmptyRoot(qint64 userId, const std::vector<Planted> &objects,
                                           int *added)
{
    *added = 0;
    // Before the lock, as for any upload.
    QStringList hashes;
    for (const Planted &object : objects) {
        hashes.append(object.folder ? QString() : blobs.put(object.content));
        if (!object.folder && hashes.last().isEmpty())
            return {500, QStringLiteral("The content could not be stored")};
    }
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (!user.tree.children(root).empty())
            return {};
        const qint64 bytesBefore = user.tree.totalBytes();
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        QStringList made;
        for (size_t i = 0; i < objects.size(); ++i) {
            const Planted &planted = objects[i];
            if (StoreError blocked =
                    makeFolders(&user.tree, ObjectPath::parent(planted.path), &made))
                return blocked;
            if (user.tree.find(planted.path))
                return exists(planted.path);
            StoredObject object = planted.folder ? StoredObject::newFolder(planted.path)
                                                 : StoredObject::newFile(planted.path, hashes[i],
                                                                         planted.content.size());
            object.modified = now;
            user.tree.insert(object);
            made.append(planted.path);
        }
        // Journalled once all are in, so that each folder's entry counts its children.
        std::vector<QJsonObject> entries;
        for (const QString &path : made)
            entries.push_back(
                objectEntry("add", 0, path, user.tree.replyJson(*user.tree.find(path))));
        if (StoreError failed = commit(userId, user, bytesBefore, entries))
            return failed;
        *added = made.size();
        return {};
    });
}

void ObjectStore::killDuringChange(int statements)
{
    database.killAfterStatements(statements);
}
