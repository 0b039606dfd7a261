#include "objectstore.h"

#include "accountstore.h"
#include "changejournal.h"
#include "objectpath.h"
#include "objecttree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace {

const QString root = QStringLiteral("/");
const char treeFile[] = "tree.json";
const char journalFile[] = "journal.jsonl";

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
    explicit UserObjects(const QString &journalPath)
        : journal(journalPath)
    {}

    ObjectTree tree;
    ChangeJournal journal;
};

ObjectStore::ObjectStore(const QString &dataPath, AccountStore &accounts)
    : dataPath(dataPath)
    , accounts(accounts)
    , blobs(QDir(dataPath).filePath(QStringLiteral("blobs")))
{}

ObjectStore::~ObjectStore() = default;

QString ObjectStore::userPath(qint64 userId) const
{
    return QDir(dataPath).filePath(QStringLiteral("objects/%1").arg(userId));
}

bool ObjectStore::save(qint64 userId, const ObjectTree &tree) const
{
    const QString path = QDir(userPath(userId)).filePath(QLatin1String(treeFile));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(QJsonDocument(tree.toStoredJson()).toJson(QJsonDocument::Compact)) >= 0 &&
        file.commit())
        return true;
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
}

ObjectStore::UserObjects *ObjectStore::objectsOf(qint64 userId, StoreError *error)
{
    const auto known = users.find(userId);
    if (known != users.end())
        return known->second.get();

    const QDir folder(userPath(userId));
    auto user = std::make_unique<UserObjects>(folder.filePath(QLatin1String(journalFile)));
    QFile file(folder.filePath(QLatin1String(treeFile)));
    QString problem;
    if (!folder.mkpath(QStringLiteral("."))) {
        problem = QStringLiteral("cannot make %1").arg(folder.path());
    } else if (!file.exists()) {
        if (!save(userId, user->tree))
            problem = QStringLiteral("cannot write %1").arg(file.fileName());
    } else if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read %1").arg(file.fileName());
    } else if (std::optional<ObjectTree> tree =
                   ObjectTree::fromStoredJson(QJsonDocument::fromJson(file.readAll()).object())) {
        user->tree = std::move(*tree);
    } else {
        problem = QStringLiteral("%1 is damaged").arg(file.fileName());
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

StoreError ObjectStore::commit(qint64 userId, UserObjects &user, const ObjectTree &next,
                               const std::vector<QJsonObject> &entries)
{
    const qint64 growth = next.totalBytes() - user.tree.totalBytes();
    if (!accounts.hasRoom(userId, growth))
        return {507, QStringLiteral("Not enough storage space")};
    if (!save(userId, next))
        return {500, QStringLiteral("The change could not be stored")};
    accounts.addUsedSize(userId, growth);
    user.tree = next;
    // The change stands even when its entry cannot be written; the failure is on stderr.
    for (const QJsonObject &entry : entries)
        user.journal.append(entry);
    return {};
}

template<typename Operation> StoreError ObjectStore::withObjects(qint64 userId, Operation operation)
{
    std::lock_guard<std::mutex> lock(mutex);
    StoreError error;
    UserObjects *user = objectsOf(userId, &error);
    return user ? operation(*user) : error;
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
        ObjectTree next = user.tree;
        QStringList made;
        if (StoreError blocked = makeFolders(&next, path, &made))
            return blocked;
        std::vector<QJsonObject> entries;
        for (const QString &folder : made)
            entries.push_back(
                objectEntry("add", deviceId, folder, next.replyJson(*next.find(folder))));
        if (StoreError failed = commit(userId, user, next, entries))
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

        ObjectTree next = user.tree;
        QStringList made;
        if (StoreError blocked = makeFolders(&next, ObjectPath::parent(path), &made))
            return blocked;
        StoredObject file = StoredObject::newFile(path, hash, size);
        file.modified = modified;
        next.insert(file);
        std::vector<QJsonObject> entries;
        for (const QString &folder : made)
            entries.push_back(
                objectEntry("add", deviceId, folder, next.replyJson(*next.find(folder))));
        const QJsonObject stored = next.replyJson(*next.find(path));
        if (existing) {
            const QJsonObject attributes{
                {QStringLiteral("hash"), QJsonArray{existing->hash, hash}}};
            entries.push_back(updateEntry(deviceId, path, attributes, stored));
        } else {
            entries.push_back(objectEntry("add", deviceId, path, stored));
        }
        if (StoreError failed = commit(userId, user, next, entries))
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
        ObjectTree next = user.tree;
        std::vector<QJsonObject> entries;
        for (const QString &path : ordered) {
            const StoredObject *object = next.find(path);
            if (!object) {
                // Gone with a folder listed before it is no failure.
                if (!user.tree.find(path))
                    missing->append(path);
                continue;
            }
            const QJsonObject json = next.replyJson(*object, true);
            removed->append(json);
            entries.push_back(objectEntry("delete", deviceId, path, json));
            next.remove(path);
        }
        if (entries.empty())
            return {};
        return commit(userId, user, next, entries);
    });
}

StoreError ObjectStore::move(qint64 userId, qint64 deviceId, const QString &from, const QString &to,
                             QJsonObject *object)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (StoreError refused = checkDestination(user.tree, from, to))
            return refused;

        ObjectTree next = user.tree;
        next.move(from, to);
        QJsonObject attributes{{QStringLiteral("path"), QJsonArray{from, to}}};
        if (ObjectPath::name(from) != ObjectPath::name(to))
            attributes.insert(QStringLiteral("label"),
                              QJsonArray{ObjectPath::name(from), ObjectPath::name(to)});
        const QJsonObject moved = next.replyJson(*next.find(to));
        if (StoreError failed =
                commit(userId, user, next, {updateEntry(deviceId, from, attributes, moved)}))
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

        ObjectTree next = user.tree;
        next.copy(from, to);
        const QJsonObject made = next.replyJson(*next.find(to));
        *original = user.tree.replyJson(*user.tree.find(from));
        if (StoreError failed =
                commit(userId, user, next, {objectEntry("add", deviceId, to, made)}))
            return failed;
        *copy = made;
        return {};
    });
}

StoreError ObjectStore::journalEntry(qint64 userId, const QJsonObject &entry, QString *token)
{
    return withObjects(userId, [&](UserObjects &user) -> StoreError {
        if (!user.journal.append(entry))
            return {500, QStringLiteral("The entry could not be stored")};
        *token = user.journal.head();
        return {};
    });
}
