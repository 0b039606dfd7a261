#ifndef MOAVATARMANAGERDELEGATE_H
#define MOAVATARMANAGERDELEGATE_H

#include "mouseraccount.h"

#include <QString>

class MOAvatarManager;

// Receives one avatar facade's answers, on the main thread. Every call is optional.
class MOAvatarManagerDelegate
{
public:
    virtual ~MOAvatarManagerDelegate() = default;

    // avatarManager:didFetchAvatar:atPath: (path: the cached picture)
    virtual void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *manager,
                                                   const MOUserAccount &account,
                                                   const QString &path)
    {}
    // avatarManager:didUpdateAvatar:atPath: (path: the cache file now holding the upload)
    virtual void avatarManagerDidUpdateAvatarAtPath(MOAvatarManager *manager,
                                                    const MOUserAccount &account,
                                                    const QString &path)
    {}
    // The picture given to updateAvatar() was not uploaded; status is the service's answer, 0
    // when none came (no connection, nobody signed in, no readable file).
    virtual void avatarManagerDidFailUpdatingAvatar(MOAvatarManager *manager, int status) {}
};

#endif // MOAVATARMANAGERDELEGATE_H
