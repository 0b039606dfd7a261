#ifndef MOBJECTSLISTCACHE_H
#define MOBJECTSLISTCACHE_H

#include "mstorageobject.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QVector>

#include <functional>

// The last listing the service returned for each remote directory, kept current as objects
// are added, changed, moved and removed, so that repeated listings, metadata and existence
// tests need no request. Each operation is atomic. The lock is never held while calling out,
// so callers may use the cache under a lock of their own (theirs first, then the cache's).
class MObjectsListCache
{
public:
    using Clock = std::function<QDateTime()>;

    // clock gives the time listings are stamped and aged with.
    explicit MObjectsListCache(Clock clock = &QDateTime::currentDateTimeUtc);

    // Whether no listing of the directory path is held or the one held is older than the time
    // to live. When it is fresh and objects is given, the listing is copied into it.
    bool isExpired(const QString &path, QList<MStorageObject> *objects = nullptr) const;
    // The fresh listing of the directory path; empty when isExpired().
    QList<MStorageObject> objects(const QString &path) const;
    // Whether a listing of the directory path is held, fresh or not.
    bool contains(const QString &path) const;
    // Whether the listing of the directory of path, fresh or not, holds an object named as the
    // last component of path; the object is copied to object when given.
    bool containsObject(const QString &path, MStorageObject *object = nullptr) const;

    // Objects in the order the service listed them, found by name in constant time. A taken
    // object leaves a hole until holes make up half the entries, so that a delta of many
    // removals costs neither a list shift nor a renumbering each.
    struct Listing
    {
        QList<MStorageObject> entries;
        QVector<bool> holes;
        int holeCount = 0;
        // Name to its first slot.
        QHash<QString, int> positions;
        // The service listed some name twice: a taken name may still be in another slot.
        bool repeatsNames = false;
        QDateTime storedAt;

        void assign(const QList<MStorageObject> &objects);
        QList<MStorageObject> objects() const;
        int indexOf(const QString &label) const { return positions.value(label, -1); }
        void put(const MStorageObject &object);
        MStorageObject take(int index);
    };

    // Keeps objects as the listing of the first one's base path. An empty list stores
    // nothing, so a directory without objects is always listed again.
    void store(const QList<MStorageObject> &objects);
    // The same with a listing already assigned its objects: a large one is assigned where its
    // reply is decoded, off the main thread.
    void storeListing(Listing listing);
    // Puts object into the listing of its base path, in place of the entry of the same name or
    // else at the end, and stamps the listing fresh. Without add, a directory that has no
    // listing gets none. Returns whether the object was put.
    bool updateObject(const MStorageObject &object, bool add);
    // Removes the object at path from its directory's fresh listing and returns it (invalid
    // when there was none). The listings of path and of everything below it are dropped too.
    MStorageObject takeObject(const QString &path);
    // Drops the listings of the directory path and of everything below it: the service now
    // lists it empty, and an older listing would still answer with what is gone.
    void forgetListing(const QString &path);

    // In seconds; 0, the default, keeps listings fresh for ever.
    void setTimeToLive(int seconds);
    int timeToLive() const;

private:
    bool isFresh(const Listing &listing, const QDateTime &now) const;
    void removeListingsUnder(const QString &path);

    Q_DISABLE_COPY(MObjectsListCache)

    mutable QMutex mutex;
    const Clock clock;
    QMap<QString, Listing> listings;
    int timeToLiveSeconds = 0;
};

#endif // MOBJECTSLISTCACHE_H
