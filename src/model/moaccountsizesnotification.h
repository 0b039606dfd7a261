#ifndef MOACCOUNTSIZESNOTIFICATION_H
#define MOACCOUNTSIZESNOTIFICATION_H

#include "mopostednotification.h"

class MOUserAuthenticationManager;

// Reads MOUserAccountSizesChangedNotification (on the default centre). It carries no values:
// the new sizes are read from the signed-in account (MOUserAuthenticationManager).
class MOAccountSizesNotification
{
public:
    explicit MOAccountSizesNotification(const MOPostedNotification &notification);

    // The manager whose account changed; null on any other notification.
    MOUserAuthenticationManager *manager() const;

private:
    MOPostedNotification m_notification;
};

#endif // MOACCOUNTSIZESNOTIFICATION_H
