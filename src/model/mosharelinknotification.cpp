#include "mosharelinknotification.h"

#include "moconstants.h"

MOShareLinkNotification::MOShareLinkNotification(const MOPostedNotification &notification)
    : m_notification(notification)
{}

QUrl MOShareLinkNotification::url() const
{
    return m_notification.userInfo.value(MOObjectShareLinkURLKey).toUrl();
}

MOStorageObject MOShareLinkNotification::object() const
{
    return m_notification.userInfo.value(MOStorageObjectKey).value<MOStorageObject>();
}

QList<MOShareLink> MOShareLinkNotification::links() const
{
    return m_notification.userInfo.value(MOObjectShareLinksListKey).value<QList<MOShareLink>>();
}

MOShareLink MOShareLinkNotification::revokedLink() const
{
    return m_notification.userInfo.value(MOObjectShareLinkRevokedKey).value<MOShareLink>();
}

QVariant MOShareLinkNotification::emailsSent(const QString &key) const
{
    return m_notification.userInfo.value(MOObjectShareLinkEmailsSentKey).toMap().value(key);
}

QString MOShareLinkNotification::filename() const
{
    return emailsSent(QStringLiteral("filename")).toString();
}

QStringList MOShareLinkNotification::recipients() const
{
    return emailsSent(QStringLiteral("rcpts")).toStringList();
}

QStringList MOShareLinkNotification::errors() const
{
    return emailsSent(QStringLiteral("errors")).toStringList();
}

QVariant MOShareLinkNotification::userData() const
{
    return m_notification.userInfo.value(MOObjectsManagerUserDataKey);
}
