#include "msynchronousreplymanager.h"

#include "mnetworkreply_p.h"
#include "mnetworkrequestmanager.h"

#include <QTimerEvent>

MSynchronousReplyManager::MSynchronousReplyManager(MNetworkRequestManager *manager,
                                                   const MNetworkRequest &request,
                                                   int timeoutSeconds, QObject *parent)
    : QObject(parent)
    , m_timeout(timeoutSeconds)
    , m_manager(manager)
    , m_request(request)
{
    // The manager hands the body out as it arrives; the reply snapshots hold only the rest.
    connect(manager, &MNetworkRequestManager::dataArrivedForRequest, this,
            &MSynchronousReplyManager::handleDataArrived);
    connect(manager, &MNetworkRequestManager::replyFinishedForRequest, this,
            &MSynchronousReplyManager::handleReplyFinishedForRequest);
    connect(manager,
            QOverload<const MNetworkRequest &, const MNetworkReply &>::of(
                &MNetworkRequestManager::errorForRequest),
            this, &MSynchronousReplyManager::handleErrorForRequest);
}

MNetworkReply MSynchronousReplyManager::reply() const
{
    return m_reply;
}

bool MSynchronousReplyManager::timedOut() const
{
    return m_timedOut;
}

void MSynchronousReplyManager::run()
{
    if (m_timeout != 0)
        m_timerId = startTimer(m_timeout * 1000, Qt::CoarseTimer);
    m_manager->submitRequest(m_request, nullptr, false);
}

void MSynchronousReplyManager::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId || m_finished)
        return;
    m_timedOut = true;
    m_finished = true;
    m_manager->cancelAllActiveRequests();
    finish();
}

void MSynchronousReplyManager::handleDataArrived(const MNetworkRequest &, const QByteArray &data)
{
    m_received += data;
}

void MSynchronousReplyManager::handleErrorForRequest(const MNetworkRequest &,
                                                     const MNetworkReply &reply)
{
    storeReply(reply);
}

void MSynchronousReplyManager::handleReplyFinishedForRequest(const MNetworkRequest &,
                                                             const MNetworkReply &reply)
{
    storeReply(reply);
}

void MSynchronousReplyManager::storeReply(const MNetworkReply &reply)
{
    if (m_finished)
        return;
    m_reply = reply;
    m_reply.d->body.prepend(m_received);
    finish();
}

void MSynchronousReplyManager::finish()
{
    m_finished = true;
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    emit finished();
}
