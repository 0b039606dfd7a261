#ifndef MOCOLLABORATIONMANAGERDELEGATE_H
#define MOCOLLABORATIONMANAGERDELEGATE_H

#include "mocollaboration.h"
#include "moerror.h"

#include <QList>

class MOCollaborationManager;

// Receives the answers of the collaboration facade, on the main thread. Newly received
// invitations are no delegate call: they come as MOCollaborationInvitesNotification.
class MOCollaborationManagerDelegate
{
public:
    virtual ~MOCollaborationManagerDelegate() = default;

    // collaborationManager:didSendInviteForCollaboration:
    virtual void
    collaborationManagerDidSendInviteForCollaboration(MOCollaborationManager *manager,
                                                      const MOCollaboration &collaboration) = 0;
    // collaborationManager:didRejectCollaboration: (rejected by its recipient or revoked by its
    // sender)
    virtual void
    collaborationManagerDidRejectCollaboration(MOCollaborationManager *manager,
                                               const MOCollaboration &collaboration) = 0;
    // collaborationManager:didAcceptCollaboration: (the resource is the new copy)
    virtual void
    collaborationManagerDidAcceptCollaboration(MOCollaborationManager *manager,
                                               const MOCollaboration &collaboration) = 0;
    // collaborationManager:didListSentInvitations:offset:limit:
    virtual void
    collaborationManagerDidListSentInvitationsOffsetLimit(MOCollaborationManager *manager,
                                                          const QList<MOCollaboration> &invitations,
                                                          qint64 offset, qint64 limit) = 0;
    // collaborationManager:didReceiveChangedCollaborations: (sent invitations answered since)
    virtual void
    collaborationManagerDidReceiveChangedCollaborations(MOCollaborationManager *manager,
                                                        const QList<MOCollaboration> &changed) = 0;
    // collaborationManager:didFailAccepting:withError: (domain MOCollaborationAcceptErrorDomain,
    // code 1 source not found, 2 already accepted, 4 not found, 5 service failure, 6 refused,
    // with the service's reason as the description, 7 no answer)
    virtual void collaborationManagerDidFailAcceptingWithError(MOCollaborationManager *manager,
                                                               const MOCollaboration &collaboration,
                                                               const MOError &error) = 0;
    // The offer of the file at path in the conversation did not go through
    // (MOSocialRequestErrorDomain).
    virtual void collaborationManagerDidFailSendingInviteForPath(MOCollaborationManager *manager,
                                                                 const QString &path,
                                                                 qint64 conversationId,
                                                                 const MOError &error)
    {}
    // A decline (or a revocation) of the invitation with token did not go through
    // (MOSocialRequestErrorDomain).
    virtual void collaborationManagerDidFailRejectingCollaboration(MOCollaborationManager *manager,
                                                                   const QString &token,
                                                                   const MOError &error)
    {}
};

#endif // MOCOLLABORATIONMANAGERDELEGATE_H
