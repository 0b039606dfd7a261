#ifndef MCINBOX_H
#define MCINBOX_H

#include <QList>
#include <QObject>

class MCJoinInvitation;

// The join invitations of the notifications page and how many of them wait for an answer.
class MCInbox : public QObject
{
    Q_OBJECT
public:
    virtual QList<MCJoinInvitation *> userMessages() const = 0;
    virtual qint64 unreadNotifications() const = 0;
    // The user answers a join invitation: the row waits for the service and is no longer unread.
    virtual void acceptJoinInvitation(MCJoinInvitation *row) = 0;
    virtual void declineJoinInvitation(MCJoinInvitation *row) = 0;
    // Asks the service for the invitations, which come one by one; false (nothing asked)
    // before the session's conversations started.
    virtual bool listJoinInvitations() = 0;

signals:
    void userMessagesChanged();
    void unreadNotificationsChanged();

protected:
    using QObject::QObject;
};

#endif // MCINBOX_H
