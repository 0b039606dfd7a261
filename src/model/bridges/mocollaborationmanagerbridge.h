#ifndef MOCOLLABORATIONMANAGERBRIDGE_H
#define MOCOLLABORATIONMANAGERBRIDGE_H

#include "mcollaboration.h"

#include <QList>
#include <QObject>
#include <QString>

class MCollaborationManager;
class MOCollaborationManager;

// Turns the core collaboration manager's signals into the facade's notification and delegate
// calls. Lives on the main thread, as the core manager does.
class MOCollaborationManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MOCollaborationManagerBridge(MOCollaborationManager *manager);

    // Connects every signal of the core manager this bridge reports, in this order.
    void connectToCore(MCollaborationManager *core);

public slots:
    void handleCollaborationInvitationsSlot(const QList<MCollaboration> &collaborations,
                                            const QString &token, int limit);
    void handleCollaborationInvitationSentSlot(const MCollaboration &collaboration);
    void handleCollaborationAccepted(const MCollaboration &collaboration);
    void handleCollaborationRejected(const MCollaboration &collaboration);
    void handleCollaborationInvitationsSentList(const QList<MCollaboration> &collaborations,
                                                int offset, int limit);
    void handleCollaborationsSentChanged(const QList<MCollaboration> &collaborations);
    void handleCollaborationAcceptError(const MCollaboration &collaboration,
                                        MCollaboration::Error error, const QString &reason);
    void handleCollaborationInviteFailed(qlonglong conversationId, const QString &objectPath,
                                         int status);
    void handleCollaborationRejectFailed(const QString &token, int status, const QString &reason);

private:
    MOCollaborationManager *m_manager;
};

#endif // MOCOLLABORATIONMANAGERBRIDGE_H
