#include "motransfergroupnotification.h"

#include "moconstants.h"

MOTransferGroupNotification::MOTransferGroupNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

MOObjectTransferGroup MOTransferGroupNotification::group() const
{
    return m_notification.userInfo.value(MOObjectTransferGroupKey).value<MOObjectTransferGroup>();
}
