#include "mnotificationevent.h"

MNotificationEvent::MNotificationEvent(const MNotification &notification)
    : QEvent(eventType())
    , m_notification(notification)
{}

MNotificationEvent::~MNotificationEvent() = default;

MNotification MNotificationEvent::notification() const
{
    return m_notification;
}

QEvent::Type MNotificationEvent::eventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
