#include "tolvoprocess.h"
#include "tolvoprocess_p.h"

#include "corelogging.h"
#include "mconfigdatabase.h"
#include "mdamagedfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QMessageAuthenticationCode>
#include <QSqlError>
#include <QSysInfo>
#include <QThread>
#include <QThreadStorage>
#include <QUuid>

#include <atomic>

namespace {

// Set while an application object lives; read from any thread.
std::atomic<TolvoProcess *> liveProcess{nullptr};

QThread *configThread = nullptr;
// Counts the openings of config.db: a thread's connection to an earlier one is replaced.
QAtomicInteger<quint64> configGeneration;
// Set once the application object is going: the connection registry may be gone before the
// last pool thread ends.
QAtomicInt configClosed;

// SQLite result codes that mean the file is not a usable configuration store, as opposed
// to a busy or failing disk, where the file must be kept.
bool isDefiniteSchemaFault(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("1") || code == QLatin1String("11") || code == QLatin1String("26");
}

// Writes go to a write-ahead log that is synced at checkpoints, not at every commit: a
// committed value (the live-update cursor is saved after every change applied) survives a
// crash of the process, without an fsync per value on the main thread.
void configureConnection(QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

} // namespace

const QString MConfigConnectionName = QStringLiteral("config");

namespace {

// A worker thread's own connection to config.db. It is closed and removed when its thread
// ends: thread ids are reused, so a name derived from one could hand a later thread a
// connection that belongs to another, on which every statement fails.
class ThreadConfigConnection
{
public:
    explicit ThreadConfigConnection(quint64 generation)
        : generation(generation)
    {
        static QAtomicInteger<quint64> serial;
        name = MConfigConnectionName + QLatin1Char('@') + QString::number(++serial);
        QSqlDatabase clone = QSqlDatabase::cloneDatabase(MConfigConnectionName, name);
        if (clone.open())
            configureConnection(clone);
    }
    ~ThreadConfigConnection()
    {
        if (!configClosed.loadAcquire())
            QSqlDatabase::removeDatabase(name);
    }
    Q_DISABLE_COPY(ThreadConfigConnection)

    const quint64 generation;
    QString name;
};

QThreadStorage<ThreadConfigConnection *> threadConnections;

} // namespace

QSqlDatabase mConfigDatabase()
{
    if (!configThread || QThread::currentThread() == configThread)
        return QSqlDatabase::database(MConfigConnectionName);
    const quint64 generation = configGeneration.loadAcquire();
    ThreadConfigConnection *connection = threadConnections.localData();
    if (!connection || connection->generation != generation) {
        // Replacing the entry deletes the connection to the file opened before.
        connection = new ThreadConfigConnection(generation);
        threadConnections.setLocalData(connection);
    }
    return QSqlDatabase::database(connection->name);
}

TolvoProcessPrivate::TolvoProcessPrivate(TolvoProcess *q)
    : q_ptr(q)
    , localHostName(QHostInfo::localHostName())
    , sslConfiguration(QSslConfiguration::defaultConfiguration())
{}

void TolvoProcessPrivate::lockSupportFolder()
{
    if (supportPath.isEmpty() || lockedSupportPath == supportPath)
        return;
    supportLock.reset();
    lockedSupportPath.clear();

    QDir().mkpath(supportPath);
    QFile::setPermissions(supportPath,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto lock = std::make_unique<QLockFile>(supportPath + QStringLiteral("/.lock"));
    // Never stale by age: only a lock whose process is gone is taken over.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            qint64 pid = 0;
            QString host, application;
            lock->getLockInfo(&pid, &host, &application);
            qFatal("Another instance (process %lld) is already using the support folder %s",
                   static_cast<long long>(pid), qPrintable(supportPath));
        }
        qFatal("Cannot lock the support folder %s", qPrintable(supportPath));
    }
    supportLock = std::move(lock);
    lockedSupportPath = supportPath;
}

TolvoProcess::TolvoProcess(QObject *parent)
    : QObject(parent)
    , d_ptr(new TolvoProcessPrivate(this))
{
    // Probes report across threads before init() registers the rest.
    qRegisterMetaType<TolvoProcess::ConnectivityStatus>("TolvoProcess::ConnectivityStatus");
    liveProcess.store(this);
}

TolvoProcess::~TolvoProcess()
{
    liveProcess.store(nullptr);
    configClosed.storeRelease(1);
    if (QSqlDatabase::contains(MConfigConnectionName)) {
        QSqlDatabase::database(MConfigConnectionName, false).close();
        QSqlDatabase::removeDatabase(MConfigConnectionName);
    }
}

TolvoProcess *TolvoProcess::instance()
{
    return liveProcess.load();
}

QString TolvoProcess::mainIdentifier() const
{
    return d_func()->mainIdentifier;
}
void TolvoProcess::setMainIdentifier(const QString &identifier)
{
    d_func()->mainIdentifier = identifier;
}

QString TolvoProcess::supportPath() const
{
    return d_func()->supportPath;
}

void TolvoProcess::setSupportPath(const QString &path)
{
    Q_D(TolvoProcess);
    d->supportPath = QDir::cleanPath(path);
    if (d->cachePath.isEmpty() && !d->supportPath.isEmpty())
        d->cachePath = d->supportPath + QDir::separator() + QStringLiteral("cache");
    if (d->tempPath.isEmpty() && !d->supportPath.isEmpty())
        d->tempPath = d->supportPath + QDir::separator() + QStringLiteral("temp");
    d->lockSupportFolder();
    initConfig();
}

QString TolvoProcess::cachePath() const
{
    return d_func()->cachePath;
}
void TolvoProcess::setCachePath(const QString &path)
{
    d_func()->cachePath = QDir::cleanPath(path);
}

QString TolvoProcess::tempPath() const
{
    Q_D(const TolvoProcess);
    Q_ASSERT(!d_func()->supportPath.isEmpty());
    QDir dir(d->tempPath);
    if (!dir.exists())
        QDir().mkdir(d->tempPath);
    return dir.absolutePath();
}

void TolvoProcess::setTempPath(const QString &path)
{
    d_func()->tempPath = path;
}

static QString createdSupportSubfolder(const QString &supportPath, const QString &name)
{
    if (supportPath.isEmpty())
        return QString();
    const QString path = QDir::cleanPath(supportPath + QDir::separator() + name);
    QDir().mkpath(path);
    return path;
}

QString TolvoProcess::thumbnailsPath() const
{
    return createdSupportSubfolder(d_func()->supportPath, QStringLiteral("thumbnails"));
}

QString TolvoProcess::avatarsPath() const
{
    return createdSupportSubfolder(d_func()->supportPath, QStringLiteral("avatars"));
}

QUrl TolvoProcess::baseAPIURL() const
{
    return d_func()->baseAPIURL;
}
void TolvoProcess::setBaseAPIURL(const QUrl &url)
{
    d_func()->baseAPIURL = url;
}
QUrl TolvoProcess::authorizationURL() const
{
    return d_func()->authorizationURL;
}
void TolvoProcess::setAuthorizationURL(const QUrl &url)
{
    d_func()->authorizationURL = url;
}
QString TolvoProcess::OAuth2ClientID() const
{
    return d_func()->OAuth2ClientID;
}
void TolvoProcess::setOAuth2ClientID(const QString &clientId)
{
    d_func()->OAuth2ClientID = clientId;
}
QString TolvoProcess::OAuth2ClientSecret() const
{
    return d_func()->OAuth2ClientSecret;
}

void TolvoProcess::setOAuth2ClientSecret(const QString &clientSecret)
{
    d_func()->OAuth2ClientSecret = clientSecret;
}

QString TolvoProcess::userAgent() const
{
    return d_func()->userAgent;
}
void TolvoProcess::setUserAgent(const QString &userAgent)
{
    d_func()->userAgent = userAgent;
}
QString TolvoProcess::localHostName() const
{
    return d_func()->localHostName;
}
void TolvoProcess::setLocalHostName(const QString &name)
{
    d_func()->localHostName = name;
}
bool TolvoProcess::isCacheEnabled() const
{
    return d_func()->cacheEnabled;
}
void TolvoProcess::setCacheEnabled(bool enabled)
{
    d_func()->cacheEnabled = enabled;
}
QString TolvoProcess::applicationString() const
{
    return d_func()->applicationString;
}

void TolvoProcess::setApplicationString(const QString &applicationString)
{
    Q_D(TolvoProcess);
    d->applicationString = applicationString;
    d->userAgent = deviceDescriptionString(stringWithMachineUUID(), applicationString);
}

QSslConfiguration TolvoProcess::sslConfiguration() const
{
    return d_func()->sslConfiguration;
}

void TolvoProcess::setSslConfiguration(const QSslConfiguration &configuration)
{
    d_func()->sslConfiguration = configuration;
}

bool TolvoProcess::ignoresSslErrors() const
{
    return d_func()->ignoreSslErrors;
}
void TolvoProcess::setIgnoreSslErrors(bool ignore)
{
    d_func()->ignoreSslErrors = ignore;
}

TolvoProcess::ConnectivityStatus TolvoProcess::connectivityStatus() const
{
    return static_cast<ConnectivityStatus>(d_func()->connectivityStatus.load());
}

void TolvoProcess::setConnectivityStatus(TolvoProcess::ConnectivityStatus status)
{
    const auto previous =
        static_cast<ConnectivityStatus>(d_func()->connectivityStatus.exchange(status));
    emit connectivityStatusChanged(previous, status);
}

bool TolvoProcess::isShuttingDown() const
{
    return d_func()->shuttingDown;
}
void TolvoProcess::setShuttingDown()
{
    d_func()->shuttingDown = true;
}

void TolvoProcess::releaseSupportFolder()
{
    Q_D(TolvoProcess);
    // The locked path stays recorded, so that nothing takes the lock again.
    d->supportLock.reset();
}

QString TolvoProcess::stringWithMachineUUID()
{
    // The raw machine id must not leave the machine: send a keyed hash of it, in the same
    // 32-hex-digit form.
    static const QString uuid = [] {
        QByteArray machineId = QSysInfo::machineUniqueId();
        if (machineId.isEmpty())
            machineId = QSysInfo::bootUniqueId();
        if (machineId.isEmpty())
            machineId = QUuid::createUuid().toRfc4122();
        const QByteArray key = QByteArrayLiteral("com.kerloapp.device");
        return QString::fromLatin1(
            QMessageAuthenticationCode::hash(machineId, key, QCryptographicHash::Sha256)
                .left(16)
                .toHex());
    }();
    return uuid;
}

void TolvoProcess::initConfig()
{
    Q_D(TolvoProcess);
    if (d->supportPath.isEmpty())
        qFatal("Cannot continue without an application support path set");

    const QString filePath =
        QDir::cleanPath(d->supportPath + QDir::separator() + QStringLiteral("config.db"));
    configThread = QThread::currentThread();
    // The store holds one setting: where the account's list of changes was last read.
    const QString cost = QStringLiteral(
        "where the list of changes to your files was last read is lost, so every folder is "
        "listed afresh.");
    QSqlError error;
    const QString unreadable = mUnreadableFileReason(filePath);
    TolvoProcessPrivate::ConfigState state = unreadable.isEmpty()
                                                 ? d->openConfig(filePath, &error)
                                                 : TolvoProcessPrivate::ConfigState::Damaged;
    QString said;
    if (state == TolvoProcessPrivate::ConfigState::Damaged) {
        // Kept for someone to look at; the program starts afresh and says what that cost.
        QSqlDatabase::database(MConfigConnectionName, false).close();
        const QString found = unreadable.isEmpty()
                                  ? QStringLiteral("was damaged")
                                  : QStringLiteral("could not be read (%1)").arg(unreadable);
        const QString why = unreadable.isEmpty() ? error.text() : unreadable;
        const QString aside = mSetDamagedFileAside(filePath);
        if (aside.isEmpty()) {
            qCCritical(lcCoreApp) << "Cannot move the unusable configuration database" << filePath
                                  << "aside (" << why << ")";
            said = QStringLiteral("The settings store %1 %2 and could not be moved aside")
                       .arg(filePath, found);
        } else {
            qCCritical(lcCoreApp) << "Moved the unusable configuration database" << filePath << "to"
                                  << aside << "(" << why << ")";
            reportLostAtStart(QStringLiteral("The settings store %1 and was set aside as %2: %3")
                                  .arg(found, aside, cost));
            state = d->openConfig(filePath, &error);
        }
    }
    if (state == TolvoProcessPrivate::ConfigState::Ready)
        return;
    if (said.isEmpty())
        said = QStringLiteral("The settings store %1 could not be opened (%2)")
                   .arg(filePath, error.text());
    qCCritical(lcCoreApp).noquote() << said << "; keeping the settings in memory only";
    // The settings are still needed while the program runs; none outlives it.
    if (d->openConfig(QString(), &error) != TolvoProcessPrivate::ConfigState::Ready)
        qFatal("Cannot setup configuration database: %s", qPrintable(error.text()));
    reportLostAtStart(said +
                      QStringLiteral(": settings are kept only until the program quits: "
                                     "at every start, ") +
                      cost);
}

TolvoProcessPrivate::ConfigState TolvoProcessPrivate::openConfig(const QString &filePath,
                                                                 QSqlError *error)
{
    if (QSqlDatabase::contains(MConfigConnectionName)) {
        QSqlDatabase::database(MConfigConnectionName, false).close();
        QSqlDatabase::removeDatabase(MConfigConnectionName);
    }
    const bool inMemory = filePath.isEmpty();
    const bool existed = !inMemory && QFile::exists(filePath);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), MConfigConnectionName);
    if (inMemory) {
        // Shared by name, so that the connections of other threads see the same tables.
        static QAtomicInteger<quint64> serial;
        db.setDatabaseName(QStringLiteral("file:config-%1?mode=memory&cache=shared")
                               .arg(QString::number(++serial)));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    } else {
        db.setDatabaseName(filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    configGeneration.fetchAndAddRelease(1);

    if (!db.open()) {
        *error = db.lastError();
        return ConfigState::Failed;
    }
    QSqlQuery query(db);
    if (existed) {
        // Checked before anything is written: a damaged file is set aside as it was found.
        if (!query.exec(QStringLiteral("SELECT _id FROM migrations ORDER BY _id DESC LIMIT 1"))) {
            *error = query.lastError();
            return isDefiniteSchemaFault(*error) ? ConfigState::Damaged : ConfigState::Failed;
        }
        if (!query.next()) {
            if (query.lastError().isValid()) {
                *error = query.lastError();
                return isDefiniteSchemaFault(*error) ? ConfigState::Damaged : ConfigState::Failed;
            }
            *error = QSqlError(QString(), QStringLiteral("no migration recorded"),
                               QSqlError::StatementError);
            return ConfigState::Damaged;
        }
        query.finish();
        // Without it no setting is ever kept.
        if (!query.exec(QStringLiteral("SELECT key, value FROM config LIMIT 0"))) {
            *error = query.lastError();
            return isDefiniteSchemaFault(*error) ? ConfigState::Damaged : ConfigState::Failed;
        }
        query.finish();
    }
    if (!inMemory && !query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        qCWarning(lcCoreApp) << "config.db stays in rollback-journal mode:"
                             << query.lastError().text();
    configureConnection(db);
    if (existed)
        return ConfigState::Ready;
    const QStringList statements = {
        QStringLiteral("CREATE TABLE migrations ( _id INTEGER PRIMARY KEY AUTOINCREMENT )"),
        QStringLiteral("CREATE TABLE %1 (%2 KEY TEXT PRIMARY KEY NOT NULL,%3 BLOB)")
            .arg(QStringLiteral("config"), QStringLiteral("key"), QStringLiteral("value")),
        QStringLiteral("INSERT INTO migrations (_id) VALUES (NULL)")};
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            *error = query.lastError();
            query = QSqlQuery();
            db.close();
            // A file just made holds nothing; a log left behind would be replayed into the
            // next database made here.
            if (!inMemory) {
                for (const char *suffix : {"", "-wal", "-shm"})
                    QFile::remove(filePath + QLatin1String(suffix));
            }
            return ConfigState::Failed;
        }
    }
    return ConfigState::Ready;
}

QStringList TolvoProcess::lostAtStart() const
{
    return d_func()->lostAtStart;
}

void TolvoProcess::reportLostAtStart(const QString &sentence)
{
    d_func()->lostAtStart.append(sentence);
}

QString deviceDescriptionString(const QString &uuid, const QString &applicationIdentifier)
{
    QString description = QStringLiteral("os: %1;").arg(QSysInfo::prettyProductName());
    description += QStringLiteral(" name: %1;").arg(QHostInfo::localHostName());
    description += QStringLiteral(" uuid: %1;").arg(uuid);
    if (!applicationIdentifier.isEmpty())
        description += QStringLiteral(" app-identifier: %1;").arg(applicationIdentifier);
    return description;
}
