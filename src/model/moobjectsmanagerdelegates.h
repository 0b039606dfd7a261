#ifndef MOOBJECTSMANAGERDELEGATES_H
#define MOOBJECTSMANAGERDELEGATES_H

#include <QString>
#include <QVariant>

class MOError;
class MOObjectsManager;
class MOStorageObject;

// Hears of failures that concern one path of the remote hierarchy. Calls come on the main
// thread with the user data of the call that caused them.
class MOObjectsManagerHierarchyDelegate
{
public:
    virtual ~MOObjectsManagerHierarchyDelegate() = default;

    // objectsManager:didFailForPath:error:userData: a listed or fetched path the service does
    // not know (kMObjectsFetchingDomain, code 0), or a listing or fetch that failed otherwise
    // (same domain, the HTTP status as code: a success status when the answer could not be
    // read, -1 when none came).
    virtual void objectsManagerDidFailForPathErrorUserData(MOObjectsManager *manager,
                                                           const QString &path,
                                                           const MOError &error,
                                                           const QVariant &userData) = 0;
    // objectsManager:didFetchObject:userData: not sent at present.
    virtual void objectsManagerDidFetchObjectUserData(MOObjectsManager *manager,
                                                      const MOStorageObject &object,
                                                      const QVariant &userData)
    {}
    // objectsManager:didCopyObject:toObject:userData: not sent at present; copies are
    // posted as "MOObjectCopiedUpdateNotification".
    virtual void objectsManagerDidCopyObjectToObjectUserData(MOObjectsManager *manager,
                                                             const MOStorageObject &object,
                                                             const MOStorageObject &copy,
                                                             const QVariant &userData)
    {}
};

// Hears about the local copies of remote files.
class MOObjectsManagerCacheDelegate
{
public:
    virtual ~MOObjectsManagerCacheDelegate() = default;

    // objectOpened: not sent at present.
    virtual void objectOpened(const MOStorageObject &object) {}
    // The codes of objectCacheErrorError().
    enum CacheError { RemoteNotFound = 805, NoApplication = 813 };

    // objectCacheError:error: the local copy of path could not be opened
    // (kMObjectsCachingDomain, NoApplication when no application took it, RemoteNotFound when
    // its folder no longer holds it).
    virtual void objectCacheErrorError(const QString &path, const MOError &error) {}
};

#endif // MOOBJECTSMANAGERDELEGATES_H
