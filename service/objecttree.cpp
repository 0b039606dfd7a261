#include "objecttree.h"

#include "objectpath.h"

#include <QJsonArray>

namespace {

const QString root = QStringLiteral("/");

bool readObjects(const QJsonValue &value, std::map<QString, StoredObject> *objects)
{
    if (!value.isArray())
        return false;
    for (const QJsonValue &item : value.toArray()) {
        const std::optional<StoredObject> object = StoredObject::fromStoredJson(item.toObject());
        if (!object || !objects->emplace(object->path, *object).second)
            return false;
    }
    return true;
}

QJsonArray toArray(const std::map<QString, StoredObject> &objects)
{
    QJsonArray array;
    for (const auto &entry : objects)
        array.append(entry.second.toStoredJson());
    return array;
}

} // namespace

ObjectTree::ObjectTree()
{
    objects.emplace(root, StoredObject::newFolder(root));
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

qint64 ObjectTree::bytesBelow(const QString &path) const
{
    const StoredObject *object = find(path);
    qint64 bytes = object ? object->size : 0;
    const auto range = below(path);
    for (auto it = range.first; it != range.second; ++it)
        bytes += it->second.size;
    return bytes;
}

qint64 ObjectTree::totalBytes() const
{
    return bytesBelow(root);
}

QJsonObject ObjectTree::replyJson(const StoredObject &object, bool deleted) const
{
    return object.toReplyJson(object.folder ? qint64(children(object.path).size()) : 0, deleted);
}

void ObjectTree::insert(const StoredObject &object)
{
    objects[object.path] = object;
    removed.erase(object.path);
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
    objects.erase(range.first, range.second);
    objects.erase(path);
    for (const StoredObject &object : taken)
        removed[object.path] = object;
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

QJsonObject ObjectTree::toStoredJson() const
{
    return {{QStringLiteral("objects"), toArray(objects)},
            {QStringLiteral("removed"), toArray(removed)}};
}

std::optional<ObjectTree> ObjectTree::fromStoredJson(const QJsonObject &json)
{
    ObjectTree tree;
    tree.objects.clear();
    if (!readObjects(json.value(QLatin1String("objects")), &tree.objects) ||
        !readObjects(json.value(QLatin1String("removed")), &tree.removed))
        return std::nullopt;
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
