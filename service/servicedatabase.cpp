#include "servicedatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const char databaseFile[] = "kerlo-local.db";
constexpr int schemaVersion = 1;

const char *const schema[] = {
    "CREATE TABLE users(id INTEGER PRIMARY KEY, email TEXT NOT NULL, used_size INTEGER NOT NULL,"
    " record TEXT NOT NULL)",
    "CREATE TABLE devices(id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, uuid TEXT NOT NULL,"
    " record TEXT NOT NULL)",
    "CREATE INDEX devices_by_user ON devices(user_id, uuid)",
    // rowid keeps the order of issue.
    "CREATE TABLE tokens(value TEXT NOT NULL UNIQUE, refresh INTEGER NOT NULL,"
    " user_id INTEGER NOT NULL, expires_at INTEGER NOT NULL)",
    "CREATE TABLE objects(user_id INTEGER NOT NULL, path TEXT NOT NULL, folder INTEGER NOT NULL,"
    " size INTEGER NOT NULL, hash TEXT NOT NULL, modified INTEGER NOT NULL,"
    " version_id TEXT NOT NULL, removed INTEGER NOT NULL, PRIMARY KEY(user_id, removed, path))"
    " WITHOUT ROWID",
    "CREATE TABLE journals(user_id INTEGER PRIMARY KEY, id TEXT NOT NULL,"
    " length INTEGER NOT NULL)",
    "CREATE TABLE journal_entries(user_id INTEGER NOT NULL, position INTEGER NOT NULL,"
    " entry TEXT NOT NULL, PRIMARY KEY(user_id, position)) WITHOUT ROWID",
    "CREATE TABLE uploads(token TEXT PRIMARY KEY, record TEXT NOT NULL)",
    "CREATE TABLE user_chunks(user_id INTEGER NOT NULL, hash TEXT NOT NULL,"
    " PRIMARY KEY(user_id, hash)) WITHOUT ROWID",
    "CREATE TABLE share_links(token TEXT NOT NULL UNIQUE, record TEXT NOT NULL)",
    // The social stores: one JSON document each.
    "CREATE TABLE documents(name TEXT PRIMARY KEY, body TEXT NOT NULL)",
};

// Qt binds a null QString as NULL; the store means "".
QVariant bindable(const QVariant &value)
{
    if (value.userType() == QMetaType::QString && value.toString().isNull())
        return QString(QLatin1String(""));
    return value;
}

void report(const QSqlError &error, const QString &sql)
{
    std::fprintf(stderr, "kerlo-local: database: %s (%s)\n", qPrintable(error.text()),
                 qPrintable(sql.left(80)));
}

} // namespace

struct ServiceDatabase::Private
{
    QString path;
    QString connectionName;
    QSqlDatabase database;
    bool isNew = false;
    std::recursive_mutex mutex;
    int depth = 0;       // nested transaction calls on the thread holding the mutex
    bool failed = false; // a statement of the open transaction failed
    int statementsInTransaction = 0;
    std::atomic<int> killAfter{0};

    bool run(QSqlQuery &query, const QString &sql)
    {
        if (query.exec())
            return countStatement();
        report(query.lastError(), sql);
        failed = true;
        return false;
    }

    bool countStatement()
    {
        if (depth > 0 && killAfter > 0 && ++statementsInTransaction >= killAfter) {
            std::fflush(stderr);
            ::kill(::getpid(), SIGKILL);
        }
        return true;
    }
};

ServiceDatabase::ServiceDatabase(const QString &dataPath)
    : d(new Private)
{
    d->path = QDir(dataPath).filePath(QLatin1String(databaseFile));
    d->connectionName = QStringLiteral("kerlo-local-") + QUuid::createUuid().toString();
}

ServiceDatabase::~ServiceDatabase()
{
    if (d->database.isValid()) {
        d->database.close();
        d->database = QSqlDatabase();
        QSqlDatabase::removeDatabase(d->connectionName);
    }
}

QString ServiceDatabase::fileName()
{
    return QLatin1String(databaseFile);
}

bool ServiceDatabase::isNew() const
{
    return d->isNew;
}

bool ServiceDatabase::open(QString *error)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    d->isNew = !QFileInfo::exists(d->path);
    d->database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d->connectionName);
    d->database.setDatabaseName(d->path);
    // Busy waits only matter for a second process opening the file by mistake.
    d->database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!d->database.open()) {
        *error = QStringLiteral("cannot open %1: %2").arg(d->path, d->database.lastError().text());
        return false;
    }
    int version = -1;
    // WAL: readers never wait for the writer, and a commit is one append. NORMAL sync keeps
    // every commit across a crash of the process; only a power cut may lose the last ones.
    const bool ready = exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
                       exec(QStringLiteral("PRAGMA synchronous=NORMAL")) &&
                       exec(QStringLiteral("PRAGMA user_version"), {},
                            [&](const QSqlQuery &row) { version = row.value(0).toInt(); });
    if (!ready) {
        *error = QStringLiteral("cannot set up %1").arg(d->path);
        return false;
    }
    if (version == schemaVersion)
        return true;
    if (version != 0) {
        *error = QStringLiteral("%1 has schema version %2; this kerlo-local knows %3")
                     .arg(d->path)
                     .arg(version)
                     .arg(schemaVersion);
        return false;
    }
    d->isNew = true;
    const bool created = transaction([this] {
        for (const char *statement : schema) {
            if (!exec(QLatin1String(statement)))
                return false;
        }
        return exec(QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion));
    });
    if (!created)
        *error = QStringLiteral("cannot create the tables of %1").arg(d->path);
    return created;
}

bool ServiceDatabase::transaction(const std::function<bool()> &work)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    if (d->depth > 0) {
        ++d->depth;
        const bool done = work();
        --d->depth;
        if (!done)
            d->failed = true;
        return done && !d->failed;
    }
    if (!d->database.transaction()) {
        report(d->database.lastError(), QStringLiteral("BEGIN"));
        return false;
    }
    d->depth = 1;
    d->failed = false;
    d->statementsInTransaction = 0;
    const bool done = work() && !d->failed;
    d->depth = 0;
    if (done && d->database.commit())
        return true;
    if (done)
        report(d->database.lastError(), QStringLiteral("COMMIT"));
    d->database.rollback();
    return false;
}

bool ServiceDatabase::exec(const QString &sql, const QVariantList &values,
                           const std::function<void(const QSqlQuery &)> &rows)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    QSqlQuery query(d->database);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        report(query.lastError(), sql);
        d->failed = true;
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(bindable(value));
    if (!d->run(query, sql))
        return false;
    if (rows) {
        while (query.next())
            rows(query);
    }
    return true;
}

bool ServiceDatabase::execMany(const QString &sql, const std::function<bool(QVariantList *)> &next)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    QSqlQuery query(d->database);
    if (!query.prepare(sql)) {
        report(query.lastError(), sql);
        d->failed = true;
        return false;
    }
    QVariantList values;
    while (next(&values)) {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, bindable(values.at(i)));
        if (!d->run(query, sql))
            return false;
        values.clear();
    }
    return true;
}

void ServiceDatabase::killAfterStatements(int count)
{
    d->killAfter = count;
}
