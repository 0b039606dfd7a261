#ifndef MSYNCHRONOUSREPLYMANAGER_H
#define MSYNCHRONOUSREPLYMANAGER_H

#include "mnetworkreply.h"
#include "mnetworkrequest.h"

#include <QByteArray>
#include <QObject>

class MNetworkRequestManager;

// Runs one request through a manager on the manager's thread and reports once the reply is
// complete or the time is up.
class MSynchronousReplyManager : public QObject
{
    Q_OBJECT
public:
    // timeoutSeconds 0: no limit.
    MSynchronousReplyManager(MNetworkRequestManager *manager, const MNetworkRequest &request,
                             int timeoutSeconds, QObject *parent = nullptr);

    // The complete reply, body included; empty when the time ran out first.
    MNetworkReply reply() const;
    bool timedOut() const;

signals:
    void finished();

public slots:
    void run();

protected:
    void timerEvent(QTimerEvent *event) override;

private slots:
    void handleDataArrived(const MNetworkRequest &request, const QByteArray &data);
    void handleErrorForRequest(const MNetworkRequest &r, const MNetworkReply &reply);
    void handleReplyFinishedForRequest(const MNetworkRequest &req, const MNetworkReply &reply);

private:
    void finish();
    void storeReply(const MNetworkReply &reply);

    QByteArray m_received;
    MNetworkReply m_reply;
    int m_timeout;
    bool m_timedOut = false;
    bool m_finished = false;
    int m_timerId = 0;
    MNetworkRequestManager *m_manager;
    MNetworkRequest m_request;
};

#endif // MSYNCHRONOUSREPLYMANAGER_H
