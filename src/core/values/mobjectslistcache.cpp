#include "mobjectslistcache.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>

namespace {

// The listing an object belongs to. Cleaning lets "/Docs/" and "Docs" meet the "/Docs" of
// lookups; an object without a base path belongs to no listing.
QString directoryKey(const MStorageObject &object)
{
    const QString basePath = object.basePath();
    return basePath.isEmpty() ? QString() : QDir::cleanPath(QLatin1Char('/') + basePath);
}

int indexOfLabel(const QList<MStorageObject> &objects, const QString &label)
{
    const auto found = std::find_if(objects.cbegin(), objects.cend(),
                                    [&](const auto &object) { return object.label() == label; });
    return found == objects.cend() ? -1 : int(found - objects.cbegin());
}

} // namespace

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
        *objects = listing->objects;
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
    const int index = indexOfLabel(listing->objects, label);
    if (index < 0)
        return false;
    if (object)
        *object = listing->objects.at(index);
    return true;
}

void MObjectsListCache::store(const QList<MStorageObject> &objects)
{
    if (objects.isEmpty())
        return;
    const QString key = directoryKey(objects.first());
    if (key.isEmpty())
        return;
    const QDateTime now = clock();
    QMutexLocker locker(&mutex);
    listings.insert(key, {objects, now});
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
    const int index = indexOfLabel(listing->objects, object.label());
    if (index < 0)
        listing->objects.append(object);
    else
        listing->objects[index] = object;
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
    const int index = indexOfLabel(listing->objects, info.fileName());
    return index < 0 ? MStorageObject() : listing->objects.takeAt(index);
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
