#ifndef MOCOLLABORATIONNOTIFICATION_H
#define MOCOLLABORATIONNOTIFICATION_H

#include "mocollaboration.h"
#include "mopostednotification.h"

#include <QList>

// Reads what MOCollaborationInvitesNotification carries.
class MOCollaborationNotification
{
public:
    // The invitations under MOCollaborationInstancesKey, in the order the service listed them;
    // empty for any other notification.
    static QList<MOCollaboration> collaborations(const MOPostedNotification &notification);
};

#endif // MOCOLLABORATIONNOTIFICATION_H
