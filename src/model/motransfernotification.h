#ifndef MOTRANSFERNOTIFICATION_H
#define MOTRANSFERNOTIFICATION_H

#include "moerror.h"
#include "moobjecttransfer.h"
#include "mopostednotification.h"

#include <QString>

// Reads the objects facade's transfer notifications (MOObjectTransferWillStartNotification
// to MOObjectTransferDidAbortNotification). What a notification does not carry reads empty.
class MOTransferNotification
{
public:
    explicit MOTransferNotification(const MOPostedNotification &notification);

    // The transfer as it was when the notification was posted.
    MOObjectTransfer transfer() const;
    // The object action the transfer serves (what a folder transfer gave its members, else
    // the core's action); 0 when none was set.
    qint64 requestType() const;
    // kMOObjectsTransferDomain, or kMObjectsCachingDomain for a download into the local cache.
    QString domain() const;
    bool isCaching() const;
    // Why an aborted transfer failed; null otherwise.
    MOError error() const;

private:
    MOPostedNotification m_notification;
};

#endif // MOTRANSFERNOTIFICATION_H
