#include "quitrequests.h"

#include "platformlogging.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the self-pipe, read by the signal handler; -1 while nobody watches.
volatile sig_atomic_t signalPipeWriteEnd = -1;
const int WatchedSignals[] = {SIGTERM, SIGINT};

extern "C" void onTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    const int fd = signalPipeWriteEnd;
    if (fd >= 0) {
        // A full pipe already holds an unread request: dropping this byte loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

class QuitRequestsPrivate
{
public:
    QuitRequests *q;
    bool open = false;
    bool quitting = false;
    int pipe[2] = {-1, -1};
    QSocketNotifier *notifier = nullptr;
    struct sigaction previous[sizeof(WatchedSignals) / sizeof(WatchedSignals[0])];

    bool watchSignals();
    void unwatchSignals();
    void drainPipe();
};

bool QuitRequestsPrivate::watchSignals()
{
    if (notifier)
        return true;
    if (signalPipeWriteEnd >= 0) {
        qCWarning(lcQuit, "Another object already watches the termination signals");
        return false;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipe) != 0) {
        qCWarning(lcQuit, "Cannot watch the termination signals: %s", strerror(errno));
        return false;
    }
    notifier = new QSocketNotifier(pipe[0], QSocketNotifier::Read, q);
    QObject::connect(notifier, &QSocketNotifier::activated, q, [this] { drainPipe(); });
    signalPipeWriteEnd = pipe[1];

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof(WatchedSignals) / sizeof(WatchedSignals[0]); ++i)
        ::sigaction(WatchedSignals[i], &action, &previous[i]);
    return true;
}

void QuitRequestsPrivate::unwatchSignals()
{
    if (!notifier)
        return;
    for (size_t i = 0; i < sizeof(WatchedSignals) / sizeof(WatchedSignals[0]); ++i)
        ::sigaction(WatchedSignals[i], &previous[i], nullptr);
    signalPipeWriteEnd = -1;
    delete notifier;
    notifier = nullptr;
    ::close(pipe[0]);
    ::close(pipe[1]);
    pipe[0] = pipe[1] = -1;
}

void QuitRequestsPrivate::drainPipe()
{
    char bytes[64];
    bool any = false;
    while (::read(pipe[0], bytes, sizeof(bytes)) > 0)
        any = true;
    if (any) {
        qCInfo(lcQuit, "Termination signal received");
        q->requestQuit(QuitRequests::TerminationSignal);
    }
}

QuitRequests::QuitRequests(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<QuitRequestsPrivate>())
{
    d->q = this;
    qRegisterMetaType<QuitRequests::Source>("QuitRequests::Source");
}

QuitRequests::~QuitRequests()
{
    d->unwatchSignals();
}

bool QuitRequests::watch(QGuiApplication *app, Sources sources)
{
    bool ok = true;
    if (sources & LastWindowClosed) {
        Q_ASSERT(app);
        connect(app, &QGuiApplication::lastWindowClosed, this,
                [this] { requestQuit(LastWindowClosed); });
    }
    if (sources & SessionEnd) {
        Q_ASSERT(app);
        // Direct: the slots have to run before the session manager goes on.
        connect(
            app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager &) { requestQuit(SessionEnd); }, Qt::DirectConnection);
    }
    if (sources & TerminationSignal)
        ok = d->watchSignals();
    return ok;
}

bool QuitRequests::isRequestOpen() const
{
    return d->open;
}

bool QuitRequests::isQuitting() const
{
    return d->quitting;
}

void QuitRequests::requestQuit(QuitRequests::Source source)
{
    if (d->open || d->quitting) {
        qCDebug(lcQuit) << "Quit already under way; ignoring" << source;
        return;
    }
    d->open = true;
    qCInfo(lcQuit) << "Quit requested by" << source;
    emit quitRequested(source);
}

void QuitRequests::requestHandled(bool accepted)
{
    d->open = false;
    d->quitting = d->quitting || accepted;
}
