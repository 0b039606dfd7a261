#ifndef MOAVATARMANAGERDELEGATE_H
#define MOAVATARMANAGERDELEGATE_H

#include "mouseraccount.h"

#include <QString>

class MOAvatarManager;

// Receives one avatar facade's answers, on the main thread. Both calls are optional.
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
};

#endif // MOAVATARMANAGERDELEGATE_H
