// The queue's SQLite file: its tables, its rows and the connections of each thread.
#include "mobjectstatesqueue.h"
#include "mobjectstatesqueue_p.h"

#include "corelogging.h"
#include "mdamagedfile.h"
#include "mnotificationmanager.h"

#include <QAtomicInteger>
#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <utility>

namespace {

const QString ConnectionName = QStringLiteral("mtransfers");
const QString TransfersTable = QStringLiteral("mtransfers");
const QString GroupsTable = QStringLiteral("mgroups");
// The misspelt column is the stored format.
const QStringList TransferColumns = {QStringLiteral("_id"),
                                     QStringLiteral("state_id"),
                                     QStringLiteral("total_bytes"),
                                     QStringLiteral("transferred_bytes"),
                                     QStringLiteral("total_transferred_bytes"),
                                     QStringLiteral("serialized_request"),
                                     QStringLiteral("serliazied_object"),
                                     QStringLiteral("error_id"),
                                     QStringLiteral("group_id"),
                                     QStringLiteral("serialized_attributes"),
                                     QStringLiteral("created_at"),
                                     QStringLiteral("owner")};
const QStringList GroupColumns = {QStringLiteral("_id"),
                                  QStringLiteral("transferred_bytes"),
                                  QStringLiteral("total_bytes"),
                                  QStringLiteral("completed"),
                                  QStringLiteral("identifier"),
                                  QStringLiteral("state_id"),
                                  QStringLiteral("serialized_request"),
                                  QStringLiteral("created_at")};

QString fill(QString text, const QStringList &values)
{
    for (const QString &value : values)
        text = text.arg(value);
    return text;
}

QString createTransfersStatement()
{
    return fill(
        QStringLiteral("CREATE TABLE %1 ( %2 INTEGER PRIMARY KEY AUTOINCREMENT, %3 INTEGER, "
                       "%4 INTEGER, %5 INTEGER, %6 INTEGER, %7 BLOB, %8 BLOB, %9 INTEGER,"
                       "%10 INTEGER,%11 BLOB,%12 DATETIME,%13 TEXT)"),
        QStringList(TransfersTable) + TransferColumns);
}

QString createGroupsStatement()
{
    return fill(QStringLiteral("CREATE TABLE %1 (%2 INTEGER PRIMARY KEY AUTOINCREMENT, %3 INTEGER, "
                               "%4 INTEGER, %5 INTEGER, %6 VARCHAR(128),%7 INTEGER,%8 BLOB,%9 "
                               "DATETIME)"),
                QStringList(GroupsTable) + GroupColumns);
}

// A new row gets its identifier from SQLite.
QVariant identifierValue(qint64 identifier)
{
    return identifier == 0 ? QVariant(QVariant::LongLong) : QVariant(identifier);
}

// Blobs are pinned to one stream version so that a Qt upgrade cannot make them unreadable.
template<typename T> QByteArray toBlob(const T &value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_3);
    stream << value;
    return bytes;
}

// An empty blob leaves the value as it is; so does an unreadable one, with a warning.
template<typename T> void readBlob(const QByteArray &bytes, T *value, const char *what, qint64 row)
{
    if (bytes.isEmpty())
        return;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_5_3);
    T read;
    stream >> read;
    if (stream.status() == QDataStream::Ok)
        *value = read;
    else
        qCWarning(lcCoreTransfers)
            << "MObjectStatesQueue: ignoring the unreadable" << what << "of row" << row;
}

// SQLite result codes that mean the file is not a usable queue (no such table, corrupt, not a
// database), as opposed to a busy or failing disk, where the file must be kept as it is.
bool isDamagedFileError(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("1") || code == QLatin1String("11") || code == QLatin1String("26");
}

const char *const FileSuffixes[] = {"-wal", "-shm", "-journal"};

} // namespace

bool MObjectStatesQueuePrivate::open()
{
    if (databasePath.isEmpty())
        return false;
    const QString unreadable = mUnreadableFileReason(databasePath);
    bool usable = unreadable.isEmpty() && prepareDatabase() && loadFromDatabase();
    bool setAside = false;
    if (!usable) {
        const bool damaged = !unreadable.isEmpty() || isDamagedFileError(lastError);
        clearTransfers();
        groups.clear();
        closeConnections();
        setAside = damaged && setFileAside(unreadable);
        usable = setAside && prepareDatabase() && loadFromDatabase();
    }
    if (!usable) {
        clearTransfers();
        groups.clear();
        closeConnections();
        qCCritical(lcCoreTransfers) << "MObjectStatesQueue: cannot use" << databasePath
                                    << "; transfers will not be resumed after a restart";
        QString said;
        if (setAside || (unreadable.isEmpty() && !isDamagedFileError(lastError)))
            said = QStringLiteral("The transfer queue %1 could not be opened (%2): ")
                       .arg(databasePath, lastError.text());
        else
            said = QStringLiteral("The transfer queue %1 %2 and could not be moved aside: the "
                                  "transfers queued in it do not run, and ")
                       .arg(databasePath,
                            unreadable.isEmpty()
                                ? QStringLiteral("was damaged")
                                : QStringLiteral("could not be read (%1)").arg(unreadable));
        if (!lostOnOpen.isEmpty())
            lostOnOpen += QLatin1Char(' ');
        lostOnOpen +=
            said + QStringLiteral("transfers queued now are kept only until the program quits.");
        return false;
    }
    // Only a file known to be a queue is changed. A commit then appends to the log without
    // syncing the main file; a killed process still loses nothing committed.
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        qCWarning(lcCoreTransfers)
            << "MObjectStatesQueue: cannot use a write-ahead log:" << query.lastError().text();
    return true;
}

bool MObjectStatesQueuePrivate::prepareDatabase()
{
    const bool existed = QFileInfo::exists(databasePath);
    QSqlDatabase db = database();
    if (!db.isOpen()) {
        lastError = db.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::prepareDatabase :" << lastError.text();
        return false;
    }
    QSqlQuery query(db);
    // Both tables or neither, should the process die in between.
    if (!existed && (!db.transaction() || !query.exec(createTransfersStatement()) ||
                     !query.exec(createGroupsStatement()) || !db.commit())) {
        lastError = query.lastError().isValid() ? query.lastError() : db.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::prepareDatabase :" << lastError.text();
        db.rollback();
        return false;
    }
    return !existed || addOwnerColumn();
}

bool MObjectStatesQueuePrivate::addOwnerColumn()
{
    QSqlQuery query(database());
    // Not a database, or not one SQLite reads: the load that follows says so.
    if (!query.exec(fill(QStringLiteral("PRAGMA table_info(%1)"), {TransfersTable})))
        return true;
    bool found = false;
    int columns = 0;
    while (query.next()) {
        ++columns;
        found |= query.value(1).toString() == TransferColumns.last();
    }
    // No table at all: not a queue, and the load says so.
    if (found || columns == 0)
        return true;
    if (!query.exec(fill(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT"),
                         {TransfersTable, TransferColumns.last()}))) {
        lastError = query.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::prepareDatabase :" << lastError.text();
        return false;
    }
    return true;
}

bool MObjectStatesQueuePrivate::loadFromDatabase()
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(fill(QStringLiteral("SELECT %1,%2,%3,%4,%5,%6,%7,%8 FROM %9"),
                         GroupColumns + QStringList(GroupsTable)))) {
        lastError = query.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::loadFromDatabase :" << lastError.text();
        return false;
    }
    while (query.next()) {
        MObjectTransferGroup group;
        group.setIdentifier(query.value(0).toLongLong());
        group.setOverallTransferredBytes(query.value(1).toLongLong());
        group.setCompletedCount(query.value(3).toLongLong());
        group.setTotalBytes(query.value(2).toLongLong());
        group.setHumanReadableIdentifier(query.value(4).toString());
        group.setState(query.value(5).toInt());
        group.setCreatedAt(query.value(7).toDateTime());
        MObjectTransferRequest request;
        readBlob(query.value(6).toByteArray(), &request, "group request", group.identifier());
        group.setTransferRequest(request);
        groups.insert(group.identifier(), group);
        lastGroupIdentifier = qMax(lastGroupIdentifier, group.identifier());
    }
    if (query.lastError().isValid()) {
        lastError = query.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::loadFromDatabase :" << lastError.text();
        return false;
    }

    if (!query.exec(fill(QStringLiteral("SELECT %1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12 FROM %13"),
                         TransferColumns + QStringList(TransfersTable)))) {
        lastError = query.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::loadFromDatabase :" << lastError.text();
        return false;
    }
    while (query.next()) {
        MObjectTransfer transfer;
        const qint64 identifier = query.value(0).toLongLong();
        transfer.setIdentifier(identifier);
        transfer.setState(query.value(1).toInt());
        transfer.setTotalBytes(query.value(2).toLongLong());
        transfer.setTotalTransferredBytes(query.value(4).toLongLong());
        transfer.setTransferredBytes(query.value(3).toLongLong());
        MObjectTransferRequest request;
        readBlob(query.value(5).toByteArray(), &request, "request", identifier);
        transfer.setTransferRequest(request);
        MStorageObject object;
        readBlob(query.value(6).toByteArray(), &object, "storage object", identifier);
        transfer.setStorageObject(object);
        QVariantMap attributes = transfer.attributes();
        readBlob(query.value(9).toByteArray(), &attributes, "attributes", identifier);
        transfer.setAttributes(attributes);
        transfer.setErrorCode(query.value(7).toInt());
        transfer.setCreatedAt(query.value(10).toDateTime());
        transfer.setOwner(query.value(11).toString());

        // Attached once complete, so that the group's members carry everything. The stored
        // counters already include the member: adding it again would count it twice.
        const auto group = groups.find(query.value(8).toLongLong());
        if (group != groups.end() && group->isValid()) {
            const qint64 total = group->totalBytes();
            const qint64 transferred = group->overallTransferredBytes();
            const qint64 completed = group->completedCount();
            group->addTransfer(transfer);
            group->setTotalBytes(total);
            group->setOverallTransferredBytes(transferred);
            group->setCompletedCount(completed);
        }
        putTransfer(identifier, transfer);
        lastTransferIdentifier = qMax(lastTransferIdentifier, identifier);
    }
    if (query.lastError().isValid()) {
        lastError = query.lastError();
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::loadFromDatabase :" << lastError.text();
        return false;
    }
    return true;
}

namespace {

// One record in a transaction of its own: its row is written whole or not at all.
template<typename Save> qint64 saveAlone(QSqlDatabase db, Save save)
{
    if (!db.transaction()) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::saveToDatabase:" << db.lastError().text();
        return 0;
    }
    const qint64 identifier = save(db);
    if (identifier == 0 || !db.commit()) {
        if (identifier != 0)
            qCCritical(lcCoreTransfers)
                << "[ERROR] MObjectStatesQueue::saveToDatabase:" << db.lastError().text();
        db.rollback();
        return 0;
    }
    return identifier;
}

} // namespace

qint64 MObjectStatesQueuePrivate::saveToDatabase(const MObjectTransfer &transfer)
{
    return saveAlone(database(), [&](QSqlDatabase &db) { return save(transfer, db); });
}

QVector<qint64> MObjectStatesQueuePrivate::saveToDatabase(const QList<MObjectTransfer> &written,
                                                          const QList<MObjectTransfer> &removed)
{
    QSqlDatabase db = database();
    if (!db.transaction()) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::saveToDatabase:" << db.lastError().text();
        return {};
    }
    QVector<qint64> identifiers;
    identifiers.reserve(written.size());
    for (const MObjectTransfer &transfer : written) {
        const qint64 identifier = save(transfer, db);
        if (identifier == 0) {
            db.rollback();
            return {};
        }
        identifiers.append(identifier);
    }
    if (!removeRows(db, removed,
                    "[ERROR] MObjectStatesQueue::removeFromDatabase(QList<MObjectTransfer>):"))
        return {};
    if (!db.commit()) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::saveToDatabase:" << db.lastError().text();
        db.rollback();
        return {};
    }
    return identifiers;
}

qint64 MObjectStatesQueuePrivate::saveToDatabase(const MObjectTransferGroup &group)
{
    return saveAlone(database(), [&](QSqlDatabase &db) { return save(group, db); });
}

void MObjectStatesQueuePrivate::removeFromDatabase(const MObjectTransfer &transfer)
{
    removeFromDatabase(QList<MObjectTransfer>{transfer},
                       "[ERROR] MObjectStatesQueue::removeFromDatabase(MObjectTransfer):");
}

void MObjectStatesQueuePrivate::removeFromDatabase(const QList<MObjectTransfer> &transfers)
{
    removeFromDatabase(transfers,
                       "[ERROR] MObjectStatesQueue::removeFromDatabase(QList<MObjectTransfer>):");
}

void MObjectStatesQueuePrivate::removeFromDatabase(const QList<MObjectTransfer> &transfers,
                                                   const char *errorText)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        qCCritical(lcCoreTransfers) << errorText << db.lastError().text();
    if (removeRows(db, transfers, errorText) && !db.commit())
        qCCritical(lcCoreTransfers) << errorText << db.lastError().text();
}

bool MObjectStatesQueuePrivate::removeRows(QSqlDatabase &db,
                                           const QList<MObjectTransfer> &transfers,
                                           const char *errorText)
{
    QSqlQuery query(db);
    query.prepare(fill(QStringLiteral("DELETE FROM %1 WHERE %2=?"),
                       {TransfersTable, TransferColumns.first()}));
    for (const MObjectTransfer &transfer : transfers) {
        query.addBindValue(transfer.identifier());
        if (query.exec())
            continue;
        qCCritical(lcCoreTransfers) << errorText << query.lastError().text();
        // Nothing of the batch is kept: the queue's file stays as it was before it.
        db.rollback();
        if (std::exchange(saidRowsKept, true))
            return false;
        if (MNotificationManager *notifications = MNotificationManager::instance()) {
            MNotification notification(
                MNotification::ERROR,
                QStringLiteral("Finished transfers could not be removed from the transfer "
                               "queue %1 (%2): they will be listed again at the next start.")
                    .arg(databasePath, query.lastError().text()),
                0);
            notification.setAttribute(MNotification::Path, databasePath);
            notifications->post(notification);
        }
        return false;
    }
    return true;
}

qint64 MObjectStatesQueuePrivate::save(const MObjectTransfer &transfer, const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.prepare(fill(QStringLiteral("INSERT OR REPLACE INTO %1 "
                                           "(%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12,%13) VALUES "
                                           "(?,?,?,?,?,?,?,?,?,?,?,?)"),
                            QStringList(TransfersTable) + TransferColumns))) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::save:" << query.lastError().text();
        return 0;
    }
    // What was running or paused runs again after a restart.
    int state = transfer.state();
    if (state == MObjectTransfer::Running || state == MObjectTransfer::Paused)
        state = MObjectTransfer::Scheduled;
    query.addBindValue(identifierValue(transfer.identifier()));
    query.addBindValue(state);
    query.addBindValue(transfer.totalBytes());
    query.addBindValue(transfer.transferredBytes());
    query.addBindValue(transfer.totalTransferredBytes());
    query.addBindValue(toBlob(transfer.transferRequest()));
    query.addBindValue(toBlob(transfer.storageObject()));
    query.addBindValue(transfer.errorCode());
    query.addBindValue(transfer.groupIdentifier());
    query.addBindValue(toBlob(transfer.attributes()));
    query.addBindValue(transfer.createdAt());
    query.addBindValue(transfer.owner());
    if (!query.exec()) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::save:" << query.lastError().text();
        return 0;
    }
    return query.lastInsertId().toLongLong();
}

qint64 MObjectStatesQueuePrivate::save(const MObjectTransferGroup &group, const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.prepare(fill(QStringLiteral("INSERT OR REPLACE INTO %1 (%2,%3,%4,%5,%6,%7,%8,%9) "
                                           "VALUES (?,?,?,?,?,?,?,?)"),
                            QStringList(GroupsTable) + GroupColumns))) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::saveToDatabase:" << query.lastError().text();
        return 0;
    }
    query.addBindValue(identifierValue(group.identifier()));
    query.addBindValue(group.overallTransferredBytes());
    query.addBindValue(group.totalBytes());
    query.addBindValue(group.completedCount());
    query.addBindValue(group.humanReadableIdentifier());
    query.addBindValue(group.state());
    query.addBindValue(toBlob(group.transferRequest()));
    query.addBindValue(group.createdAt());
    if (!query.exec()) {
        qCCritical(lcCoreTransfers)
            << "[ERROR] MObjectStatesQueue::saveToDatabase :" << query.lastError().text();
        return 0;
    }
    return query.lastInsertId().toLongLong();
}

QSqlDatabase MObjectStatesQueuePrivate::database()
{
    QThread *current = QThread::currentThread();
    const auto found = connections.constFind(current);
    if (found != connections.constEnd() && found->thread)
        return QSqlDatabase::database(found->name, false);

    // Threads that are gone leave their connections behind; a new thread object may even
    // have the address of one of them.
    for (auto it = connections.begin(); it != connections.end();) {
        if (it->thread) {
            ++it;
        } else {
            QSqlDatabase::removeDatabase(it->name);
            it = connections.erase(it);
        }
    }

    static QAtomicInteger<quint64> serial;
    const QString name = QSqlDatabase::contains(ConnectionName)
                             ? ConnectionName + QLatin1Char('@') + QString::number(++serial)
                             : ConnectionName;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(databasePath);
    connections.insert(current, {current, name});
    if (db.open()) {
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        // See MObjectStatesQueue::checkpoint().
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    }
    return db;
}

void MObjectStatesQueue::checkpoint()
{
    Q_D(MObjectStatesQueue);
    QString path;
    {
        QMutexLocker locker(&d->mutex);
        if (!d->persistent)
            return;
        path = d->databasePath;
    }
    QMutexLocker locker(&d->checkpointMutex);
    QThread *current = QThread::currentThread();
    if (d->checkpointName.isEmpty() || d->checkpointPath != path ||
        d->checkpointThread != current) {
        d->closeCheckpointConnection();
        static QAtomicInteger<quint64> serial;
        d->checkpointName =
            ConnectionName + QStringLiteral("-checkpoint@") + QString::number(++serial);
        d->checkpointPath = path;
        d->checkpointThread = current;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d->checkpointName);
        db.setDatabaseName(path);
        db.open();
    }
    QSqlDatabase db = QSqlDatabase::database(d->checkpointName, false);
    if (db.isOpen())
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
}

void MObjectStatesQueuePrivate::closeCheckpointConnection()
{
    if (!checkpointName.isEmpty())
        QSqlDatabase::removeDatabase(checkpointName);
    checkpointName.clear();
    checkpointThread = nullptr;
}

void MObjectStatesQueuePrivate::closeConnections()
{
    {
        QMutexLocker locker(&checkpointMutex);
        closeCheckpointConnection();
    }
    for (const Connection &connection : qAsConst(connections))
        QSqlDatabase::removeDatabase(connection.name);
    connections.clear();
}

bool MObjectStatesQueuePrivate::setFileAside(const QString &unreadable)
{
    const QString aside = mSetDamagedFileAside(databasePath);
    if (aside.isEmpty()) {
        qCCritical(lcCoreTransfers)
            << "MObjectStatesQueue: cannot move the unusable" << databasePath << "aside";
        return false;
    }
    qCCritical(lcCoreTransfers) << "MObjectStatesQueue: moved the unusable" << databasePath << "to"
                                << aside;
    // Counted from what is left of it, when that much can still be read.
    // A folder holds no queue.
    qint64 queued = QFileInfo(aside).isDir() ? 0 : -1;
    if (queued < 0) {
        static QAtomicInteger<quint64> serial;
        const QString name = ConnectionName + QStringLiteral("-aside@") + QString::number(++serial);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(aside);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (db.open() &&
            query.exec(fill(QStringLiteral("SELECT COUNT(*) FROM %1"), {TransfersTable})) &&
            query.next())
            queued = query.value(0).toLongLong();
        query = QSqlQuery();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    const QString lost = queued < 0    ? QStringLiteral("the transfers queued in it could not be "
                                                           "counted and will not resume")
                         : queued == 0 ? QStringLiteral("no queued transfer was lost")
                         : queued == 1 ? QStringLiteral("the transfer queued in it will not resume")
                                       : QStringLiteral("the %1 transfers queued in it will not "
                                                        "resume")
                                             .arg(queued);
    const QString found = unreadable.isEmpty()
                              ? QStringLiteral("was damaged")
                              : QStringLiteral("could not be read (%1)").arg(unreadable);
    lostOnOpen = QStringLiteral("The transfer queue %1 and was set aside as %2: %3.")
                     .arg(found, aside, lost);
    return true;
}

bool MObjectStatesQueuePrivate::hasTransferRows()
{
    QSqlQuery query(database());
    if (!query.exec(fill(QStringLiteral("SELECT COUNT(*) FROM %1"), {TransfersTable})) ||
        !query.next())
        return true;
    return query.value(0).toLongLong() > 0;
}

void MObjectStatesQueuePrivate::close()
{
    // Rows can outlive the map's entries (a taken transfer), so the file is asked.
    const bool unused = persistent && !hasTransferRows();
    closeConnections();
    persistent = false;
    if (unused) {
        QFile::remove(databasePath);
        for (const char *suffix : FileSuffixes)
            QFile::remove(databasePath + QLatin1String(suffix));
    }
}
