#include "monotificationmanagerbridge.h"

#include "moconstants.h"
#include "monotificationcenter.h"
#include "monotificationmanager.h"

#include <QCoreApplication>
#include <QThread>

MONotificationManagerBridge::MONotificationManagerBridge(MONotificationManager *facade)
    : m_facade(facade)
{}

void MONotificationManagerBridge::handleNotificationReady(const MNotification &notification)
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    QVariantMap userInfo;
    userInfo.insert(MOInnerNotificationObjectKey, QVariant::fromValue(notification));
    m_facade->notificationCenter()->postNotificationName(MONotification, m_facade, userInfo);
}
