#ifndef MCONVERSATIONSMANAGERBRIDGE_H
#define MCONVERSATIONSMANAGERBRIDGE_H

#include "mconversation.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "museraccount.h"

#include <QList>
#include <QObject>
#include <QString>

class MConversationsManager;
class MOConversationsManager;

// Turns one core conversations manager's result signals into its facade's delegate calls.
class MConversationsManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MConversationsManagerBridge(MOConversationsManager *manager);

    // Connects every signal of the core manager this bridge reports, in this order.
    void connectToCore(MConversationsManager *core);

public slots:
    void handleConversationsReceived(const QList<MConversation> &conversations);
    void handleUsersReceived(const MConversation &conversation, const QList<MUserAccount> &users);
    void handleUsersListFailed(qlonglong conversationId, int status, const QString &reason);
    void handleMessagesReceived(const MConversation &conversation, const QList<MMessage> &messages);
    void handleMessageSent(const MConversation &conversation, const MMessage &message);
    void handleMessageSendFailed(qlonglong conversationId, const MMessage &message, int status,
                                 const QString &reason);
    void handleConversationStarted(const MConversation &conversation);
    void handleConversationStartFailed(int status, const QString &reason);
    void handleNewContacts(const QList<MUserAccount> &accounts);
    void handleAccountsChangedStatus(const QList<MUserAccount> &accounts);
    void handleContactJoinInvitation(const MJoinInvitation &invitation);
    void handleContactJoinInvitationAccepted(const MJoinInvitation &invitation);
    // The delegate gets the invitation and the failure (MOSocialRequestErrorDomain: the status,
    // and the service's reason as the description).
    void handleContactJoinInvitationAcceptFailed(const MJoinInvitation &invitation, int status,
                                                 const QString &reason);
    void handleContactJoinInvitationDeclined(const MJoinInvitation &invitation);
    void handleContactJoinInvitationDeclineFailed(const MJoinInvitation &invitation, int status,
                                                  const QString &reason);

private:
    MOConversationsManager *m_manager;
};

#endif // MCONVERSATIONSMANAGERBRIDGE_H
