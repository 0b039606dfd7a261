#include "mnotificationmanager.h"

#include "corelogging.h"
#include "mnotificationevent.h"

#include <QCoreApplication>
#include <QMutex>
#include <QtDebug>

namespace {

QBasicMutex instanceMutex;
MNotificationManager *managerInstance = nullptr;
bool managerDestroyed = false;

void destroyInstance()
{
    MNotificationManager *manager = nullptr;
    {
        QMutexLocker locker(&instanceMutex);
        manager = managerInstance;
        managerInstance = nullptr;
        managerDestroyed = true;
    }
    delete manager;
}

// The error notification of an action, carrying the transfer when it is valid.
MNotification actionErrorNotification(Tolvo::Error code, Tolvo::ObjectAction action,
                                      const QString &message, const MObjectTransfer &transfer)
{
    MNotification notification(MNotification::ERROR, message, 0);
    notification.setAttribute(MNotification::ErrorCode, int(code));
    notification.setAttribute(MNotification::Action, int(action));
    if (transfer.isValid())
        notification.setAttribute(MNotification::Transfer, QVariant::fromValue(transfer));
    return notification;
}

} // namespace

MNotificationManager *MNotificationManager::instance()
{
    QMutexLocker locker(&instanceMutex);
    if (managerInstance || managerDestroyed)
        return managerInstance;

    QCoreApplication *application = QCoreApplication::instance();
    if (!application) {
        qCWarning(lcCoreApp,
                  "MNotificationManager: no application object; notifications cannot be delivered");
        return nullptr;
    }

    // The first caller may be a worker thread; delivery must still happen on the main thread.
    managerInstance = new MNotificationManager;
    managerInstance->moveToThread(application->thread());
    qAddPostRoutine(destroyInstance);
    return managerInstance;
}

MNotificationManager::MNotificationManager(QObject *parent)
    : QObject(parent)
{}

MNotificationManager::~MNotificationManager() = default;

bool MNotificationManager::event(QEvent *event)
{
    if (event->type() == MNotificationEvent::eventType()) {
        emit notificationReady(static_cast<MNotificationEvent *>(event)->notification());
        return true;
    }
    return QObject::event(event);
}

void MNotificationManager::post(const MNotification &notification)
{
    QCoreApplication::postEvent(this, new MNotificationEvent(notification));
}

void MNotificationManager::postUnauthenticatedClientErrorNotification()
{
    MNotification notification(
        MNotification::ERROR,
        QStringLiteral("You are not authenticated. Sign in before continuing"), 0);
    notification.setAttribute(MNotification::ErrorCode, int(Tolvo::CannotContinue));
    post(notification);
}

void MNotificationManager::postIOErrorNotification(Tolvo::ObjectAction action,
                                                   const QString &filePath,
                                                   const MObjectTransfer &transfer)
{
    post(actionErrorNotification(Tolvo::LocalIOError, action,
                                 QStringLiteral("Unable to access file at path '%1'").arg(filePath),
                                 transfer));
}

void MNotificationManager::postIOErrorNotification(Tolvo::ObjectAction action,
                                                   const QString &filePath)
{
    postIOErrorNotification(action, filePath, MObjectTransfer());
}

void MNotificationManager::postFileExistsErrorNotification(Tolvo::ObjectAction action,
                                                           const MObjectTransferRequest &request)
{
    MNotification notification = actionErrorNotification(
        Tolvo::RemoteFileExists, action,
        QStringLiteral("A file already exists at path '%1'").arg(request.destinationPath()),
        MObjectTransfer());
    notification.setAttribute(MNotification::TransferRequest, QVariant::fromValue(request));
    post(notification);
}

void MNotificationManager::postSpaceQuotaExceededError(Tolvo::ObjectAction action,
                                                       const MObjectTransfer &transfer)
{
    post(actionErrorNotification(Tolvo::QuotaExceeded, action,
                                 QStringLiteral("You don't have enough cloud space available"),
                                 transfer));
}

void MNotificationManager::postSpaceQuotaExceededError(Tolvo::ObjectAction action)
{
    postSpaceQuotaExceededError(action, MObjectTransfer());
}
