#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QObject>
#include <QStringList>

#include <memory>

class SingleInstancePrivate;

// Keeps one running instance per support folder: two processes never share config.db,
// transfers.db, the cache or the queue.
//
// start() takes a lock file in the support folder (QLockFile, "lumarin.lock"; a lock left by a
// process that died is taken over). The process that gets it is the primary: it listens on a
// local socket that only this user can reach (in $XDG_RUNTIME_DIR, or in the support folder when
// that is unset; the socket file has mode 0700 and connections from another user id are
// dropped), and emits argumentsReceived for every later launch. A later launch finds the lock
// taken, sends its whole argument list (program name first, "kerlo://" URLs among them) to the
// primary, waits for its acknowledgement and is told Forwarded: it then exits.
//
// Relaunch: relaunch() starts the program again with the given arguments, unchanged (no shell),
// and marks the child through its environment. A marked child does not forward to the quitting
// parent: start() waits for the lock instead (up to 10 s, see setRelaunchWaitMs()) and becomes
// the primary.
//
// The support folder is made (mode 0700) when missing. Everything runs on the thread that owns
// the object; start() blocks for at most a few seconds while it forwards or waits.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum Result {
        Primary,   // this process holds the lock and listens; go on starting
        Forwarded, // the arguments reached the running instance; exit with status 0
        Failed     // neither: the lock is held but the holder does not answer, or the folder
                   // cannot be made; errorString() says why; exit with a non-zero status
    };
    Q_ENUM(Result)

    // supportFolder: the folder the lock guards (GenericDataLocation + "/" + bundle name).
    explicit SingleInstance(const QString &supportFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Decides this process's role; call once, before the core opens the support folder.
    Result start(const QStringList &arguments);

    bool isPrimary() const;
    QString errorString() const;
    QString lockFilePath() const;
    // The socket's full path, known once start() has run.
    QString serverName() const;

    // How long a relaunched process waits for its parent's lock (default 10000 ms).
    void setRelaunchWaitMs(int milliseconds);

    // Starts program detached with arguments passed one by one, with the relaunch mark in its
    // environment. arguments excludes the program name. False when it could not be started.
    static bool relaunch(const QString &program, const QStringList &arguments,
                         qint64 *pid = nullptr);
    // The environment variable that marks a relaunched process (its value: the parent's pid).
    static QString relaunchVariable();

signals:
    // A later launch's arguments, program name first, exactly as that process got them.
    void argumentsReceived(const QStringList &arguments);

private:
    std::unique_ptr<SingleInstancePrivate> d;
};

#endif // SINGLEINSTANCE_H
