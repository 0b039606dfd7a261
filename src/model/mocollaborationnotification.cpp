#include "mocollaborationnotification.h"

#include "moconstants.h"

QList<MOCollaboration>
MOCollaborationNotification::collaborations(const MOPostedNotification &notification)
{
    return notification.userInfo.value(MOCollaborationInstancesKey).value<QList<MOCollaboration>>();
}
