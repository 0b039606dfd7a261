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

MNotification MNotificationManager::actionErrorNotification(Tolvo::Error code,
                                                            Tolvo::ObjectAction action,
                                                            const QString &message)
{
    MNotification notification(MNotification::ERROR, message, 0);
    notification.setAttribute(MNotification::ErrorCode, int(code));
    notification.setAttribute(MNotification::Action, int(action));
    return notification;
}

QString MNotificationManager::ioErrorMessage(const QString &filePath)
{
    return QStringLiteral("Unable to access file at path '%1'").arg(filePath);
}

QString MNotificationManager::spaceQuotaExceededMessage()
{
    return QStringLiteral("You don't have enough cloud space available");
}

void MNotificationManager::postIOErrorNotification(Tolvo::ObjectAction action,
                                                   const QString &filePath)
{
    post(actionErrorNotification(Tolvo::LocalIOError, action, ioErrorMessage(filePath)));
}

void MNotificationManager::postSpaceQuotaExceededError(Tolvo::ObjectAction action)
{
    post(actionErrorNotification(Tolvo::QuotaExceeded, action, spaceQuotaExceededMessage()));
}
