#ifndef MCINVITATIONBOOK_H
#define MCINVITATIONBOOK_H

#include "mcinbox.h"

#include <QPointer>

class MCAvatars;
class MCDesktopNotifier;
class MCSocialBook;
class MOError;
class MOJoinInvitation;

// The hub's join invitations: the rows of the notifications page, kept in step with the
// service, the user's answers to them, and how many still wait for one.
class MCInvitationBook : public MCInbox
{
    Q_OBJECT
    Q_PROPERTY(qint64 unreadNotifications READ unreadNotifications WRITE setUnreadNotifications
                   NOTIFY unreadNotificationsChanged)
public:
    // social: who is a contact already, and where the answers go; avatars: the senders'
    // pictures.
    MCInvitationBook(MCSocialBook *social, MCAvatars *avatars, QObject *parent = nullptr);

    QList<MCJoinInvitation *> userMessages() const override { return m_userMessages; }
    qint64 unreadNotifications() const override { return m_unreadNotifications; }
    // Never below 0.
    void setUnreadNotifications(qint64 count);
    void acceptJoinInvitation(MCJoinInvitation *row) override;
    void declineJoinInvitation(MCJoinInvitation *row) override;
    bool listJoinInvitations() override;
    // Answered rows kept at most; the oldest answered ones go first, unread rows always stay.
    static constexpr int MaximumAnsweredMessages = 200;
    // Not owned; an unread invitation is told on the desktop through it.
    void setDesktopNotifier(MCDesktopNotifier *notifier);

    // The service's news of an invitation: a new row, or the one held brought up to date.
    void receive(const MOJoinInvitation &invitation);
    void update(const MOJoinInvitation &invitation);
    // The user's answer to that invitation was not taken, for that error.
    void answerFailed(const MOJoinInvitation &invitation, const MOError &error);
    // Rows whose sender became a contact ask for no answer, and are no longer counted.
    void settleInvitationsFromContacts();

private:
    void answerJoinInvitation(MCJoinInvitation *row, bool accept);
    void dropOldAnsweredMessages();

    MCSocialBook *m_social;
    MCAvatars *m_avatars;
    QPointer<MCDesktopNotifier> m_desktopNotifier;
    QList<MCJoinInvitation *> m_userMessages;
    qint64 m_unreadNotifications = 0;
};

#endif // MCINVITATIONBOOK_H
