// Why this exists: Qt 5.15 writes an HTTP request's headers and its body with two writes and
// leaves Nagle's algorithm on (its own line setting the option is commented out). The body of
// every small POST or PUT then waits until the service acknowledges the headers, which a
// server waiting for the rest of the request delays by 40 ms or more: a folder of 1,000 small
// files took 44 s on loopback instead of a few.
//
// How: QNetworkAccessManager keeps its connections on a thread of its own and no public API
// reaches their sockets, so the option is set where Qt delivers events. Every event, in every
// thread, passes QInternal's event notification callbacks before it is delivered (a public,
// exported hook of Qt 5). A connecting socket learns that its connection is up from a write
// notification of its socket notifier; that event is handled on the socket's own thread and
// before the socket emits connected(), which is what makes the connection write its first
// request. So the option is on for the first byte of every connection, whichever manager
// opened it, and nothing runs on the other events but a type comparison.
//
// The notifier belongs to the socket engine, which belongs to the QAbstractSocket; were a
// later Qt to arrange them otherwise, sockets would merely keep Nagle on (tst_networkrequest-
// manager checks the option on the live connections).

#include "mlowdelaysockets.h"

#include <QAbstractSocket>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

bool installed = false;

bool setLowDelayOnConnect(void **data)
{
    auto *event = static_cast<QEvent *>(data[1]);
    if (event->type() != QEvent::SockAct)
        return false;
    auto *notifier = qobject_cast<QSocketNotifier *>(static_cast<QObject *>(data[0]));
    if (!notifier || notifier->type() != QSocketNotifier::Write)
        return false;
    QObject *engine = notifier->parent();
    auto *socket = engine ? qobject_cast<QAbstractSocket *>(engine->parent()) : nullptr;
    if (!socket || socket->socketType() != QAbstractSocket::TcpSocket ||
        socket->state() != QAbstractSocket::ConnectingState)
        return false;
    const int on = 1;
    // A connection that failed refuses the option; the socket reports the failure itself.
    ::setsockopt(int(notifier->socket()), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // Never consumes the event.
    return false;
}

// Runs as the application object is built, before any thread delivers events: the table of
// callbacks is not safe to change while other threads read it.
void installLowDelaySockets()
{
    if (!installed)
        installed =
            QInternal::registerCallback(QInternal::EventNotifyCallback, setLowDelayOnConnect);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installLowDelaySockets)

bool mLowDelaySocketsInstalled()
{
    return installed;
}
