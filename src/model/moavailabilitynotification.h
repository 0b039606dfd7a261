#ifndef MOAVAILABILITYNOTIFICATION_H
#define MOAVAILABILITYNOTIFICATION_H

#include "moapiavailabilitymanager.h"
#include "mopostednotification.h"

// Reads MOAPIAvailabilityChangedNotification.
class MOAvailabilityNotification
{
public:
    explicit MOAvailabilityNotification(const MOPostedNotification &notification);

    // The status the core has just set; Offline on any other notification.
    MOAPIAvailabilityManager::Status status() const;
    // The manager that posted it; null on any other notification.
    MOAPIAvailabilityManager *manager() const;

private:
    MOPostedNotification m_notification;
};

#endif // MOAVAILABILITYNOTIFICATION_H
