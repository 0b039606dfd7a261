#ifndef MCONVERSATIONSMANAGER_H
#define MCONVERSATIONSMANAGER_H

#include "mconversation.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "museraccount.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>

class MConversationsManagerPrivate;

// Chat for the signed-in user: conversations, their participants and messages, contact join
// invitations, and the news poll that delivers what others did since. Emitting a request signal
// sends the request; its outcome arrives as a result signal. Lives on the thread that creates
// it; every result is emitted there.
class MConversationsManager : public QObject
{
    Q_OBJECT
public:
    explicit MConversationsManager(QObject *parent = nullptr);
    // Returns within a bounded time even with requests in flight.
    ~MConversationsManager() override;

public slots:
    // Polls every 1500 ms from now on; the first poll follows one interval later.
    void startListeningForNotifications();

signals:
    void listConversations();
    void listUsers(qlonglong conversationId);
    // Newest first, those stored before the message beforeId when it is not 0, else those
    // stored before the second before when it is valid.
    void listMessages(qlonglong conversationId, QDateTime before = QDateTime(), int limit = 100,
                      qlonglong beforeId = 0);
    void postMessage(qlonglong conversationId, MMessage message);
    void startConversation(QList<MUserAccount> users, QString name = QString());
    void acceptInvite(qlonglong invitationId);
    void declineInvite(qlonglong invitationId);
    void listJoinInvitations(qlonglong invitationId);

    void conversationsReceived(MConversationList conversations);
    void usersReceived(MConversation conversation, QList<MUserAccount> users);
    // The people of the conversation could not be listed (404: it is not the user's, or no
    // longer); status 0 when no answer came; reason: the service's first error, or empty.
    void usersListFailed(qlonglong conversationId, int status, QString reason);
    // Newest first, as the service lists them.
    void messagesReceived(MConversation conversation, QList<MMessage> messages);
    void conversationStarted(MConversation conversation);
    // The service did not make the conversation: status 0 when no answer came; reason: its
    // first error, or empty. After no answer or a failure of the service, the conversations
    // are read again first: one made all the same is announced by conversationStarted.
    void conversationStartFailed(int status, QString reason);
    void messageSent(MConversation conversation, MMessage message);
    // The message as posted; status 0 when no answer came; reason: the service's first error,
    // or empty.
    void messageSendFailed(qlonglong conversationId, MMessage message, int status, QString reason);
    void newUserContacts(QList<MUserAccount> accounts);
    void accountsChangedStatus(QList<MUserAccount> accounts);
    void contactJoinInvitation(MJoinInvitation invitation);
    void invitationAccepted(MJoinInvitation invitation);
    // An answer that did not go through: status 0 when no answer came; reason: the service's
    // first error, or empty.
    void invitationAcceptFailed(MJoinInvitation invitation, int status, QString reason);
    void invitationDeclined(MJoinInvitation invitation);
    void invitationDeclineFailed(MJoinInvitation invitation, int status, QString reason);

private:
    Q_DECLARE_PRIVATE(MConversationsManager)
    QScopedPointer<MConversationsManagerPrivate> d_ptr;
};

#endif // MCONVERSATIONSMANAGER_H
