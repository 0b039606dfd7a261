#ifndef MOCOLLABORATIONMANAGER_H
#define MOCOLLABORATIONMANAGER_H

#include <QDateTime>
#include <QObject>
#include <QScopedPointer>
#include <QString>

class MOCollaboration;
class MOCollaborationManagerDelegate;
class MOCollaborationManagerPrivate;
class MOConversation;
class MONotificationCenter;

// Files offered to and by the signed-in user. Answers to the calls below reach the delegate;
// invitations found by the poll or by listReceivedInvitations() are posted as
// MOCollaborationInvitesNotification on this facade's own centre, with the facade as object
// and the invitations under MOCollaborationInstancesKey. Everything is delivered on the main
// thread, each notification from an event of its own, so an observer may run a nested event
// loop.
class MOCollaborationManager : public QObject
{
    Q_OBJECT
public:
    ~MOCollaborationManager() override;

    // Made on first use, on the main thread, once the core is set up.
    static MOCollaborationManager *sharedInstance();

    MONotificationCenter *notificationCenter() const;

    // Starts both polls: received invitations and answers to sent ones.
    void start();

    // Set the resource to the destination path first: only a path can be accepted.
    void accept(const MOCollaboration &collaboration);
    // Rejects a received invitation, or revokes a sent one.
    void reject(const QString &token);
    // A null provider: the file is in the user's own store.
    void sendTransferInvitationForPath(const QString &path, const QDateTime &creationDate,
                                       const MOConversation &conversation, const QString &provider);
    void listSentInvitations(qint64 offset, int limit);
    void listReceivedInvitations(const QString &token, int limit);

    // Not owned; never called once destroyed.
    MOCollaborationManagerDelegate *delegate() const;
    void setDelegate(MOCollaborationManagerDelegate *delegate);

private:
    MOCollaborationManager();
    template<class T> friend class MOSingleton;

    Q_DECLARE_PRIVATE(MOCollaborationManager)
    QScopedPointer<MOCollaborationManagerPrivate> d_ptr;
};

#endif // MOCOLLABORATIONMANAGER_H
