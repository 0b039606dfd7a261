#ifndef MNOTIFICATIONEVENT_H
#define MNOTIFICATIONEVENT_H

#include <QEvent>

#include "mnotification.h"

// Carries one notification from the posting thread to MNotificationManager's thread.
class MNotificationEvent : public QEvent
{
public:
    explicit MNotificationEvent(const MNotification &notification);
    ~MNotificationEvent() override;

    MNotification notification() const;

    // Registered with Qt on first use; the same value for the life of the process.
    static QEvent::Type eventType();

private:
    MNotification m_notification;
};

#endif // MNOTIFICATIONEVENT_H
