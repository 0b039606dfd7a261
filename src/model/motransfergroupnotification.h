#ifndef MOTRANSFERGROUPNOTIFICATION_H
#define MOTRANSFERGROUPNOTIFICATION_H

#include "moobjecttransfergroup.h"
#include "mopostednotification.h"

// Reads the objects facade's group notifications (MOObjectTransferGroupWillStartNotification
// to MOObjectTransferGroupDidFinishNotification).
class MOTransferGroupNotification
{
public:
    explicit MOTransferGroupNotification(const MOPostedNotification &notification);

    // The group with its totals as they were when posted; invalid on any other notification.
    MOObjectTransferGroup group() const;

private:
    MOPostedNotification m_notification;
};

#endif // MOTRANSFERGROUPNOTIFICATION_H
