#ifndef MNETWORKREQUESTMANAGER_P_H
#define MNETWORKREQUESTMANAGER_P_H

#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mnetworkrequestmanager.h"
#include "mreconnectable.h"
#include "tolvoprocess.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <QSslConfiguration>
#include <QTimer>

#include <functional>

class QNetworkReply;

class MNetworkRequestManagerPrivate : public MReconnectable
{
    Q_DECLARE_PUBLIC(MNetworkRequestManager)
public:
    explicit MNetworkRequestManagerPrivate(MNetworkRequestManager *q);

    // A random identifier not in the active table; the caller holds the mutex.
    QString newRequestId() const;
    void attach(QNetworkReply *reply, bool progress);
    // Fails the reply once it has gone stallTimeout without a byte either way, or once its
    // request's answer deadline has passed.
    void watchForStall(QNetworkReply *reply);
    // Fails the replies watched that went silent for their timeout or outlived their deadline.
    void sweepStalledReplies();
    void registerReply(const QString &requestId, QNetworkReply *reply);
    // Hands a slice of the reply's body to the listeners; what is left goes in later turns.
    void readBodySlice(QNetworkReply *reply);
    void readRestOfBody(QNetworkReply *reply);
    // Runs then now, or once the rest of the reply's body has been handed on.
    void afterBody(QNetworkReply *reply, std::function<void()> then);
    // Cancels a reply that Qt finished while its body is still handed on: the rest is
    // dropped, as an abort a moment earlier would have. False for any other reply.
    bool cancelBody(QNetworkReply *reply);
    // Aborted by a cancel, or canceled by cancelBody().
    bool isCanceled(QNetworkReply *reply) const;
    void askForConnectivityCheck();
    void ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                  TolvoProcess::ConnectivityStatus current) override;
    // Queues the refused reply's request for a new token; false when none will come for it.
    bool queueForAuthorization(QNetworkReply *reply, const MNetworkRequest &request,
                               const QByteArray &body);
    // Sends a refused request again, signed with the token held now. On its last try (after
    // a new token), a further refusal is reported rather than waiting for another.
    void resendSigned(const MNetworkRequest &refused, bool lastTry);

    MNetworkRequestManager *q_ptr;
    // Guards the identifiers, the active table and the authentication queue.
    QMutex mutex;
    QSslConfiguration sslConfiguration;
    bool ignoreSslErrors = false;
    QHash<QString, QNetworkReply *> activeReplies;
    QString userAgent;
    // A request refused for authorization with what its refusal said, to be answered with
    // if no new token comes.
    struct RefusedRequest
    {
        MNetworkRequest request;
        QByteArray body;
        MNetworkReply reply;
    };
    QList<RefusedRequest> authenticationQueue;
    // Touched only from the manager's thread.
    QList<MNetworkRequest> reconnectionQueue;
    // Refused replies whose request waits in the authentication queue.
    QSet<QNetworkReply *> queuedReplies;
    // Requests sent again with a new token; refused once more, they are reported.
    QSet<QString> reauthorizedIds;
    bool retryAuthenticatedRequests = false;
    // Failed replies whose request waits in the reconnection queue: nothing is reported
    // for them.
    QSet<QNetworkReply *> heldReplies;
    bool resendAfterReconnection = false;
    int stallTimeout;
    // The replies watched for a stall: one periodic sweep for all of them, as thousands of
    // timers restarted at every byte cost the thread more than the replies themselves.
    struct Watched
    {
        QPointer<QNetworkReply> reply;
        int timeout = 0;
        qint64 lastActivity = 0;
        int deadline = 0; // 0: none
        qint64 sent = 0;
    };
    QHash<QNetworkReply *, Watched> watchedReplies;
    QElapsedTimer clock;
    // Made on the manager's thread with its first watched reply.
    QTimer *stallSweep = nullptr;
    // A cancel-all is under way: the reply that empties the table reports it.
    bool cancelingAll = false;
    // Replies whose body is being handed on a slice per turn, each with what it reported
    // meanwhile (an error, its end), in order.
    QHash<QNetworkReply *, QList<std::function<void()>>> bodiesBeingRead;
    QSet<QNetworkReply *> canceledBodies;
};

#endif // MNETWORKREQUESTMANAGER_P_H
