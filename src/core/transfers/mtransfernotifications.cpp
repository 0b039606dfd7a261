#include "mtransfernotifications.h"

#include "mnotificationmanager.h"

namespace {

void postWithTransfer(MNotification notification, const MObjectTransfer &transfer)
{
    MNotificationManager *manager = MNotificationManager::instance();
    if (!manager)
        return;
    if (transfer.isValid())
        notification.setAttribute(MNotification::Transfer, QVariant::fromValue(transfer));
    manager->post(notification);
}

} // namespace

namespace MTransferNotifications {

void postIOErrorNotification(Tolvo::ObjectAction action, const QString &filePath,
                             const MObjectTransfer &transfer)
{
    postWithTransfer(
        MNotificationManager::actionErrorNotification(
            Tolvo::LocalIOError, action, MNotificationManager::ioErrorMessage(filePath)),
        transfer);
}

void postFileExistsErrorNotification(Tolvo::ObjectAction action,
                                     const MObjectTransferRequest &request)
{
    MNotificationManager *manager = MNotificationManager::instance();
    if (!manager)
        return;
    MNotification notification = MNotificationManager::actionErrorNotification(
        Tolvo::RemoteFileExists, action,
        QStringLiteral("A file already exists at path '%1'").arg(request.destinationPath()));
    notification.setAttribute(MNotification::TransferRequest, QVariant::fromValue(request));
    manager->post(notification);
}

void postSpaceQuotaExceededError(Tolvo::ObjectAction action, const MObjectTransfer &transfer)
{
    postWithTransfer(
        MNotificationManager::actionErrorNotification(
            Tolvo::QuotaExceeded, action, MNotificationManager::spaceQuotaExceededMessage()),
        transfer);
}

} // namespace MTransferNotifications
