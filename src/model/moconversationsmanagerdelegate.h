#ifndef MOCONVERSATIONSMANAGERDELEGATE_H
#define MOCONVERSATIONSMANAGERDELEGATE_H

#include "moconversation.h"
#include "moerror.h"
#include "mojoininvitation.h"
#include "momessage.h"
#include "mouseraccount.h"

#include <QList>

class MOConversationsManager;

// Receives everything one conversations facade learns, on the main thread: answers to its
// requests and the news its poll brings.
class MOConversationsManagerDelegate
{
public:
    virtual ~MOConversationsManagerDelegate() = default;

    // conversationsManager:didReceiveConversations:
    virtual void
    conversationsManagerDidReceiveConversations(MOConversationsManager *manager,
                                                const QList<MOConversation> &conversations) = 0;
    // conversationsManager:didReceiveMessages:forConversation: (newest first; never empty)
    virtual void
    conversationsManagerDidReceiveMessagesForConversation(MOConversationsManager *manager,
                                                          const QList<MOMessage> &messages,
                                                          const MOConversation &conversation) = 0;
    // conversationsManager:didReceiveUsers:forConversation:
    virtual void
    conversationsManagerDidReceiveUsersForConversation(MOConversationsManager *manager,
                                                       const QList<MOUserAccount> &users,
                                                       const MOConversation &conversation) = 0;
    // The people of the conversation could not be listed (MOSocialRequestErrorDomain; 404:
    // the conversation is not the user's, or no longer).
    virtual void conversationsManagerDidFailListingUsersForConversation(MOConversationsManager *,
                                                                        qint64, const MOError &)
    {}
    // conversationsManager:didStartConversation:
    virtual void conversationsManagerDidStartConversation(MOConversationsManager *manager,
                                                          const MOConversation &conversation) = 0;
    // The service did not make the conversation asked for with startConversationWithUsers()
    // (MOSocialRequestErrorDomain: status 0 when no answer came, the service's reason as the
    // description). After no answer or a failure of the service the conversations are read
    // again first: one made all the same is announced as started instead.
    virtual void conversationsManagerDidFailStartingConversation(MOConversationsManager *,
                                                                 const MOError &)
    {}
    // conversationsManager:didSendMessage:forConversation:
    virtual void
    conversationsManagerDidSendMessageForConversation(MOConversationsManager *manager,
                                                      const MOMessage &message,
                                                      const MOConversation &conversation) = 0;
    // The message posted with postMessage() did not go through (MOSocialRequestErrorDomain).
    virtual void conversationsManagerDidFailSendingMessageForConversation(
        MOConversationsManager *manager, const MOMessage &message, qint64 conversationId,
        const MOError &error)
    {}
    // conversationsManager:didReceiveNewContacts:
    virtual void
    conversationsManagerDidReceiveNewContacts(MOConversationsManager *manager,
                                              const QList<MOUserAccount> &contacts) = 0;
    // conversationsManager:didReceiveChangedStatusAccounts:
    virtual void
    conversationsManagerDidReceiveChangedStatusAccounts(MOConversationsManager *manager,
                                                        const QList<MOUserAccount> &accounts) = 0;
    // conversationsManager:didReceiveJoinInvitation:
    virtual void
    conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *manager,
                                                 const MOJoinInvitation &invitation) = 0;
    // conversationsManager:didAcceptJoinInvitation:
    virtual void
    conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *manager,
                                                const MOJoinInvitation &invitation) = 0;
    // conversationsManager:didFailAcceptingJoinInvitation:, with what failed
    // (MOSocialRequestErrorDomain: status 0 when no answer came, the service's reason as the
    // description)
    virtual void
    conversationsManagerDidFailAcceptingJoinInvitation(MOConversationsManager *manager,
                                                       const MOJoinInvitation &invitation,
                                                       const MOError &error) = 0;
    // conversationsManager:didDeclineJoinInvitation:
    virtual void
    conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *manager,
                                                 const MOJoinInvitation &invitation) = 0;
    // conversationsManager:didFailDecliningJoinInvitation:, with what failed (as above)
    virtual void
    conversationsManagerDidFailDecliningJoinInvitation(MOConversationsManager *manager,
                                                       const MOJoinInvitation &invitation,
                                                       const MOError &error) = 0;
};

#endif // MOCONVERSATIONSMANAGERDELEGATE_H
