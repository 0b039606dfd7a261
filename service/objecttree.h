#ifndef OBJECTTREE_H
#define OBJECTTREE_H

#include "storedobject.h"

#include <QJsonObject>

#include <map>
#include <optional>
#include <vector>

// One user's files and folders by path, and what was last deleted at each path that is
// empty now. The root always exists. A value: changes are made on a copy, which replaces
// the tree once it has been stored.
class ObjectTree
{
public:
    ObjectTree(); // the root alone

    const StoredObject *find(const QString &path) const;
    // The object that was last removed from path (deleted, or moved away).
    const StoredObject *removedAt(const QString &path) const;
    std::vector<const StoredObject *> children(const QString &folder) const;
    qint64 bytesBelow(const QString &path) const; // the object's own size included
    qint64 totalBytes() const;

    // The object JSON of the API, with its children counted.
    QJsonObject replyJson(const StoredObject &object, bool deleted = false) const;

    // The caller checks that the parent is a folder.
    void insert(const StoredObject &object);
    // These act on the object and everything below it.
    void remove(const QString &path);
    void move(const QString &from, const QString &to);
    void copy(const QString &from, const QString &to); // copies get new version ids

    QJsonObject toStoredJson() const;
    static std::optional<ObjectTree> fromStoredJson(const QJsonObject &json);

private:
    using Objects = std::map<QString, StoredObject>;
    // Everything below path, which is itself left out: one run in path order.
    std::pair<Objects::const_iterator, Objects::const_iterator> below(const QString &path) const;
    // The object at path and everything below it, moved to the removed ones.
    std::vector<StoredObject> takeSubtree(const QString &path);

    Objects objects;
    Objects removed;
};

#endif // OBJECTTREE_H
