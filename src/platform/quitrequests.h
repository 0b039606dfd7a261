#ifndef QUITREQUESTS_H
#define QUITREQUESTS_H

#include <QObject>

#include <memory>

class QGuiApplication;
class QuitRequestsPrivate;

// The one road to quitting. The Quit command, the window manager closing the last window,
// SIGTERM/SIGINT and the desktop session ending all become quitRequested(), emitted once per
// request cycle: further requests are ignored until the shell calls requestHandled(false)
// (the quit was refused or deferred and the user may ask again). After requestHandled(true),
// or while a request is open, nothing more is emitted: the process is on its way out.
//
// Signals are taken through a self-pipe: the handler only writes a byte (async-signal-safe);
// the pipe's QSocketNotifier emits on the main thread. Only one object may watch the
// termination signals at a time; the previous handlers come back when it is destroyed.
//
// The session end arrives as QGuiApplication::commitDataRequest. quitRequested() is emitted
// from inside that call, so a directly connected slot can save before the session manager
// moves on; the shell must not open a dialog there.
class QuitRequests : public QObject
{
    Q_OBJECT
public:
    enum Source {
        Command = 0x1,           // the Quit menu item, a keyboard shortcut
        LastWindowClosed = 0x2,  // QGuiApplication::lastWindowClosed
        TerminationSignal = 0x4, // SIGTERM or SIGINT
        SessionEnd = 0x8         // log-out or shut-down of the desktop session
    };
    Q_ENUM(Source)
    Q_DECLARE_FLAGS(Sources, Source)

    explicit QuitRequests(QObject *parent = nullptr);
    ~QuitRequests() override;

    // Starts listening to the given sources (Command needs nothing: call requestQuit()).
    // LastWindowClosed and SessionEnd need app; TerminationSignal installs the handlers and
    // fails (false, with a warning) when another QuitRequests holds them.
    bool watch(QGuiApplication *app, Sources sources);

    // True between an emitted request and requestHandled(false).
    bool isRequestOpen() const;
    // True once requestHandled(true) was called.
    bool isQuitting() const;

public slots:
    // A request from source: emits quitRequested(source) unless a request is open or the
    // process is quitting.
    void requestQuit(QuitRequests::Source source = Command);
    // Ends the open request: accepted (true) keeps every later request out; refused (false)
    // lets the next request through.
    void requestHandled(bool accepted);

signals:
    void quitRequested(QuitRequests::Source source);

private:
    std::unique_ptr<QuitRequestsPrivate> d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(QuitRequests::Sources)

#endif // QUITREQUESTS_H
