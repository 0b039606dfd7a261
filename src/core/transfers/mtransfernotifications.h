#ifndef MTRANSFERNOTIFICATIONS_H
#define MTRANSFERNOTIFICATIONS_H

#include "mobjecttransfer.h"
#include "mobjecttransferrequest.h"
#include "tolvo.h"

#include <QString>

// The transfer engine's error notifications: the overloads of MNotificationManager's posts that
// carry a transfer or a request, which the manager's floor cannot know. They post through
// MNotificationManager; a transfer goes with its notification only when it is valid.
namespace MTransferNotifications {

void postIOErrorNotification(Tolvo::ObjectAction action, const QString &filePath,
                             const MObjectTransfer &transfer);
void postFileExistsErrorNotification(Tolvo::ObjectAction action,
                                     const MObjectTransferRequest &request);
void postSpaceQuotaExceededError(Tolvo::ObjectAction action, const MObjectTransfer &transfer);

} // namespace MTransferNotifications

#endif // MTRANSFERNOTIFICATIONS_H
