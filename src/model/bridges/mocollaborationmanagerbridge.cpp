#include "mocollaborationmanagerbridge.h"

#include "mcollaborationmanager.h"
#include "mocollaboration.h"
#include "mocollaborationmanager.h"
#include "mocollaborationmanagerdelegate.h"
#include "moconstants.h"
#include "mocorevalues_p.h"
#include "moerror.h"
#include "momainthread_p.h"
#include "monotificationcenter.h"
#include "mosocialrequesterror.h"

#include <QCoreApplication>
#include <QThread>

namespace {

QList<MOCollaboration> wrapped(const QList<MCollaboration> &collaborations)
{
    QList<MOCollaboration> list;
    list.reserve(collaborations.size());
    for (const MCollaboration &collaboration : collaborations)
        list.append(MOCoreValues::collaborationWithCXXCollaboration(collaboration));
    return list;
}

} // namespace

MOCollaborationManagerBridge::MOCollaborationManagerBridge(MOCollaborationManager *manager)
    : m_manager(manager)
{}

void MOCollaborationManagerBridge::handleCollaborationInvitationsSlot(
    const QList<MCollaboration> &collaborations, const QString &, int)
{
    assertMainThread();
    // Posted whatever the delegate; the token and the limit are the poll's business.
    m_manager->notificationCenter()->postNotificationName(
        MOCollaborationInvitesNotification, m_manager,
        {{MOCollaborationInstancesKey, QVariant::fromValue(wrapped(collaborations))}});
}

void MOCollaborationManagerBridge::handleCollaborationInvitationSentSlot(
    const MCollaboration &collaboration)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidSendInviteForCollaboration(
            m_manager, MOCoreValues::collaborationWithCXXCollaboration(collaboration));
}

void MOCollaborationManagerBridge::handleCollaborationAccepted(const MCollaboration &collaboration)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidAcceptCollaboration(
            m_manager, MOCoreValues::collaborationWithCXXCollaboration(collaboration));
}

void MOCollaborationManagerBridge::handleCollaborationRejected(const MCollaboration &collaboration)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidRejectCollaboration(
            m_manager, MOCoreValues::collaborationWithCXXCollaboration(collaboration));
}

void MOCollaborationManagerBridge::handleCollaborationInvitationsSentList(
    const QList<MCollaboration> &collaborations, int offset, int limit)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidListSentInvitationsOffsetLimit(
            m_manager, wrapped(collaborations), offset, limit);
}

void MOCollaborationManagerBridge::handleCollaborationsSentChanged(
    const QList<MCollaboration> &collaborations)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidReceiveChangedCollaborations(m_manager,
                                                                      wrapped(collaborations));
}

void MOCollaborationManagerBridge::handleCollaborationAcceptError(
    const MCollaboration &collaboration, MCollaboration::Error error, const QString &reason)
{
    assertMainThread();
    QVariantMap info;
    if (!reason.isEmpty())
        info.insert(MOErrorDescriptionKey, reason);
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidFailAcceptingWithError(
            m_manager, MOCoreValues::collaborationWithCXXCollaboration(collaboration),
            MOError(MOCollaborationAcceptErrorDomain, qint64(error), info));
}

void MOCollaborationManagerBridge::handleCollaborationInviteFailed(qlonglong conversationId,
                                                                   const QString &objectPath,
                                                                   int status)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidFailSendingInviteForPath(
            m_manager, objectPath, conversationId, socialRequestError(status, QString()));
}

void MOCollaborationManagerBridge::handleCollaborationRejectFailed(const QString &token, int status,
                                                                   const QString &reason)
{
    assertMainThread();
    if (MOCollaborationManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidFailRejectingCollaboration(
            m_manager, token, socialRequestError(status, reason));
}

void MOCollaborationManagerBridge::connectToCore(MCollaborationManager *core)
{
    using C = MCollaborationManager;
    using B = MOCollaborationManagerBridge;
    // Queued, so that observers run from an event of their own and never inside the core's
    // handling of an answer: one that runs a nested event loop cannot hold up the manager.
    connect(core, &C::collaborationInvitationsReceived, this,
            &B::handleCollaborationInvitationsSlot, Qt::QueuedConnection);
    connect(core, &C::collaborationInviteSent, this, &B::handleCollaborationInvitationSentSlot);
    connect(core, &C::collaborationAccepted, this, &B::handleCollaborationAccepted);
    connect(core, &C::collaborationRejected, this, &B::handleCollaborationRejected);
    connect(core, &C::collaborationInvitationsSent, this,
            &B::handleCollaborationInvitationsSentList);
    connect(core, &C::sentCollaborationsChanged, this, &B::handleCollaborationsSentChanged);
    connect(core, &C::collaborationAcceptError, this, &B::handleCollaborationAcceptError);
    connect(core, &C::collaborationInviteFailed, this, &B::handleCollaborationInviteFailed);
    connect(core, &C::collaborationRejectFailed, this, &B::handleCollaborationRejectFailed);
}
