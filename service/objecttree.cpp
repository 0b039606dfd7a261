#include "objecttree.h"

#include "objectpath.h"

#include <algorithm>

namespace {

const QString root = QStringLiteral("/");

} // namespace

ObjectTree::ObjectTree()
{
    objects.emplace(root, StoredObject::newFolder(root));
}

std::optional<ObjectTree> ObjectTree::fromObjects(std::vector<StoredObject> stored,
                                                  std::vector<StoredObject> storedRemoved)
{
    ObjectTree tree;
    tree.objects.clear();
    for (StoredObject &object : stored) {
        tree.bytes += object.size;
        if (!tree.objects.emplace(object.path, std::move(object)).second)
            return std::nullopt;
    }
    for (StoredObject &object : storedRemoved)
        tree.removed.emplace(object.path, std::move(object));
    const StoredObject *top = tree.find(root);
    if (!top || !top->folder)
        return std::nullopt;
    // Every other object hangs in a folder of the tree.
    for (const auto &entry : tree.objects) {
        const StoredObject *parent = tree.find(ObjectPath::parent(entry.first));
        if (entry.first != root && (!parent || !parent->folder))
            return std::nullopt;
    }
    return tree;
}

const StoredObject *ObjectTree::find(const QString &path) const
{
    const auto it = objects.find(path);
    return it == objects.end() ? nullptr : &it->second;
}

const StoredObject *ObjectTree::removedAt(const QString &path) const
{
    const auto it = removed.find(path);
    return it == removed.end() ? nullptr : &it->second;
}

std::pair<ObjectTree::Objects::const_iterator, ObjectTree::Objects::const_iterator>
ObjectTree::below(const QString &path) const
{
    // Strings that share a prefix sort together. Not so path itself: "/A b" sorts between
    // "/A" and "/A/b".
    const QString prefix = path == root ? root : path + QLatin1Char('/');
    auto first = objects.lower_bound(prefix);
    if (first != objects.end() && first->first == path)
        ++first;
    auto last = first;
    while (last != objects.end() && last->first.startsWith(prefix))
        ++last;
    return {first, last};
}

std::vector<const StoredObject *> ObjectTree::children(const QString &folder) const
{
    std::vector<const StoredObject *> result;
    const int nameStart = folder == root ? 1 : folder.size() + 1;
    const auto range = below(folder);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->first.indexOf(QLatin1Char('/'), nameStart) < 0)
            result.push_back(&it->second);
    }
    return result;
}

QJsonObject ObjectTree::replyJson(const StoredObject &object, bool deleted) const
{
    return object.toReplyJson(object.folder ? qint64(children(object.path).size()) : 0, deleted);
}

void ObjectTree::set(bool removedObject, const QString &path,
                     const std::optional<StoredObject> &object)
{
    Objects &map = removedObject ? removed : objects;
    Change change;
    change.path = path;
    change.removedObject = removedObject;
    change.after = object;
    const auto it = map.find(path);
    if (it != map.end()) {
        change.before = it->second;
        if (!removedObject)
            bytes -= it->second.size;
        map.erase(it);
    }
    if (object) {
        map.emplace(path, *object);
        if (!removedObject)
            bytes += object->size;
    }
    changes.push_back(std::move(change));
}

void ObjectTree::insert(const StoredObject &object)
{
    set(false, object.path, object);
    if (removed.count(object.path))
        set(true, object.path, std::nullopt);
}

std::vector<StoredObject> ObjectTree::takeSubtree(const QString &path)
{
    std::vector<StoredObject> taken;
    const auto self = objects.find(path);
    if (self == objects.end())
        return taken;
    taken.push_back(self->second);
    const auto range = below(path);
    for (auto it = range.first; it != range.second; ++it)
        taken.push_back(it->second);
    for (const StoredObject &object : taken) {
        set(false, object.path, std::nullopt);
        set(true, object.path, object);
    }
    return taken;
}

void ObjectTree::remove(const QString &path)
{
    takeSubtree(path);
}

void ObjectTree::move(const QString &from, const QString &to)
{
    for (StoredObject object : takeSubtree(from)) {
        object.path = ObjectPath::rebased(object.path, from, to);
        insert(object);
    }
}

void ObjectTree::copy(const QString &from, const QString &to)
{
    std::vector<StoredObject> copies;
    if (const StoredObject *source = find(from))
        copies.push_back(*source);
    const auto range = below(from);
    for (auto it = range.first; it != range.second; ++it)
        copies.push_back(it->second);
    for (StoredObject &object : copies) {
        object.path = ObjectPath::rebased(object.path, from, to);
        object.versionId = StoredObject::newVersionId();
        insert(object);
    }
}

std::vector<ObjectTree::Change> ObjectTree::takeChanges()
{
    std::vector<Change> taken;
    taken.swap(changes);
    return taken;
}

void ObjectTree::rollBack()
{
    std::vector<Change> undo = takeChanges();
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
        set(it->removedObject, it->path, it->before);
    changes.clear();
}
