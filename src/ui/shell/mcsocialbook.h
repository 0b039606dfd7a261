#ifndef MCSOCIALBOOK_H
#define MCSOCIALBOOK_H

#include "mcpeople.h"
#include "mocollaborationmanagerdelegate.h"
#include "moconversationsmanagerdelegate.h"
#include "mopostednotification.h"

#include <QHash>
#include <QPair>

class MCAvatars;
class MCChatHost;
class MCInvitationBook;
class MCSocialEntity;

// The hub's social bookkeeping: one entity per conversation, the people of one-to-one
// conversations, and the collaborations and messages the service reports, each handed to its
// entity. Entities live as long as the book. The join invitations go to the invitation book,
// the pictures to the avatars.
class MCSocialBook
    : public MCPeople
    , public MOCollaborationManagerDelegate
    , public MOConversationsManagerDelegate
{
    Q_OBJECT
public:
    // chat: the environment of every entity, and where their news is told.
    explicit MCSocialBook(MCChatHost *chat, QObject *parent = nullptr);

    // Set once, before the session starts.
    void setParts(MCInvitationBook *invitations, MCAvatars *avatars);
    // Once per session: the conversations service, and the collaborations' news.
    void start();

    QList<MCContact *> contacts() const override { return m_contacts; }
    QList<MCGroup *> groups() const override { return m_groups; }
    MCChatSupport &chatSupport() override;
    void addContacts(const QList<MCContact *> &contacts) override;
    MOConversationsManager *conversationsManager() const override { return m_conversationsManager; }

    MCSocialEntity *socialEntity(qint64 conversationId) const;
    // The contact or group whose chat page is named title; null when none.
    MCSocialEntity *entityForTitle(const QString &title) const;
    // The conversation identifier of the one-to-one conversation with that person; 0 when none.
    qint64 p2pConversationId(const QString &email) const
    {
        return m_p2pRecipientIdMap.value(email);
    }
    QString p2pRecipient(qint64 conversationId) const
    {
        return m_p2pIdRecipientMap.value(conversationId);
    }
    // The entity of the conversation, made when it is new; null when none can stand for it
    // (a one-to-one conversation with nobody else in it).
    MCSocialEntity *insertOrFetchEntityForConversation(const MOConversation &conversation);
    void addChatRooms(const QList<MCGroup *> &groups);
    // The contact with that e-mail (case does not matter); null when none.
    MCContact *contactWithEmail(const QString &email) const;
    void addCollaborationInvite(const QList<MOCollaboration> &collaborations);
    void collaborationNotification(const MOPostedNotification &notification);
    static bool isSignedInAccount(const MOUserAccount &account);
    // Two e-mail addresses name one person (case does not matter); an empty one names nobody.
    static bool sameEmail(const QString &a, const QString &b);

    // MOCollaborationManagerDelegate
    void collaborationManagerDidSendInviteForCollaboration(
        MOCollaborationManager *, const MOCollaboration &collaboration) override;
    void collaborationManagerDidRejectCollaboration(MOCollaborationManager *,
                                                    const MOCollaboration &collaboration) override;
    void collaborationManagerDidAcceptCollaboration(MOCollaborationManager *,
                                                    const MOCollaboration &collaboration) override;
    void collaborationManagerDidListSentInvitationsOffsetLimit(
        MOCollaborationManager *, const QList<MOCollaboration> &collaborations, qint64,
        qint64) override;
    void collaborationManagerDidReceiveChangedCollaborations(
        MOCollaborationManager *, const QList<MOCollaboration> &collaborations) override;
    void collaborationManagerDidFailAcceptingWithError(MOCollaborationManager *,
                                                       const MOCollaboration &collaboration,
                                                       const MOError &error) override;
    void collaborationManagerDidFailSendingInviteForPath(MOCollaborationManager *,
                                                         const QString &path, qint64 conversationId,
                                                         const MOError &error) override;
    void collaborationManagerDidFailRejectingCollaboration(MOCollaborationManager *,
                                                           const QString &token,
                                                           const MOError &error) override;

    // MOConversationsManagerDelegate
    void conversationsManagerDidReceiveConversations(
        MOConversationsManager *manager, const QList<MOConversation> &conversations) override;
    void conversationsManagerDidReceiveMessagesForConversation(
        MOConversationsManager *, const QList<MOMessage> &messages,
        const MOConversation &conversation) override;
    void
    conversationsManagerDidReceiveUsersForConversation(MOConversationsManager *,
                                                       const QList<MOUserAccount> &users,
                                                       const MOConversation &conversation) override;
    void conversationsManagerDidStartConversation(MOConversationsManager *manager,
                                                  const MOConversation &conversation) override;
    // Said in the window that asked, worded for what happened.
    void conversationsManagerDidFailStartingConversation(MOConversationsManager *,
                                                         const MOError &error) override;
    void conversationsManagerDidReceiveNewContacts(MOConversationsManager *,
                                                   const QList<MOUserAccount> &accounts) override;
    void conversationsManagerDidReceiveChangedStatusAccounts(
        MOConversationsManager *, const QList<MOUserAccount> &accounts) override;
    // The join invitations' news goes to the invitation book.
    void conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *,
                                                      const MOJoinInvitation &invitation) override;
    void conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *,
                                                     const MOJoinInvitation &invitation) override;
    void conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *,
                                                      const MOJoinInvitation &invitation) override;
    void conversationsManagerDidFailAcceptingJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation,
                                                            const MOError &error) override;
    void conversationsManagerDidFailDecliningJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation,
                                                            const MOError &error) override;
    // A group that is no longer the user's (refused, not found) loses the user from its people.
    void conversationsManagerDidFailListingUsersForConversation(MOConversationsManager *,
                                                                qint64 conversationId,
                                                                const MOError &error) override;
    void conversationsManagerDidFailSendingMessageForConversation(MOConversationsManager *,
                                                                  const MOMessage &message,
                                                                  qint64 conversationId,
                                                                  const MOError &error) override;
    // Nothing to keep: the echo of a sent message confirms its row.
    void conversationsManagerDidSendMessageForConversation(MOConversationsManager *,
                                                           const MOMessage &,
                                                           const MOConversation &) override
    {}

private:
    // Groups by conversation, each group's entity made first, and hands each group to the
    // first contact, then the first group, of that conversation.
    void handOverGrouped(const QList<MOCollaboration> &collaborations,
                         void (MCSocialEntity::*receive)(const QList<MOCollaboration> &));
    MCSocialEntity *entityOf(const MOCollaboration &collaboration);
    // A group's people follow those of the conversation an answer carries.
    void followGroupPeople(MCSocialEntity *entity, const MOConversation &conversation);
    // The per-conversation listings (people, history page), sent a few per event-loop turn.
    enum class ConversationRequest { Users, Messages };
    void queueConversationRequest(ConversationRequest kind, qint64 conversationId);
    void sendConversationRequests();

    MCChatHost *m_chat;
    MCInvitationBook *m_invitations = nullptr;
    MCAvatars *m_avatars = nullptr;
    MOConversationsManager *m_conversationsManager = nullptr;
    QHash<qint64, MCSocialEntity *> m_socialEntities;
    QList<MCContact *> m_contacts;
    // m_contacts by lower-case e-mail: merges of hundreds of contacts stay linear.
    QHash<QString, MCContact *> m_contactsByEmail;
    QList<QPair<ConversationRequest, qint64>> m_conversationRequests;
    QList<MCGroup *> m_groups;
    QHash<QString, qint64> m_p2pRecipientIdMap;
    QHash<qint64, QString> m_p2pIdRecipientMap;
    bool m_receivedInvitationsListed = false;
};

#endif // MCSOCIALBOOK_H
