#ifndef OBJECTTREE_H
#define OBJECTTREE_H

#include "storedobject.h"

#include <QJsonObject>

#include <map>
#include <optional>
#include <vector>

// One user's files and folders by path, and what was last deleted at each path that is
// empty now. The root always exists. Changes are made in place and remembered until the
// store has written them (takeChanges) or given them up (rollBack), so that a change costs
// what it touches, not the size of the tree.
class ObjectTree
{
public:
    // One path whose object (or removed object) was set or cleared.
    struct Change
    {
        QString path;
        bool removedObject = false; // the record of what was deleted there
        std::optional<StoredObject> before;
        std::optional<StoredObject> after;
    };

    ObjectTree(); // the root alone
    // A stored tree: nullopt unless the root is a folder and every object hangs in one.
    static std::optional<ObjectTree> fromObjects(std::vector<StoredObject> objects,
                                                 std::vector<StoredObject> removed);

    const StoredObject *find(const QString &path) const;
    // The object that was last removed from path (deleted, or moved away).
    const StoredObject *removedAt(const QString &path) const;
    std::vector<const StoredObject *> children(const QString &folder) const;
    qint64 totalBytes() const { return bytes; }

    // The object JSON of the API, with its children counted.
    QJsonObject replyJson(const StoredObject &object, bool deleted = false) const;

    // The caller checks that the parent is a folder.
    void insert(const StoredObject &object);
    // These act on the object and everything below it.
    void remove(const QString &path);
    void move(const QString &from, const QString &to);
    void copy(const QString &from, const QString &to); // copies get new version ids

    // The changes since the last take or roll-back, oldest first, to be stored.
    std::vector<Change> takeChanges();
    // Undoes the changes since the last take or roll-back.
    void rollBack();

private:
    using Objects = std::map<QString, StoredObject>;
    // Everything below path, which is itself left out: one run in path order.
    std::pair<Objects::const_iterator, Objects::const_iterator> below(const QString &path) const;
    // The object at path and everything below it, moved to the removed ones.
    std::vector<StoredObject> takeSubtree(const QString &path);
    void set(bool removedObject, const QString &path, const std::optional<StoredObject> &object);

    Objects objects;
    Objects removed;
    qint64 bytes = 0;
    std::vector<Change> changes;
};

#endif // OBJECTTREE_H
