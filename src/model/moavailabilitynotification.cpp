#include "moavailabilitynotification.h"

#include "moconstants.h"

MOAvailabilityNotification::MOAvailabilityNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

MOAPIAvailabilityManager::Status MOAvailabilityNotification::status() const
{
    if (m_notification.name != MOAPIAvailabilityChangedNotification)
        return MOAPIAvailabilityManager::Offline;
    return MOAPIAvailabilityManager::Status(
        m_notification.userInfo.value(MOAvailabilityStatusFlagsKey).toUInt());
}

MOAPIAvailabilityManager *MOAvailabilityNotification::manager() const
{
    if (m_notification.name != MOAPIAvailabilityChangedNotification)
        return nullptr;
    return qobject_cast<MOAPIAvailabilityManager *>(m_notification.object);
}
