#ifndef MOCONVERSATIONSMANAGER_H
#define MOCONVERSATIONSMANAGER_H

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>

class MOConversationsManagerDelegate;
class MOConversationsManagerPrivate;
class MOJoinInvitation;
class MOMessage;
class MOUserAccount;

// Chat for the signed-in user: conversations, their participants and messages, contact join
// invitations and, once listening, the news the service has for this client. Each facade has
// its own connection to the service; everything reaches its delegate on the main thread.
class MOConversationsManager : public QObject
{
    Q_OBJECT
public:
    explicit MOConversationsManager(QObject *parent = nullptr);
    // Returns within a bounded time even with requests in flight; nothing reaches the delegate
    // afterwards.
    ~MOConversationsManager() override;

    void listConversations();
    void listUsersForConversationWithIdentifier(qint64 conversationId);
    // The page of messages sent before before (a null date: the newest), in whole seconds;
    // when beforeMessageId is not 0, those stored before that message, whatever their times.
    void listMessagesOfConversationWithIdentifier(qint64 conversationId, const QDateTime &before,
                                                  int limit, qint64 beforeMessageId = 0);
    void postMessage(const MOMessage &message, qint64 conversationId);
    void startConversationWithUsers(const QList<MOUserAccount> &users, const QString &name);
    // Id 0 lists every pending invitation.
    void listJoinInvitations(qint64 invitationId);
    void acceptInvitation(const MOJoinInvitation &invitation);
    void declineInvitation(const MOJoinInvitation &invitation);
    // Polls the service for news from now on.
    void listenForConversationsNotifications();

    // Not owned; never called once destroyed.
    MOConversationsManagerDelegate *delegate() const;
    void setDelegate(MOConversationsManagerDelegate *delegate);

private:
    Q_DECLARE_PRIVATE(MOConversationsManager)
    QScopedPointer<MOConversationsManagerPrivate> d_ptr;
};

#endif // MOCONVERSATIONSMANAGER_H
