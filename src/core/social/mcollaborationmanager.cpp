#include "mcollaborationmanager.h"
#include "mcollaborationmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mjsonrequestmanager.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mstorageobject.h"
#include "socialrecordtypes.h"
#include "storageobjecttypes.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>

namespace {

const QString invitesKey = QStringLiteral("invites");
const QString tokenKey = QStringLiteral("token");
const QString limitKey = QStringLiteral("limit");
const QString offsetKey = QStringLiteral("offset");
const QString waitKey = QStringLiteral("wait");
const QString typeKey = QStringLiteral("type");
const QString inviteKey = QStringLiteral("invite");
const QString transferInvitationKey = QStringLiteral("transfer_invitation");

constexpr int DefaultPollInterval = 2000;
constexpr int MaxBackOffFactor = 15;

QList<MCollaboration> collaborationsIn(const QVariantMap &body)
{
    QList<MCollaboration> list;
    const QVariantList invites = body.value(invitesKey).toList();
    for (const QVariant &invite : invites)
        list.append(MCollaboration(invite.toMap(), MCollaboration::FileTransfer));
    return list;
}

QDateTime answeredAt(const MCollaboration &collaboration)
{
    if (collaboration.accepted())
        return collaboration.acceptedAt();
    if (collaboration.rejected())
        return collaboration.rejectedAt();
    if (collaboration.revoked())
        return collaboration.revokedAt();
    return QDateTime();
}

// A poll, as opposed to a listing asked for by the user.
// The service's reason for a failure: the first of its "errors", or empty.
QString firstError(const QVariantMap &body)
{
    return body.value(QStringLiteral("errors")).toList().value(0).toString();
}

bool isReceivedPoll(const MNetworkRequest &request)
{
    return request.userInfo().toMap().value(ReqMapKey).toMap().value(waitKey).toBool();
}

// Whether a 200 answer to a change of an invitation names the invitation it stands for.
bool holdsItsObject(int action, const QVariantMap &body)
{
    const auto isObject = [&body](const QString &key) {
        const QVariant value = body.value(key);
        return value.type() == QVariant::Map && !value.toMap().isEmpty();
    };
    switch (action) {
    case Tolvo::SendInvitation:
    case Tolvo::RejectInvitation:
        return isObject(transferInvitationKey);
    case Tolvo::AcceptInvitation:
        return isObject(inviteKey);
    default:
        return true;
    }
}

} // namespace

int MCollaborationManagerPrivate::pollInterval = DefaultPollInterval;

MCollaborationManagerPrivate::MCollaborationManagerPrivate(MCollaborationManager *q)
    : q_ptr(q)
{}

int MCollaborationManagerPrivate::delayAfter(int failures)
{
    if (failures <= 0)
        return pollInterval;
    const int doublings = std::min(failures - 1, 4);
    return std::min(pollInterval << doublings, pollInterval * MaxBackOffFactor);
}

void MCollaborationManagerPrivate::armTimer(int *timerId, int failures)
{
    Q_Q(MCollaborationManager);
    if (shutDown || *timerId)
        return;
    *timerId = q->startTimer(delayAfter(failures), Qt::CoarseTimer);
}

void MCollaborationManagerPrivate::stopTimer(int *timerId)
{
    Q_Q(MCollaborationManager);
    if (*timerId)
        q->killTimer(*timerId);
    *timerId = 0;
}

bool MCollaborationManagerPrivate::sendAction(const QVariant &parameters, int action,
                                              const QVariant &userData)
{
    bool ok = false;
    const MNetworkRequest request = mActionRequest(parameters, action, userData, &ok, false);
    if (!ok) {
        qCWarning(lcCoreSocial,
                  "(MCollaborationManager) Request for action %d not sent: not signed in, or its "
                  "token was refused.",
                  action);
        return false;
    }
    requestManager->sendRequest(request);
    return true;
}

void MCollaborationManagerPrivate::sendReceivedPoll()
{
    QVariantMap parameters{{waitKey, true}, {limitKey, 1000}};
    {
        QMutexLocker locker(&mutex);
        if (!token.isEmpty())
            parameters.insert(tokenKey, token);
    }
    // A poll that cannot be sent now is tried again later, not given up.
    if (!sendAction(parameters, Tolvo::ReceivedInvitations))
        armTimer(&receivedTimer, ++receivedFailures);
}

void MCollaborationManagerPrivate::sendSentChangesPoll()
{
    QVariantMap parameters;
    if (since.isValid())
        parameters.insert(QStringLiteral("since"), since);
    if (!sendAction(parameters, Tolvo::SentInvitationNotifications))
        armTimer(&sentChangesTimer, ++sentFailures);
}

void MCollaborationManagerPrivate::requestFinished(const MNetworkRequest &request,
                                                   const MNetworkReply &reply,
                                                   const QVariantMap *body)
{
    if (shutDown)
        return;
    const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
    const int status = reply.statusCode();
    if (body && status == 200 && holdsItsObject(action, *body))
        handleSuccess(action, *body);
    else if (body && status == 200)
        // Without the invitation it stands for, a 200 is told as an answer that cannot be read.
        handleFailure(action, 0, *body, request, reply);
    else
        handleFailure(action, status, body ? *body : QVariantMap(), request, reply);
}

void MCollaborationManagerPrivate::handleSuccess(int action, const QVariantMap &body)
{
    Q_Q(MCollaborationManager);
    switch (action) {
    case Tolvo::SendInvitation:
        emit q->collaborationInviteSent(MCollaboration(body.value(transferInvitationKey).toMap(),
                                                       MCollaboration::FileTransfer));
        break;
    case Tolvo::AcceptInvitation: {
        MCollaboration collaboration(body.value(inviteKey).toMap(), MCollaboration::FileTransfer);
        collaboration.setResource(
            QVariant::fromValue(MStorageObject(body.value(QStringLiteral("object")).toMap())));
        emit q->collaborationAccepted(collaboration);
        break;
    }
    case Tolvo::RejectInvitation:
        emit q->collaborationRejected(MCollaboration(body.value(transferInvitationKey).toMap(),
                                                     MCollaboration::FileTransfer));
        break;
    case Tolvo::ReceivedInvitations: {
        const QList<MCollaboration> list = collaborationsIn(body);
        receivedFailures = 0;
        QString newToken;
        {
            QMutexLocker locker(&mutex);
            token = body.value(tokenKey).toString();
            newToken = token;
        }
        armTimer(&receivedTimer, 0);
        // Emitted without the lock, so that a receiver may list or poll from its slot.
        if (!list.isEmpty())
            emit q->collaborationInvitationsReceived(list, newToken, body.value(limitKey).toInt());
        break;
    }
    case Tolvo::SentInvitations: {
        const QList<MCollaboration> list = collaborationsIn(body);
        for (const MCollaboration &collaboration : list) {
            if (collaboration.conversation().identifier() == 0)
                qCWarning(lcCoreSocial) << "UNEXPECTED" << collaboration.token();
        }
        sentFailures = 0;
        advanceSince(list);
        armTimer(&sentChangesTimer, 0);
        emit q->collaborationInvitationsSent(list, body.value(offsetKey).toInt(),
                                             body.value(limitKey).toInt());
        break;
    }
    case Tolvo::SentInvitationNotifications: {
        const QList<MCollaboration> list = collaborationsIn(body);
        sentFailures = 0;
        armTimer(&sentChangesTimer, 0);
        if (!list.isEmpty()) {
            advanceSince(list);
            emit q->sentCollaborationsChanged(list);
        }
        break;
    }
    default:
        break;
    }
}

void MCollaborationManagerPrivate::handleFailure(int action, int status, const QVariantMap &body,
                                                 const MNetworkRequest &request,
                                                 const MNetworkReply &reply)
{
    Q_Q(MCollaborationManager);
    // Gateways answer 502 or 504 when the service is briefly away.
    const bool gatewayError = reply.error() == QNetworkReply::UnknownServerError;
    switch (action) {
    case Tolvo::AcceptInvitation:
        handleAcceptFailure(status, body,
                            request.userInfo().toMap().value(MObjectRequestUserDataKey));
        break;
    case Tolvo::ReceivedInvitations:
        ++receivedFailures;
        if (gatewayError && !isReceivedPoll(request))
            resendLater(request, receivedFailures);
        else
            armTimer(&receivedTimer, receivedFailures);
        break;
    case Tolvo::SentInvitations:
        ++sentFailures;
        if (gatewayError)
            resendLater(request, sentFailures);
        else
            qCWarning(lcCoreSocial,
                      "(MCollaborationManager) Listing sent invitations failed with status %d",
                      status);
        break;
    case Tolvo::SentInvitationNotifications:
        armTimer(&sentChangesTimer, ++sentFailures);
        break;
    case Tolvo::SendInvitation: {
        // From the request: a failed answer names no invitation.
        const QVariantMap parameters = request.userInfo().toMap().value(ReqMapKey).toMap();
        emit q->collaborationInviteFailed(
            parameters.value(QStringLiteral("conversation_id")).toLongLong(),
            parameters.value(QStringLiteral("object")).toString(), status);
        break;
    }
    case Tolvo::RejectInvitation:
        emit q->collaborationRejectFailed(request.userInfo().toMap().value(ReqPathKey).toString(),
                                          status, firstError(body));
        break;
    default:
        qCWarning(lcCoreSocial, "(MCollaborationManager) Action %d failed with status %d", action,
                  status);
        break;
    }
}

void MCollaborationManagerPrivate::handleAcceptFailure(int status, const QVariantMap &body,
                                                       const QVariant &userData)
{
    Q_Q(MCollaborationManager);
    const QString type = body.value(typeKey).toString();
    MCollaboration collaboration;
    MCollaboration::Error error = MCollaboration::NoError;
    if (status == 404 && type == QLatin1String("invitation_not_found")) {
        collaboration = userData.value<MCollaboration>();
        error = MCollaboration::NotFound;
    } else if (status == 404 && type == QLatin1String("source_not_found")) {
        collaboration = MCollaboration(body.value(inviteKey).toMap(), MCollaboration::FileTransfer);
        error = MCollaboration::SourceNotFound;
    } else if (status == 403 && type == QLatin1String("already_accepted")) {
        collaboration = MCollaboration(body.value(inviteKey).toMap(), MCollaboration::FileTransfer);
        error = MCollaboration::AlreadyAccepted;
    } else {
        // Any other answer, or none at all: the invitation is as it was, and may be tried again.
        // A refusal is told with the service's reason; it is not an answer that got lost.
        qCWarning(lcCoreSocial,
                  "(MCollaborationManager) Accepting an invitation failed with status %d", status);
        const bool refused = status >= 400 && status < 500;
        const MCollaboration::Error kind = refused      ? MCollaboration::Refused
                                           : status > 0 ? MCollaboration::ServerError
                                                        : MCollaboration::NoAnswer;
        emit q->collaborationAcceptError(userData.value<MCollaboration>(), kind,
                                         refused ? firstError(body) : QString());
        return;
    }
    collaboration.setErrorCode(error);
    emit q->collaborationAcceptError(collaboration, error, QString());
}

void MCollaborationManagerPrivate::resendLater(const MNetworkRequest &request, int failures)
{
    Q_Q(MCollaborationManager);
    const QVariantMap info = request.userInfo().toMap();
    const QVariant parameters = info.value(ReqMapKey);
    const int action = info.value(ReqActionKey).toInt();
    QTimer::singleShot(delayAfter(failures), q, [this, parameters, action] {
        if (!shutDown)
            sendAction(parameters, action);
    });
}

void MCollaborationManagerPrivate::advanceSince(const QList<MCollaboration> &collaborations)
{
    // The latest date, not the last one: the service's order is not ours to rely on.
    for (const MCollaboration &collaboration : collaborations) {
        const QDateTime date = answeredAt(collaboration);
        if (date.isValid() && (!since.isValid() || date > since))
            since = date;
    }
}

MCollaborationManager::MCollaborationManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MCollaborationManagerPrivate(this))
{
    Q_D(MCollaborationManager);
    registerSocialRecordTypes();
    registerStorageObjectTypes();

    d->requestManager = new MJsonRequestManager(this);
    d->requestManager->adoptSettings();
    // An expired token is refreshed and the poll sent again rather than failing it.
    d->requestManager->setRetryAuthenticatedRequests(true);
    // The polls come back by themselves; a request also held for reconnection would run twice.
    d->requestManager->setResendAfterReconnection(false);

    connect(d->requestManager, &MJsonRequestManager::responseObjectReady, this,
            [d](const QVariant &body, const MNetworkRequest &request, const MNetworkReply &reply) {
                const QVariantMap map = body.toMap();
                d->requestFinished(request, reply, &map);
            });
    connect(
        d->requestManager, &MJsonRequestManager::decodeError, this,
        [d](const MNetworkRequest &request, const QByteArray &data, const MNetworkReply &reply) {
            qCDebug(lcCoreSocial) << "MCollaborationManagerPrivate::decodeErrorSlot: data:" << data;
            d->requestFinished(request, reply, nullptr);
        });
    connect(d->requestManager, &MNetworkRequestManager::shutdownCompleted, this,
            &MCollaborationManager::shutdownCompleted);
    connect(TolvoProcess::instance(), &TolvoProcess::connectivityStatusChanged, this,
            &MCollaborationManager::ensureRepetitiveServices);
}

MCollaborationManager::~MCollaborationManager()
{
    Q_D(MCollaborationManager);
    // Replies aborted while the request manager goes must not reach this half-destroyed one.
    disconnect(d->requestManager, nullptr, this, nullptr);
}

void MCollaborationManager::shutdown()
{
    Q_D(MCollaborationManager);
    d->shutDown = true;
    d->stopTimer(&d->receivedTimer);
    d->stopTimer(&d->sentChangesTimer);
    d->requestManager->shutdown();
}

void MCollaborationManager::start()
{
    Q_D(MCollaborationManager);
    d->armTimer(&d->receivedTimer, 0);
    d->armTimer(&d->sentChangesTimer, 0);
}

void MCollaborationManager::ensureRepetitiveServices(TolvoProcess::ConnectivityStatus,
                                                     TolvoProcess::ConnectivityStatus current)
{
    Q_D(MCollaborationManager);
    if (current == TolvoProcess::Online) {
        start();
        return;
    }
    d->stopTimer(&d->receivedTimer);
    d->stopTimer(&d->sentChangesTimer);
}

void MCollaborationManager::accept(const MCollaboration &collaboration)
{
    Q_D(MCollaborationManager);
    if (collaboration.type() != MCollaboration::FileTransfer)
        return;
    if (collaboration.resource().userType() != QMetaType::QString) {
        qCWarning(lcCoreSocial,
                  "MCollaborationManager::accept: File Transfer collaboration only support String "
                  "type resources currently");
        return;
    }
    d->sendAction(QVariantMap{{QStringLiteral("destination_path"), collaboration.resource()},
                              {tokenKey, collaboration.token()}},
                  Tolvo::AcceptInvitation, QVariant::fromValue(collaboration));
}

void MCollaborationManager::reject(const QString &token)
{
    d_func()->sendAction(token, Tolvo::RejectInvitation);
}

void MCollaborationManager::sendTransferInvitation(const MConversation &conversation,
                                                   const QDateTime &createdAt,
                                                   const QString &objectPath,
                                                   const QString &provider)
{
    QVariantMap parameters{{QStringLiteral("conversation_id"), conversation.identifier()},
                           {QStringLiteral("object"), objectPath},
                           {QStringLiteral("created_at"), createdAt}};
    if (!provider.isEmpty())
        parameters.insert(QStringLiteral("provider"), provider);
    d_func()->sendAction(parameters, Tolvo::SendInvitation);
}

void MCollaborationManager::listReceivedInvitations(MCollaboration::Type type, const QString &,
                                                    int limit)
{
    if (type != MCollaboration::FileTransfer)
        return;
    d_func()->sendAction(QVariantMap{{waitKey, false}, {limitKey, limit}},
                         Tolvo::ReceivedInvitations);
}

void MCollaborationManager::listSentInvitations(MCollaboration::Type type, int offset, int limit)
{
    if (type != MCollaboration::FileTransfer)
        return;
    d_func()->sendAction(QVariantMap{{offsetKey, offset}, {limitKey, limit}},
                         Tolvo::SentInvitations);
}

void MCollaborationManager::timerEvent(QTimerEvent *event)
{
    Q_D(MCollaborationManager);
    const int id = event->timerId();
    if (id == d->receivedTimer) {
        d->stopTimer(&d->receivedTimer);
        d->sendReceivedPoll();
    } else if (id == d->sentChangesTimer) {
        d->stopTimer(&d->sentChangesTimer);
        d->sendSentChangesPoll();
    } else {
        QObject::timerEvent(event);
    }
}
