#include "singleinstance.h"

#include "platformlogging.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char RelaunchVariable[] = "LUMARIN_RELAUNCHED_FROM";
const quint32 Magic = 0x4c4d5231; // "LMR1"
const quint32 MaxMessageSize = 1024 * 1024;
const int ConnectionTimeoutMs = 5000;
const char Acknowledgement = '\x01';

// Makes every missing component of path with mode 0700 and restricts the last one.
QString makePrivateFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (!QDir().mkpath(clean))
        return QStringLiteral("cannot create %1").arg(clean);
    if (::chmod(QFile::encodeName(clean).constData(), S_IRWXU) != 0)
        return QStringLiteral("cannot restrict %1: %2")
            .arg(clean, QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

// Where the socket of the instance guarding folder may be: the private runtime folder first,
// then the support folder itself. A socket path has to fit into sockaddr_un.
QStringList socketCandidates(const QString &folder)
{
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(QDir::cleanPath(folder)),
                                                     QCryptographicHash::Sha1)
                                .toHex()
                                .left(16);
    const QString name = QStringLiteral("lumarin-%1.socket").arg(QString::fromLatin1(hash));
    QStringList candidates;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        candidates.append(QDir::cleanPath(runtime) + QLatin1Char('/') + name);
    candidates.append(QDir::cleanPath(folder) + QLatin1Char('/') + name);
    QStringList fitting;
    for (const QString &candidate : qAsConst(candidates)) {
        if (QFile::encodeName(candidate).size() < 100)
            fitting.append(candidate);
    }
    return fitting;
}

bool peerIsThisUser(QLocalSocket *socket)
{
    struct ucred credentials;
    socklen_t size = sizeof(credentials);
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &size) != 0)
        return false;
    return credentials.uid == ::geteuid();
}

QByteArray encodeArguments(const QStringList &arguments)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << Magic << quint32(arguments.size());
    for (const QString &argument : arguments)
        out << argument;
    QByteArray message;
    QDataStream header(&message, QIODevice::WriteOnly);
    header << quint32(payload.size());
    return message + payload;
}

// The arguments of a hand-over; empty when payload is not one. Counts are checked against the
// payload's size before anything is allocated for them.
QStringList decodeArguments(const QByteArray &payload)
{
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_5_15);
    quint32 magic = 0;
    quint32 count = 0;
    in >> magic >> count;
    if (in.status() != QDataStream::Ok || magic != Magic || count == 0 ||
        count > quint32(payload.size()) / sizeof(quint32))
        return {};
    QStringList arguments;
    arguments.reserve(int(count));
    for (quint32 i = 0; i < count; ++i) {
        QString argument;
        in >> argument;
        if (in.status() != QDataStream::Ok)
            return {};
        arguments.append(argument);
    }
    return in.atEnd() ? arguments : QStringList();
}

} // namespace

class SingleInstancePrivate
{
public:
    SingleInstance *q;
    QString folder;
    QString lockPath;
    std::unique_ptr<QLockFile> lock;
    QLocalServer *server = nullptr;
    QString serverName;
    QString error;
    bool primary = false;
    int relaunchWaitMs = 10000;
    int forwardTimeoutMs = 5000;

    SingleInstance::Result becomePrimary();
    SingleInstance::Result forward(const QStringList &arguments);
    bool sendTo(const QString &path, const QByteArray &message, const QDeadlineTimer &deadline);
    void accept();
    void readFrom(QLocalSocket *socket);
};

SingleInstance::SingleInstance(const QString &supportFolder, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<SingleInstancePrivate>())
{
    d->q = this;
    d->folder = QDir::cleanPath(supportFolder);
    d->lockPath = d->folder + QStringLiteral("/lumarin.lock");
}

SingleInstance::~SingleInstance()
{
    if (d->server)
        d->server->close();
    if (d->lock)
        d->lock->unlock();
}

SingleInstance::Result SingleInstance::start(const QStringList &arguments)
{
    Q_ASSERT(!d->lock);
    const QString failure = makePrivateFolder(d->folder);
    if (!failure.isEmpty()) {
        d->error = failure;
        return Failed;
    }
    d->lock = std::make_unique<QLockFile>(d->lockPath);
    // The lock is never refreshed while we run, so only a dead holder makes it stale.
    d->lock->setStaleLockTime(0);

    const QByteArray parent = qgetenv(RelaunchVariable);
    if (!parent.isEmpty()) {
        // Our own children are not relaunches.
        qunsetenv(RelaunchVariable);
        qCInfo(lcSingleInstance, "Relaunched by %s: waiting for its lock", parent.constData());
        if (d->lock->tryLock(d->relaunchWaitMs))
            return d->becomePrimary();
        d->error = QStringLiteral("the previous instance (process %1) still holds %2 after %3 ms")
                       .arg(QString::fromLatin1(parent), d->lockPath)
                       .arg(d->relaunchWaitMs);
        return Failed;
    }

    if (d->lock->tryLock(0))
        return d->becomePrimary();
    if (d->lock->error() != QLockFile::LockFailedError) {
        d->error = QStringLiteral("cannot create the lock file %1").arg(d->lockPath);
        return Failed;
    }
    return d->forward(arguments);
}

SingleInstance::Result SingleInstancePrivate::becomePrimary()
{
    primary = true;
    const QStringList candidates = socketCandidates(folder);
    server = new QLocalServer(q);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    for (const QString &candidate : candidates) {
        // We hold the lock, so a socket left here belongs to a dead instance.
        QLocalServer::removeServer(candidate);
        if (server->listen(candidate)) {
            serverName = candidate;
            break;
        }
        qCWarning(lcSingleInstance, "Cannot listen on %s: %s", qPrintable(candidate),
                  qPrintable(server->errorString()));
    }
    if (serverName.isEmpty())
        qCWarning(lcSingleInstance, "Later launches cannot hand their arguments over");
    QObject::connect(server, &QLocalServer::newConnection, q, [this] { accept(); });
    return SingleInstance::Primary;
}

SingleInstance::Result SingleInstancePrivate::forward(const QStringList &arguments)
{
    const QByteArray message = encodeArguments(arguments);
    const QDeadlineTimer deadline(forwardTimeoutMs);
    const QStringList candidates = socketCandidates(folder);
    for (;;) {
        for (const QString &candidate : candidates) {
            if (sendTo(candidate, message, deadline)) {
                qCInfo(lcSingleInstance, "Arguments handed to the running instance");
                return SingleInstance::Forwarded;
            }
        }
        // The holder may have died meanwhile, or may still be starting its server.
        if (lock->tryLock(0))
            return becomePrimary();
        if (deadline.hasExpired())
            break;
        QThread::msleep(100);
    }
    error = QStringLiteral("another instance holds %1 but does not answer").arg(lockPath);
    return SingleInstance::Failed;
}

bool SingleInstancePrivate::sendTo(const QString &path, const QByteArray &message,
                                   const QDeadlineTimer &deadline)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(qBound<qint64>(1, deadline.remainingTime(), 1000))))
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Acknowledgement;
}

void SingleInstancePrivate::accept()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(socket)) {
            qCWarning(lcSingleInstance, "Refused a connection from another user");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A client that stalls is dropped.
        QTimer::singleShot(ConnectionTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        QObject::connect(socket, &QLocalSocket::readyRead, q, [this, socket] { readFrom(socket); });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void SingleInstancePrivate::readFrom(QLocalSocket *socket)
{
    if (socket->bytesAvailable() < qint64(sizeof(quint32)))
        return;
    QDataStream header(socket->peek(sizeof(quint32)));
    quint32 size = 0;
    header >> size;
    if (size > MaxMessageSize) {
        qCWarning(lcSingleInstance, "Dropped a hand-over of %u bytes", size);
        socket->abort();
        socket->deleteLater();
        return;
    }
    if (socket->bytesAvailable() < qint64(sizeof(quint32) + size))
        return;
    socket->skip(sizeof(quint32));
    const QByteArray payload = socket->read(size);
    const QStringList arguments = decodeArguments(payload);
    if (arguments.isEmpty()) {
        qCWarning(lcSingleInstance, "Dropped a malformed hand-over");
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->putChar(Acknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    // The receiver may show a window or quit: the socket is done with before that.
    emit q->argumentsReceived(arguments);
}

bool SingleInstance::isPrimary() const
{
    return d->primary;
}

QString SingleInstance::errorString() const
{
    return d->error;
}

QString SingleInstance::lockFilePath() const
{
    return d->lockPath;
}

QString SingleInstance::serverName() const
{
    return d->serverName;
}

void SingleInstance::setRelaunchWaitMs(int milliseconds)
{
    d->relaunchWaitMs = milliseconds;
}

bool SingleInstance::relaunch(const QString &program, const QStringList &arguments, qint64 *pid)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(relaunchVariable(), QString::number(QCoreApplication::applicationPid()));
    process.setProcessEnvironment(environment);
    if (!process.startDetached(pid)) {
        qCWarning(lcSingleInstance, "Cannot relaunch %s: %s", qPrintable(program),
                  qPrintable(process.errorString()));
        return false;
    }
    return true;
}

QString SingleInstance::relaunchVariable()
{
    return QString::fromLatin1(RelaunchVariable);
}
