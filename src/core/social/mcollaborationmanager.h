#ifndef MCOLLABORATIONMANAGER_H
#define MCOLLABORATIONMANAGER_H

#include "mcollaboration.h"
#include "mconversation.h"
#include "mreconnectable.h"
#include "mshutdownable.h"
#include "tolvoprocess.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>

class MCollaborationManagerPrivate;

// Sends, accepts and rejects file-transfer invitations and polls the service for newly
// received ones and for answers to sent ones. Every result comes as a signal. A poll runs
// again 2 s after its answer was handled, and after a failure backs off, up to 30 s.
// Lives on the thread that creates it.
class MCollaborationManager
    : public QObject
    , public MReconnectable
    , public MShutdownable
{
    Q_OBJECT
public:
    explicit MCollaborationManager(QObject *parent = nullptr);
    ~MCollaborationManager() override;

signals:
    // Only when the poll or a listing brought at least one invitation.
    void collaborationInvitationsReceived(const QList<MCollaboration> &collaborations,
                                          const QString &token, int limit);
    void collaborationInvitationsSent(const QList<MCollaboration> &collaborations, int offset,
                                      int limit);
    void collaborationInviteSent(const MCollaboration &collaboration);
    // The collaboration's resource is the recipient's new copy, an MStorageObject.
    void collaborationAccepted(const MCollaboration &collaboration);
    // Rejected by its recipient or revoked by its sender.
    void collaborationRejected(const MCollaboration &collaboration);
    // reason: the service's own words, given with Refused only.
    void collaborationAcceptError(const MCollaboration &collaboration, MCollaboration::Error error,
                                  const QString &reason);
    // A send or a reject that did not go through; status 0 when no answer came; reason: the
    // service's first error, or empty.
    void collaborationInviteFailed(qlonglong conversationId, const QString &objectPath, int status);
    void collaborationRejectFailed(const QString &token, int status, const QString &reason);
    // Sent invitations that were accepted, rejected or revoked since the last answer.
    void sentCollaborationsChanged(const QList<MCollaboration> &collaborations);
    void shutdownCompleted();

public slots:
    // Stops both polls for good and cancels every request in flight.
    void shutdown() override;
    // Starts each poll that is not already waiting to run.
    void start();
    // Polls while the service is reachable, and only then.
    void ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                  TolvoProcess::ConnectivityStatus current) override;

    // Sends only for a file transfer whose resource is the destination path, a QString.
    void accept(const MCollaboration &collaboration);
    // The recipient rejects; the sender revokes.
    void reject(const QString &token);
    // An empty provider means the file is in the user's own store.
    void sendTransferInvitation(const MConversation &conversation, const QDateTime &createdAt,
                                const QString &objectPath, const QString &provider);
    // Every received invitation, at once; token is the received poll's business and is not
    // sent. Only file transfers can be listed.
    void listReceivedInvitations(MCollaboration::Type type, const QString &token = QString(),
                                 int limit = 1000);
    void listSentInvitations(MCollaboration::Type type, int offset = 0, int limit = 1000);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    Q_DECLARE_PRIVATE(MCollaborationManager)
    QScopedPointer<MCollaborationManagerPrivate> d_ptr;
};

#endif // MCOLLABORATIONMANAGER_H
