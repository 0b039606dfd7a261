// The hub's join invitations: the rows of the notifications page, kept in step with the service,
// and the user's answers to them.
#include "mcmanager.h"

#include "mcavatarimage.h"
#include "mcbrowsableviewcontroller.h"
#include "mcdesktopnotifier.h"
#include "mcjoininvitation.h"
#include "mcsocialfailure.h"
#include "moavatarmanager.h"
#include "moconversationsmanager.h"

#include <QWidget>

#include <algorithm>

void MCManager::conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *,
                                                             const MOJoinInvitation &invitation)
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
    if (contactWithEmail(invitation.sender().email()))
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
    const QString path =
        m_avatarManager ? m_avatarManager->avatarPath(invitation.sender()) : QString();
    if (!path.isEmpty())
        row->setAvatar(MCAvatarImage::pixmap(path));
    else
        requestAvatar(invitation.sender());
}

void MCManager::dropOldAnsweredMessages()
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

void MCManager::settleInvitationsFromContacts()
{
    for (MCJoinInvitation *row : qAsConst(m_userMessages)) {
        if (row->senderIsContact() || !contactWithEmail(row->joinInvitation().sender().email()))
            continue;
        const bool wasRead = row->messageRead();
        row->setSenderIsContact();
        if (!wasRead)
            setUnreadNotifications(m_unreadNotifications - 1);
    }
}

void MCManager::updateJoinInvitation(const MOJoinInvitation &invitation)
{
    for (MCJoinInvitation *row : qAsConst(m_userMessages)) {
        if (row->joinInvitation().identifier() == invitation.identifier()) {
            row->setJoinInvitation(invitation);
            return;
        }
    }
}

void MCManager::conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation)
{
    updateJoinInvitation(invitation);
}

void MCManager::conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *,
                                                             const MOJoinInvitation &invitation)
{
    updateJoinInvitation(invitation);
}

void MCManager::joinInvitationAnswerFailed(const MOJoinInvitation &invitation, const MOError &error)
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

void MCManager::conversationsManagerDidFailAcceptingJoinInvitation(
    MOConversationsManager *, const MOJoinInvitation &invitation, const MOError &error)
{
    joinInvitationAnswerFailed(invitation, error);
}

void MCManager::conversationsManagerDidFailDecliningJoinInvitation(
    MOConversationsManager *, const MOJoinInvitation &invitation, const MOError &error)
{
    joinInvitationAnswerFailed(invitation, error);
}

void MCManager::answerJoinInvitation(MCJoinInvitation *row, bool accept)
{
    // An answered row is answered once.
    if (!row || !m_conversationsManager || row->messageRead())
        return;
    row->setPendingRequest(true);
    setUnreadNotifications(m_unreadNotifications - 1);
    if (accept)
        m_conversationsManager->acceptInvitation(row->joinInvitation());
    else
        m_conversationsManager->declineInvitation(row->joinInvitation());
}

void MCManager::acceptJoinInvitation(MCJoinInvitation *row)
{
    answerJoinInvitation(row, true);
}

void MCManager::declineJoinInvitation(MCJoinInvitation *row)
{
    answerJoinInvitation(row, false);
}
