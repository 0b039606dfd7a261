#ifndef MCOLLABORATIONMANAGER_P_H
#define MCOLLABORATIONMANAGER_P_H

#include "mcollaborationmanager.h"

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class MJsonRequestManager;
class MNetworkReply;
class MNetworkRequest;

class MCollaborationManagerPrivate
{
    Q_DECLARE_PUBLIC(MCollaborationManager)
public:
    explicit MCollaborationManagerPrivate(MCollaborationManager *q);

    // The pause between a poll's answer and the next poll; tests shorten it. Failures back
    // off from it, doubling up to fifteen times as long.
    static int pollInterval;

    // False when the request could not be built (nobody signed in); nothing is sent then.
    bool sendAction(const QVariant &parameters, int action, const QVariant &userData = {});
    void sendReceivedPoll();
    void sendSentChangesPoll();
    // Both requests end here, exactly once: body is null when the answer could not be decoded.
    void requestFinished(const MNetworkRequest &request, const MNetworkReply &reply,
                         const QVariantMap *body);
    void handleSuccess(int action, const QVariantMap &body);
    void handleFailure(int action, int status, const QVariantMap &body,
                       const MNetworkRequest &request, const MNetworkReply &reply);
    void handleAcceptFailure(int status, const QVariantMap &body, const QVariant &userData);
    // Sends the request's action again with the same parameters once the back-off has passed.
    void resendLater(const MNetworkRequest &request, int failures);
    void advanceSince(const QList<MCollaboration> &collaborations);

    // Starts the timer when it is not running. failures is the count of failures in a row.
    void armTimer(int *timerId, int failures);
    void stopTimer(int *timerId);
    static int delayAfter(int failures);

    MCollaborationManager *q_ptr;
    int receivedTimer = 0;
    int sentChangesTimer = 0;
    // The received poll's cursor, as the service last gave it.
    QString token;
    QMutex mutex;
    MJsonRequestManager *requestManager = nullptr;
    // The latest answer date of a sent invitation seen so far.
    QDateTime since;
    int receivedFailures = 0;
    int sentFailures = 0;
    bool shutDown = false;
};

#endif // MCOLLABORATIONMANAGER_P_H
