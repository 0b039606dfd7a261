// The hub's social bookkeeping: the entity of every conversation, the people of one-to-one
// conversations, and the service's news handed to them.
#include "mcsocialbook.h"

#include "mcavatars.h"
#include "mcchathost.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcinvitationbook.h"
#include "mcshelllogging.h"
#include "mcsocialfailure.h"
#include "mocollaborationmanager.h"
#include "mocollaborationnotification.h"
#include "moconstants.h"
#include "moconversationsmanager.h"
#include "monotificationcenter.h"
#include "mouserauthenticationmanager.h"

#include <QSet>
#include <QTimer>

#include <algorithm>

namespace {

const int HistoryPage = 100;
const int ReceivedInvitationsLimit = 1000;

QSet<QString> emailsOf(const QList<MOUserAccount> &people)
{
    QSet<QString> emails;
    for (const MOUserAccount &person : people)
        emails.insert(person.email().toLower());
    return emails;
}

} // namespace

bool MCSocialBook::sameEmail(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool MCSocialBook::isSignedInAccount(const MOUserAccount &account)
{
    return sameEmail(account.email(),
                     MOUserAuthenticationManager::sharedInstance()->account().email());
}

MCSocialBook::MCSocialBook(MCChatHost *chat, QObject *parent)
    : MCPeople(parent)
    , m_chat(chat)
{}

void MCSocialBook::setParts(MCInvitationBook *invitations, MCAvatars *avatars)
{
    m_invitations = invitations;
    m_avatars = avatars;
}

void MCSocialBook::start()
{
    m_conversationsManager = new MOConversationsManager(this);
    m_conversationsManager->setDelegate(this);
    MOCollaborationManager::sharedInstance()->notificationCenter()->addObserver(
        this, &MCSocialBook::collaborationNotification, MOCollaborationInvitesNotification);
}

MCChatSupport &MCSocialBook::chatSupport()
{
    return m_chat->chatSupport();
}

MCSocialEntity *MCSocialBook::socialEntity(qint64 conversationId) const
{
    return m_socialEntities.value(conversationId);
}

MCSocialEntity *MCSocialBook::entityForTitle(const QString &title) const
{
    if (title.isEmpty())
        return nullptr;
    for (MCContact *contact : m_contacts) {
        if (contact->title() == title)
            return contact;
    }
    for (MCGroup *group : m_groups) {
        if (group->title() == title)
            return group;
    }
    return nullptr;
}

MCSocialEntity *MCSocialBook::insertOrFetchEntityForConversation(const MOConversation &conversation)
{
    const qint64 key = conversation.identifier();
    if (MCSocialEntity *entity = m_socialEntities.value(key)) {
        if (conversation.participants().size() > entity->chatRoom().participants().size())
            entity->setChatRoom(conversation);
        return entity;
    }
    // Every entity is found again by its conversation: one without an identifier could never
    // be, and all of them would share one key.
    if (key < 1) {
        qCWarning(lcShell) << "[WARNING]: Unexpected conversation identifier" << key;
        return nullptr;
    }
    if (conversation.isGroup()) {
        if (conversation.participants().isEmpty())
            qCWarning(lcShell) << "[WARNING]: Unexpected: empty participants list";
        addChatRooms({new MCGroup(conversation, this)});
        return m_socialEntities.value(key);
    }
    const QList<MOUserAccount> participants = conversation.participants();
    const auto other =
        std::find_if(participants.begin(), participants.end(),
                     [](const MOUserAccount &account) { return !isSignedInAccount(account); });
    if (other == participants.end()) {
        qCWarning(lcShell) << "[WARNING]: Unexpected: nobody else in conversation" << key;
        return nullptr;
    }
    MOUserAccount account = *other;
    if (account.mainConversation().identifier() < 1)
        account.setMainConversation(conversation);
    addContacts({new MCContact(account, this)});
    // The person's main conversation may have another identifier than this one: the contact
    // registered under it stands for this conversation too, so later answers find it.
    const qint64 registered = account.mainConversation().identifier();
    MCSocialEntity *entity = m_socialEntities.value(registered);
    if (!entity)
        entity = contactWithEmail(account.email());
    if (entity)
        m_socialEntities.insert(key, entity);
    return entity;
}

MCContact *MCSocialBook::contactWithEmail(const QString &email) const
{
    return email.isEmpty() ? nullptr : m_contactsByEmail.value(email.toLower());
}

void MCSocialBook::addContacts(const QList<MCContact *> &contacts)
{
    bool added = false;
    for (MCContact *contact : contacts) {
        const qint64 key = contact->identifier();
        const bool known = m_socialEntities.contains(key) || contactWithEmail(contact->email());
        if (known) {
            if (contact->parent() == this &&
                m_chat->chatSupport().contactByEmail(contact->email()) != contact)
                contact->deleteLater();
            continue;
        }
        contact->setParent(this);
        contact->setEnvironment(m_chat);
        connect(contact, &MCSocialEntity::messagesArrived, this,
                [this, contact](const QList<MOMessage> &messages) {
                    m_chat->entityMessagesArrived(contact, messages);
                });
        connect(contact, &MCSocialEntity::filesOffered, this,
                [this, contact](const QList<MOCollaboration> &offers) {
                    m_chat->entityFilesOffered(contact, offers);
                });
        if (key >= 1)
            m_socialEntities.insert(key, contact);
        m_contacts.append(contact);
        if (!contact->email().isEmpty())
            m_contactsByEmail.insert(contact->email().toLower(), contact);
        added = true;
        if (key < 1)
            qCDebug(lcShell).noquote()
                << QStringLiteral("contact name: %1 - id: %2").arg(contact->fullName()).arg(key);
        m_chat->chatSupport().mcContactByEmail().insert(contact->email(), contact);
        m_avatars->queueAvatarRequest(contact->userAccount());
        if (key < 1) {
            qCWarning(lcShell).noquote()
                << QStringLiteral("[WARNING]: Unexpected identifier for main conversation with "
                                  "contact %1 (%2)")
                       .arg(contact->email())
                       .arg(key);
            continue;
        }
        m_p2pRecipientIdMap.insert(contact->email(), key);
        m_p2pIdRecipientMap.insert(key, contact->email());
        queueConversationRequest(ConversationRequest::Messages, key);
    }
    // One announcement per batch: a listing of hundreds re-sorts the lists once.
    if (added) {
        m_invitations->settleInvitationsFromContacts();
        emit contactsChanged();
    }
    if (!m_receivedInvitationsListed) {
        m_receivedInvitationsListed = true;
        MOCollaborationManager::sharedInstance()->listReceivedInvitations(QString(),
                                                                          ReceivedInvitationsLimit);
    }
}

void MCSocialBook::addChatRooms(const QList<MCGroup *> &groups)
{
    bool added = false;
    for (MCGroup *group : groups) {
        const qint64 key = group->identifier();
        if (key < 1 || m_socialEntities.contains(key)) {
            if (group->parent() == this)
                group->deleteLater();
            continue;
        }
        group->setParent(this);
        group->setEnvironment(m_chat);
        connect(group, &MCSocialEntity::messagesArrived, this,
                [this, group](const QList<MOMessage> &messages) {
                    m_chat->entityMessagesArrived(group, messages);
                });
        connect(group, &MCSocialEntity::filesOffered, this,
                [this, group](const QList<MOCollaboration> &offers) {
                    m_chat->entityFilesOffered(group, offers);
                });
        m_socialEntities.insert(key, group);
        m_groups.append(group);
        added = true;
        for (const MOUserAccount &participant : group->chatRoom().participants()) {
            if (isSignedInAccount(participant) ||
                m_chat->chatSupport().mcContactByEmail().value(participant.email()))
                continue;
            m_chat->chatSupport().mcContactByEmail().insert(participant.email(),
                                                            new MCContact(participant, this));
            m_avatars->queueAvatarRequest(participant);
        }
        queueConversationRequest(ConversationRequest::Messages, key);
    }
    if (added)
        emit groupsChanged();
}

// Collaborations

MCSocialEntity *MCSocialBook::entityOf(const MOCollaboration &collaboration)
{
    return insertOrFetchEntityForConversation(collaboration.conversation());
}

void MCSocialBook::collaborationNotification(const MOPostedNotification &notification)
{
    if (notification.name != MOCollaborationInvitesNotification)
        return;
    const QList<MOCollaboration> collaborations =
        MOCollaborationNotification(notification).collaborations();
    if (collaborations.isEmpty())
        return;
    for (const MOCollaboration &collaboration : collaborations)
        entityOf(collaboration);
    addCollaborationInvite(collaborations);
}

void MCSocialBook::handOverGrouped(const QList<MOCollaboration> &collaborations,
                                   void (MCSocialEntity::*receive)(const QList<MOCollaboration> &))
{
    QList<qint64> order;
    QHash<qint64, QList<MOCollaboration>> byConversation;
    for (const MOCollaboration &collaboration : collaborations) {
        entityOf(collaboration);
        const qint64 key = collaboration.conversation().identifier();
        if (!byConversation.contains(key))
            order.append(key);
        byConversation[key].append(collaboration);
    }
    for (qint64 key : qAsConst(order)) {
        if (MCSocialEntity *entity = m_socialEntities.value(key))
            (entity->*receive)(byConversation.value(key));
    }
}

void MCSocialBook::addCollaborationInvite(const QList<MOCollaboration> &collaborations)
{
    handOverGrouped(collaborations, &MCSocialEntity::didListReceivedCollaborations);
}

void MCSocialBook::collaborationManagerDidSendInviteForCollaboration(
    MOCollaborationManager *, const MOCollaboration &collaboration)
{
    if (MCSocialEntity *entity = entityOf(collaboration))
        entity->didSendInviteCollaboration(collaboration);
}

void MCSocialBook::collaborationManagerDidRejectCollaboration(MOCollaborationManager *,
                                                              const MOCollaboration &collaboration)
{
    if (MCSocialEntity *entity = entityOf(collaboration))
        entity->didRejectCollaboration(collaboration);
}

void MCSocialBook::collaborationManagerDidAcceptCollaboration(MOCollaborationManager *,
                                                              const MOCollaboration &collaboration)
{
    if (MCSocialEntity *entity = entityOf(collaboration))
        entity->didAcceptCollaboration(collaboration);
}

void MCSocialBook::collaborationManagerDidFailAcceptingWithError(
    MOCollaborationManager *, const MOCollaboration &collaboration, const MOError &error)
{
    if (MCSocialEntity *entity = entityOf(collaboration))
        entity->didFailAcceptingWithError(collaboration, error);
}

void MCSocialBook::collaborationManagerDidFailSendingInviteForPath(MOCollaborationManager *,
                                                                   const QString &path,
                                                                   qint64 conversationId,
                                                                   const MOError &error)
{
    if (MCSocialEntity *entity = m_socialEntities.value(conversationId))
        entity->didFailSendingCollaboration(path, error);
}

void MCSocialBook::collaborationManagerDidFailRejectingCollaboration(MOCollaborationManager *,
                                                                     const QString &token,
                                                                     const MOError &error)
{
    // The row said "Declined. Waiting...": it waits for the user's answer again.
    const MCChatCollaborationEntryPtr row = m_chat->chatSupport().getResponseWaitingEntry(token);
    if (!row)
        return;
    m_chat->chatSupport().removeResponseWaitingEntry(row.data());
    row->setAnswerFailed(MCSocialFailure::answerNotTaken(error));
}

void MCSocialBook::collaborationManagerDidListSentInvitationsOffsetLimit(
    MOCollaborationManager *, const QList<MOCollaboration> &collaborations, qint64, qint64)
{
    handOverGrouped(collaborations, &MCSocialEntity::didListSentInvitations);
}

void MCSocialBook::collaborationManagerDidReceiveChangedCollaborations(
    MOCollaborationManager *, const QList<MOCollaboration> &collaborations)
{
    handOverGrouped(collaborations, &MCSocialEntity::didReceiveChangedCollaborations);
}

// Conversations

void MCSocialBook::conversationsManagerDidReceiveConversations(
    MOConversationsManager *, const QList<MOConversation> &conversations)
{
    for (const MOConversation &conversation : conversations)
        queueConversationRequest(ConversationRequest::Users, conversation.identifier());
}

void MCSocialBook::queueConversationRequest(ConversationRequest kind, qint64 conversationId)
{
    m_conversationRequests.append({kind, conversationId});
    if (m_conversationRequests.size() == 1)
        QTimer::singleShot(0, this, &MCSocialBook::sendConversationRequests);
}

void MCSocialBook::sendConversationRequests()
{
    // A sign-in with hundreds of conversations asks for each one's people and history: a few
    // at a time, so that building the requests never holds the window up.
    const int RequestsPerTurn = 20;
    if (!m_conversationsManager) {
        m_conversationRequests.clear();
        return;
    }
    for (int sent = 0; sent < RequestsPerTurn && !m_conversationRequests.isEmpty(); ++sent) {
        const QPair<ConversationRequest, qint64> next = m_conversationRequests.takeFirst();
        if (next.first == ConversationRequest::Users)
            m_conversationsManager->listUsersForConversationWithIdentifier(next.second);
        else
            m_conversationsManager->listMessagesOfConversationWithIdentifier(
                next.second, QDateTime(), HistoryPage);
    }
    if (!m_conversationRequests.isEmpty())
        QTimer::singleShot(0, this, &MCSocialBook::sendConversationRequests);
}

void MCSocialBook::conversationsManagerDidStartConversation(MOConversationsManager *manager,
                                                            const MOConversation &conversation)
{
    manager->listUsersForConversationWithIdentifier(conversation.identifier());
}

void MCSocialBook::conversationsManagerDidFailStartingConversation(MOConversationsManager *,
                                                                   const MOError &error)
{
    emit groupCreationFailed(MCSocialFailure::reason(error));
}

void MCSocialBook::followGroupPeople(MCSocialEntity *entity, const MOConversation &conversation)
{
    // The conversation as the service has it now: one taken out leaves its header and its
    // people too. Some answers carry a conversation without its people: those say nothing.
    if (entity && entity->chatRoom().isGroup() && conversation.isGroup() &&
        !conversation.participants().isEmpty() &&
        emailsOf(entity->chatRoom().participants()) != emailsOf(conversation.participants()))
        entity->setChatRoom(conversation);
}

void MCSocialBook::conversationsManagerDidReceiveUsersForConversation(
    MOConversationsManager *, const QList<MOUserAccount> &users, const MOConversation &conversation)
{
    followGroupPeople(insertOrFetchEntityForConversation(conversation), conversation);
    if (conversation.isGroup() || conversation.identifier() < 1)
        return;
    for (const MOUserAccount &user : users) {
        if (isSignedInAccount(user))
            continue;
        m_p2pRecipientIdMap.insert(user.email(), conversation.identifier());
        m_p2pIdRecipientMap.insert(conversation.identifier(), user.email());
    }
}

void MCSocialBook::conversationsManagerDidFailListingUsersForConversation(MOConversationsManager *,
                                                                          qint64 conversationId,
                                                                          const MOError &error)
{
    // A group that is not the user's any more: the user is no longer among its people.
    MCSocialEntity *entity = m_socialEntities.value(conversationId);
    if (!entity || !entity->chatRoom().isGroup() || (error.code() != 403 && error.code() != 404))
        return;
    MOConversation room = entity->chatRoom();
    const int before = room.participants().size();
    room.removeParticipantWithEmail(
        MOUserAuthenticationManager::sharedInstance()->account().email());
    if (room.participants().size() != before)
        entity->setChatRoom(room);
}

void MCSocialBook::conversationsManagerDidFailSendingMessageForConversation(
    MOConversationsManager *, const MOMessage &message, qint64 conversationId, const MOError &error)
{
    MCSocialEntity *entity = m_socialEntities.value(conversationId);
    if (!entity)
        return;
    entity->didFailSendingMessage(message, MCSocialFailure::reason(error));
    // A group that refuses a message may have changed its people: they are read again.
    if (entity->chatRoom().isGroup() && error.code() >= 400 && error.code() < 500 &&
        m_conversationsManager)
        m_conversationsManager->listUsersForConversationWithIdentifier(conversationId);
}

void MCSocialBook::conversationsManagerDidReceiveNewContacts(MOConversationsManager *,
                                                             const QList<MOUserAccount> &accounts)
{
    QList<MCContact *> contacts;
    for (const MOUserAccount &account : accounts)
        contacts.append(new MCContact(account, this));
    addContacts(contacts);
}

void MCSocialBook::conversationsManagerDidReceiveChangedStatusAccounts(
    MOConversationsManager *, const QList<MOUserAccount> &accounts)
{
    for (const MOUserAccount &account : accounts) {
        if (MCContact *contact = contactWithEmail(account.email()))
            contact->setUserAccount(account);
    }
}

void MCSocialBook::conversationsManagerDidReceiveMessagesForConversation(
    MOConversationsManager *, const QList<MOMessage> &messages, const MOConversation &conversation)
{
    MCSocialEntity *entity = insertOrFetchEntityForConversation(conversation);
    if (!entity) {
        qCWarning(lcShell) << "Messages for conversation" << conversation.identifier()
                           << "have no one to go to";
        return;
    }
    followGroupPeople(entity, conversation);
    QList<MOMessage> sorted = messages;
    // The service lists newest first; messages of one second keep the order they were stored
    // in (their ids).
    std::stable_sort(sorted.begin(), sorted.end(), [](const MOMessage &a, const MOMessage &b) {
        if (a.sentAt() != b.sentAt())
            return a.sentAt() < b.sentAt();
        return a.messageId() != 0 && b.messageId() != 0 && a.messageId() < b.messageId();
    });
    entity->addWrittenMessages(sorted);
}

// Join invitations

void MCSocialBook::conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *,
                                                                const MOJoinInvitation &invitation)
{
    m_invitations->receive(invitation);
}

void MCSocialBook::conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *,
                                                               const MOJoinInvitation &invitation)
{
    m_invitations->update(invitation);
}

void MCSocialBook::conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *,
                                                                const MOJoinInvitation &invitation)
{
    m_invitations->update(invitation);
}

void MCSocialBook::conversationsManagerDidFailAcceptingJoinInvitation(
    MOConversationsManager *, const MOJoinInvitation &invitation, const MOError &error)
{
    m_invitations->answerFailed(invitation, error);
}

void MCSocialBook::conversationsManagerDidFailDecliningJoinInvitation(
    MOConversationsManager *, const MOJoinInvitation &invitation, const MOError &error)
{
    m_invitations->answerFailed(invitation, error);
}
