#include "mconversationsmanagerbridge.h"

#include "mconversationsmanager.h"
#include "moconversation.h"
#include "moconversationsmanager.h"
#include "moconversationsmanagerdelegate.h"
#include "mocorevalues_p.h"
#include "mojoininvitation.h"
#include "momainthread_p.h"
#include "momessage.h"
#include "mosocialrequesterror.h"
#include "mouseraccount.h"

namespace {

template<class Model, class Core>
QList<Model> wrapped(const QList<Core> &values, Model (*wrap)(const Core &))
{
    QList<Model> list;
    list.reserve(values.size());
    for (const Core &value : values)
        list.append(wrap(value));
    return list;
}

} // namespace

MConversationsManagerBridge::MConversationsManagerBridge(MOConversationsManager *manager)
    : m_manager(manager)
{}

void MConversationsManagerBridge::handleConversationsReceived(
    const QList<MConversation> &conversations)
{
    assertMainThread();
    const auto list = wrapped(conversations, &MOCoreValues::conversationWithCXXConversation);
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidReceiveConversations(m_manager, list);
}

void MConversationsManagerBridge::handleUsersReceived(const MConversation &conversation,
                                                      const QList<MUserAccount> &users)
{
    assertMainThread();
    const auto list = wrapped(users, &MOCoreValues::userAccountWithCXXUserAccount);
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidReceiveUsersForConversation(
            m_manager, list, MOCoreValues::conversationWithCXXConversation(conversation));
}

void MConversationsManagerBridge::handleUsersListFailed(qlonglong conversationId, int status,
                                                        const QString &reason)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidFailListingUsersForConversation(
            m_manager, conversationId, socialRequestError(status, reason));
}

void MConversationsManagerBridge::handleMessagesReceived(const MConversation &conversation,
                                                         const QList<MMessage> &messages)
{
    assertMainThread();
    const auto list = wrapped(messages, &MOCoreValues::messageWithCXXMessage);
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidReceiveMessagesForConversation(
            m_manager, list, MOCoreValues::conversationWithCXXConversation(conversation));
}

void MConversationsManagerBridge::handleMessageSent(const MConversation &conversation,
                                                    const MMessage &message)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidSendMessageForConversation(
            m_manager, MOCoreValues::messageWithCXXMessage(message),
            MOCoreValues::conversationWithCXXConversation(conversation));
}

void MConversationsManagerBridge::handleMessageSendFailed(qlonglong conversationId,
                                                          const MMessage &message, int status,
                                                          const QString &reason)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidFailSendingMessageForConversation(
            m_manager, MOCoreValues::messageWithCXXMessage(message), conversationId,
            socialRequestError(status, reason));
}

void MConversationsManagerBridge::handleConversationStarted(const MConversation &conversation)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidStartConversation(
            m_manager, MOCoreValues::conversationWithCXXConversation(conversation));
}

void MConversationsManagerBridge::handleConversationStartFailed(int status, const QString &reason)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidFailStartingConversation(
            m_manager, socialRequestError(status, reason));
}

void MConversationsManagerBridge::handleNewContacts(const QList<MUserAccount> &accounts)
{
    assertMainThread();
    const auto list = wrapped(accounts, &MOCoreValues::userAccountWithCXXUserAccount);
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidReceiveNewContacts(m_manager, list);
}

void MConversationsManagerBridge::handleAccountsChangedStatus(const QList<MUserAccount> &accounts)
{
    assertMainThread();
    const auto list = wrapped(accounts, &MOCoreValues::userAccountWithCXXUserAccount);
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidReceiveChangedStatusAccounts(m_manager, list);
}

void MConversationsManagerBridge::handleContactJoinInvitation(const MJoinInvitation &invitation)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidReceiveJoinInvitation(
            m_manager, MOCoreValues::joinInvitationWithCXXJoinInvitation(invitation));
}

void MConversationsManagerBridge::handleContactJoinInvitationAccepted(
    const MJoinInvitation &invitation)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidAcceptJoinInvitation(
            m_manager, MOCoreValues::joinInvitationWithCXXJoinInvitation(invitation));
}

void MConversationsManagerBridge::handleContactJoinInvitationAcceptFailed(
    const MJoinInvitation &invitation, int status, const QString &reason)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidFailAcceptingJoinInvitation(
            m_manager, MOCoreValues::joinInvitationWithCXXJoinInvitation(invitation),
            socialRequestError(status, reason));
}

void MConversationsManagerBridge::handleContactJoinInvitationDeclined(
    const MJoinInvitation &invitation)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidDeclineJoinInvitation(
            m_manager, MOCoreValues::joinInvitationWithCXXJoinInvitation(invitation));
}

void MConversationsManagerBridge::handleContactJoinInvitationDeclineFailed(
    const MJoinInvitation &invitation, int status, const QString &reason)
{
    assertMainThread();
    if (MOConversationsManagerDelegate *delegate = m_manager->delegate())
        delegate->conversationsManagerDidFailDecliningJoinInvitation(
            m_manager, MOCoreValues::joinInvitationWithCXXJoinInvitation(invitation),
            socialRequestError(status, reason));
}

void MConversationsManagerBridge::connectToCore(MConversationsManager *core)
{
    using C = MConversationsManager;
    using B = MConversationsManagerBridge;
    connect(core, &C::conversationsReceived, this, &B::handleConversationsReceived);
    connect(core, &C::usersReceived, this, &B::handleUsersReceived);
    connect(core, &C::usersListFailed, this, &B::handleUsersListFailed);
    connect(core, &C::messagesReceived, this, &B::handleMessagesReceived);
    connect(core, &C::messageSent, this, &B::handleMessageSent);
    connect(core, &C::messageSendFailed, this, &B::handleMessageSendFailed);
    connect(core, &C::conversationStarted, this, &B::handleConversationStarted);
    connect(core, &C::conversationStartFailed, this, &B::handleConversationStartFailed);
    connect(core, &C::newUserContacts, this, &B::handleNewContacts);
    connect(core, &C::accountsChangedStatus, this, &B::handleAccountsChangedStatus);
    connect(core, &C::contactJoinInvitation, this, &B::handleContactJoinInvitation);
    connect(core, &C::invitationAccepted, this, &B::handleContactJoinInvitationAccepted);
    connect(core, &C::invitationAcceptFailed, this, &B::handleContactJoinInvitationAcceptFailed);
    connect(core, &C::invitationDeclined, this, &B::handleContactJoinInvitationDeclined);
    connect(core, &C::invitationDeclineFailed, this, &B::handleContactJoinInvitationDeclineFailed);
}
