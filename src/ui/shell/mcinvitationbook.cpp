// The hub's join invitations: the rows of the notifications page, kept in step with the service,
// and the user's answers to them.
#include "mcinvitationbook.h"

#include "mcavatarimage.h"
#include "mcavatars.h"
#include "mccontact.h"
#include "mcdesktopnotifier.h"
#include "mcjoininvitation.h"
#include "mcsocialbook.h"
#include "mcsocialfailure.h"
#include "moavatarmanager.h"
#include "moconversationsmanager.h"

#include <algorithm>

MCInvitationBook::MCInvitationBook(MCSocialBook *social, MCAvatars *avatars, QObject *parent)
    : MCInbox(parent)
    , m_social(social)
    , m_avatars(avatars)
{}

void MCInvitationBook::setDesktopNotifier(MCDesktopNotifier *notifier)
{
    m_desktopNotifier = notifier;
}

void MCInvitationBook::setUnreadNotifications(qint64 count)
{
    count = qMax<qint64>(0, count);
    if (count == m_unreadNotifications)
        return;
    m_unreadNotifications = count;
    emit unreadNotificationsChanged();
}

void MCInvitationBook::receive(const MOJoinInvitation &invitation)
{
    // The page's listing and the news poll may both bring one invitation: it is one row, and
    // counted once.
    const auto held = std::find_if(
        m_userMessages.begin(), m_userMessages.end(), [&invitation](MCJoinInvitation *row) {
            return row->joinInvitation().identifier() == invitation.identifier();
        });
    if (held != m_userMessages.end()) {
        const bool wasRead = (*held)->messageRead();
        (*held)->setJoinInvitation(invitation);
        if (!wasRead && (*held)->messageRead())
            setUnreadNotifications(m_unreadNotifications - 1);
        return;
    }
    MCJoinInvitation *row = new MCJoinInvitation(invitation, this);
    if (m_social->contactWithEmail(invitation.sender().email()))
        row->setSenderIsContact();
    m_userMessages.append(row);
    dropOldAnsweredMessages();
    emit userMessagesChanged();
    if (!row->messageRead()) {
        setUnreadNotifications(m_unreadNotifications + 1);
        if (m_desktopNotifier)
            m_desktopNotifier->notify(MCDesktopNotifier::Invitation, row->messageSender(),
                                      row->messageSubject());
    }
    MOAvatarManager *avatars = m_avatars->avatarManager();
    const QString path = avatars ? avatars->avatarPath(invitation.sender()) : QString();
    if (!path.isEmpty())
        row->setAvatar(MCAvatarImage::pixmap(path));
    else
        m_avatars->requestAvatar(invitation.sender());
}

void MCInvitationBook::dropOldAnsweredMessages()
{
    // Other users decide how many invitations come: the answered ones are history the user
    // has seen, so only they are let go, oldest first.
    QList<MCJoinInvitation *> answered;
    for (MCJoinInvitation *row : qAsConst(m_userMessages)) {
        const MOJoinInvitation invitation = row->joinInvitation();
        if (invitation.acceptedAt().isValid() || invitation.rejectedAt().isValid())
            answered.append(row);
    }
    if (answered.size() <= MaximumAnsweredMessages)
        return;
    std::stable_sort(
        answered.begin(), answered.end(),
        [](MCJoinInvitation *a, MCJoinInvitation *b) { return a->sentAt() < b->sentAt(); });
    for (int i = 0; i < answered.size() - MaximumAnsweredMessages; ++i) {
        m_userMessages.removeOne(answered.at(i));
        answered.at(i)->deleteLater();
    }
}

void MCInvitationBook::settleInvitationsFromContacts()
{
    for (MCJoinInvitation *row : qAsConst(m_userMessages)) {
        if (row->senderIsContact() ||
            !m_social->contactWithEmail(row->joinInvitation().sender().email()))
            continue;
        const bool wasRead = row->messageRead();
        row->setSenderIsContact();
        if (!wasRead)
            setUnreadNotifications(m_unreadNotifications - 1);
    }
}

void MCInvitationBook::update(const MOJoinInvitation &invitation)
{
    for (MCJoinInvitation *row : qAsConst(m_userMessages)) {
        if (row->joinInvitation().identifier() == invitation.identifier()) {
            row->setJoinInvitation(invitation);
            return;
        }
    }
}

void MCInvitationBook::answerFailed(const MOJoinInvitation &invitation, const MOError &error)
{
    for (MCJoinInvitation *row : qAsConst(m_userMessages)) {
        if (row->joinInvitation().identifier() != invitation.identifier() || !row->pendingRequest())
            continue;
        // Unanswered again: counted again, and its buttons back.
        row->setAnswerFailed(MCSocialFailure::answerNotTaken(error));
        if (!row->messageRead())
            setUnreadNotifications(m_unreadNotifications + 1);
        return;
    }
}

void MCInvitationBook::answerJoinInvitation(MCJoinInvitation *row, bool accept)
{
    // An answered row is answered once.
    MOConversationsManager *conversations = m_social->conversationsManager();
    if (!row || !conversations || row->messageRead())
        return;
    row->setPendingRequest(true);
    setUnreadNotifications(m_unreadNotifications - 1);
    if (accept)
        conversations->acceptInvitation(row->joinInvitation());
    else
        conversations->declineInvitation(row->joinInvitation());
}

void MCInvitationBook::acceptJoinInvitation(MCJoinInvitation *row)
{
    answerJoinInvitation(row, true);
}

void MCInvitationBook::declineJoinInvitation(MCJoinInvitation *row)
{
    answerJoinInvitation(row, false);
}

bool MCInvitationBook::listJoinInvitations()
{
    MOConversationsManager *conversations = m_social->conversationsManager();
    if (!conversations)
        return false;
    conversations->listJoinInvitations(0);
    return true;
}
