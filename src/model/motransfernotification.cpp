#include "motransfernotification.h"

#include "moconstants.h"

MOTransferNotification::MOTransferNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

MOObjectTransfer MOTransferNotification::transfer() const
{
    return m_notification.userInfo.value(MOObjectTransferKey).value<MOObjectTransfer>();
}

qint64 MOTransferNotification::requestType() const
{
    return m_notification.userInfo.value(MOObjectTransferRequestTypeKey).toLongLong();
}

QString MOTransferNotification::domain() const
{
    return m_notification.userInfo.value(kMOObjectsDomainKey).toString();
}

bool MOTransferNotification::isCaching() const
{
    return domain() == kMObjectsCachingDomain;
}

MOError MOTransferNotification::error() const
{
    return m_notification.userInfo.value(MOObjectTransferErrorKey).value<MOError>();
}
