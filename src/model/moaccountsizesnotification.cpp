#include "moaccountsizesnotification.h"

#include "moconstants.h"
#include "mouserauthenticationmanager.h"

MOAccountSizesNotification::MOAccountSizesNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

MOUserAuthenticationManager *MOAccountSizesNotification::manager() const
{
    if (m_notification.name != MOUserAccountSizesChangedNotification)
        return nullptr;
    return qobject_cast<MOUserAuthenticationManager *>(m_notification.object);
}
