#ifndef MOCOLLABORATIONNOTIFICATION_H
#define MOCOLLABORATIONNOTIFICATION_H

#include "mocollaboration.h"
#include "mopostednotification.h"

#include <QList>

// Reads what MOCollaborationInvitesNotification carries.
class MOCollaborationNotification
{
public:
    explicit MOCollaborationNotification(const MOPostedNotification &notification);

    // The invitations under MOCollaborationInstancesKey, in the order the service listed them;
    // empty for any other notification.
    QList<MOCollaboration> collaborations() const;

private:
    MOPostedNotification m_notification;
};

#endif // MOCOLLABORATIONNOTIFICATION_H
