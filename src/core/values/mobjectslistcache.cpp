#include "mobjectslistcache.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

#include <utility>

namespace {

// The listing an object belongs to. Cleaning lets "/Docs/" and "Docs" meet the "/Docs" of
// lookups; an object without a base path belongs to no listing.
QString directoryKey(const MStorageObject &object)
{
    const QString basePath = object.basePath();
    return basePath.isEmpty() ? QString() : QDir::cleanPath(QLatin1Char('/') + basePath);
}

} // namespace

void MObjectsListCache::Listing::assign(const QList<MStorageObject> &objects)
{
    entries = objects;
    holes = QVector<bool>(objects.size(), false);
    holeCount = 0;
    positions.clear();
    positions.reserve(objects.size());
    repeatsNames = false;
    for (int i = 0; i < objects.size(); ++i) {
        const QString label = objects.at(i).label();
        if (positions.contains(label))
            repeatsNames = true;
        else
            positions.insert(label, i);
    }
}

QList<MStorageObject> MObjectsListCache::Listing::objects() const
{
    if (!holeCount)
        return entries;
    QList<MStorageObject> objects;
    objects.reserve(entries.size() - holeCount);
    for (int i = 0; i < entries.size(); ++i) {
        if (!holes.at(i))
            objects.append(entries.at(i));
    }
    return objects;
}

void MObjectsListCache::Listing::put(const MStorageObject &object)
{
    const int index = indexOf(object.label());
    if (index >= 0) {
        entries[index] = object;
        return;
    }
    positions.insert(object.label(), entries.size());
    entries.append(object);
    holes.append(false);
}

MStorageObject MObjectsListCache::Listing::take(int index)
{
    const MStorageObject object = entries.at(index);
    entries[index] = MStorageObject();
    holes[index] = true;
    ++holeCount;
    positions.remove(object.label());
    if (repeatsNames) {
        for (int i = index + 1; i < entries.size(); ++i) {
            if (!holes.at(i) && entries.at(i).label() == object.label()) {
                positions.insert(object.label(), i);
                break;
            }
        }
    }
    if (holeCount * 2 > entries.size())
        assign(objects());
    return object;
}

MObjectsListCache::MObjectsListCache(Clock clock)
    : clock(std::move(clock))
{}

bool MObjectsListCache::isExpired(const QString &path, QList<MStorageObject> *objects) const
{
    const QString key = QDir::cleanPath(path);
    const QDateTime now = clock();
    QMutexLocker locker(&mutex);
    const auto listing = listings.constFind(key);
    if (listing == listings.constEnd() || !isFresh(*listing, now))
        return true;
    if (objects)
        *objects = listing->objects();
    return false;
}

QList<MStorageObject> MObjectsListCache::objects(const QString &path) const
{
    QList<MStorageObject> objects;
    isExpired(path, &objects);
    return objects;
}

bool MObjectsListCache::contains(const QString &path) const
{
    const QString key = QDir::cleanPath(path);
    QMutexLocker locker(&mutex);
    return listings.contains(key);
}

bool MObjectsListCache::containsObject(const QString &path, MStorageObject *object) const
{
    const QFileInfo info(QDir::cleanPath(path));
    const QString key = info.path();
    const QString label = info.fileName();
    QMutexLocker locker(&mutex);
    const auto listing = listings.constFind(key);
    if (listing == listings.constEnd())
        return false;
    const int index = listing->indexOf(label);
    if (index < 0)
        return false;
    if (object)
        *object = listing->entries.at(index);
    return true;
}

void MObjectsListCache::store(const QList<MStorageObject> &objects)
{
    if (objects.isEmpty() || directoryKey(objects.first()).isEmpty())
        return;
    Listing listing;
    listing.assign(objects);
    storeListing(std::move(listing));
}

void MObjectsListCache::storeListing(Listing listing)
{
    if (listing.entries.isEmpty())
        return;
    const QString key = directoryKey(listing.entries.first());
    if (key.isEmpty())
        return;
    listing.storedAt = clock();
    QMutexLocker locker(&mutex);
    listings.insert(key, std::move(listing));
}

bool MObjectsListCache::updateObject(const MStorageObject &object, bool add)
{
    const QString key = directoryKey(object);
    if (key.isEmpty())
        return false;
    const QDateTime now = clock();
    QMutexLocker locker(&mutex);
    auto listing = listings.find(key);
    if (listing == listings.end()) {
        if (!add)
            return false;
        listing = listings.insert(key, Listing());
    }
    // A directory holds one entry per name: an object whose content or type changed replaces
    // its old entry instead of appearing twice.
    listing->put(object);
    listing->storedAt = now;
    return true;
}

MStorageObject MObjectsListCache::takeObject(const QString &path)
{
    const QString cleanPath = QDir::cleanPath(path);
    const QFileInfo info(cleanPath);
    const QDateTime now = clock();
    QMutexLocker locker(&mutex);
    // Whatever was listed inside a removed directory is gone with it, even when its parent
    // was never listed.
    removeListingsUnder(cleanPath);
    const auto listing = listings.find(info.path());
    if (listing == listings.end() || !isFresh(*listing, now))
        return MStorageObject();
    const int index = listing->indexOf(info.fileName());
    return index < 0 ? MStorageObject() : listing->take(index);
}

void MObjectsListCache::forgetListing(const QString &path)
{
    const QString key = QDir::cleanPath(QLatin1Char('/') + path);
    QMutexLocker locker(&mutex);
    removeListingsUnder(key);
}

void MObjectsListCache::setTimeToLive(int seconds)
{
    QMutexLocker locker(&mutex);
    timeToLiveSeconds = seconds;
}

int MObjectsListCache::timeToLive() const
{
    QMutexLocker locker(&mutex);
    return timeToLiveSeconds;
}

bool MObjectsListCache::isFresh(const Listing &listing, const QDateTime &now) const
{
    return timeToLiveSeconds == 0 || listing.storedAt.secsTo(now) <= timeToLiveSeconds;
}

void MObjectsListCache::removeListingsUnder(const QString &path)
{
    listings.remove(path);
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    auto listing = listings.lowerBound(prefix);
    while (listing != listings.end() && listing.key().startsWith(prefix))
        listing = listings.erase(listing);
}
