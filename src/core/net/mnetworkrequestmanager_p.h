#ifndef MNETWORKREQUESTMANAGER_P_H
#define MNETWORKREQUESTMANAGER_P_H

#include "mnetworkrequest.h"
#include "mnetworkrequestmanager.h"
#include "mreconnectable.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSslConfiguration>

class QNetworkReply;

class MNetworkRequestManagerPrivate : public MReconnectable
{
    Q_DECLARE_PUBLIC(MNetworkRequestManager)
public:
    explicit MNetworkRequestManagerPrivate(MNetworkRequestManager *q);

    // A random identifier not in the active table; the caller holds the mutex.
    QString newRequestId() const;
    void attach(QNetworkReply *reply, bool progress);
    void registerReply(const QString &requestId, QNetworkReply *reply);
    void ensureRepetitiveServices(TolvoApp::ConnectivityStatus previous,
                                  TolvoApp::ConnectivityStatus current) override;

    MNetworkRequestManager *q_ptr;
    // Guards the identifiers and the active table, which other threads may read.
    QMutex mutex;
    QSslConfiguration sslConfiguration;
    bool ignoreSslErrors = false;
    QHash<QString, QNetworkReply *> activeReplies;
    QString userAgent;
    // Touched only from the manager's thread.
    QList<MNetworkRequest> reconnectionQueue;
    bool retryAuthenticatedRequests = false;
    // A cancel-all is under way: the reply that empties the table reports it.
    bool cancelingAll = false;
};

#endif // MNETWORKREQUESTMANAGER_P_H
