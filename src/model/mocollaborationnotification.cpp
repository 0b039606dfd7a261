#include "mocollaborationnotification.h"

#include "moconstants.h"

MOCollaborationNotification::MOCollaborationNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

QList<MOCollaboration> MOCollaborationNotification::collaborations() const
{
    return m_notification.userInfo.value(MOCollaborationInstancesKey)
        .value<QList<MOCollaboration>>();
}
