#ifndef MTRANSFERNOTIFICATIONS_H
#define MTRANSFERNOTIFICATIONS_H

#include "mobjecttransfer.h"
#include "mobjecttransferrequest.h"
#include "tolvo.h"

#include <QString>

// The transfer engine's error notifications, posted through MNotificationManager with the
// transfer, or the request, they are about. A transfer goes with its notification only
// when it is valid.
namespace MTransferNotifications {

void postIOError(Tolvo::ObjectAction action, const QString &filePath,
                 const MObjectTransfer &transfer);
void postFileExists(Tolvo::ObjectAction action, const MObjectTransferRequest &request);
void postSpaceQuotaExceeded(Tolvo::ObjectAction action, const MObjectTransfer &transfer);

} // namespace MTransferNotifications

#endif // MTRANSFERNOTIFICATIONS_H
