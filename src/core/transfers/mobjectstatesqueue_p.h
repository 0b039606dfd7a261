#ifndef MOBJECTSTATESQUEUE_P_H
#define MOBJECTSTATESQUEUE_P_H

#include "mobjectstatesqueue.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QThread>
#include <QVector>

#include <deque>
#include <set>

// Every member but the constructor runs with the mutex held.
class MObjectStatesQueuePrivate
{
    Q_DECLARE_PUBLIC(MObjectStatesQueue)
public:
    explicit MObjectStatesQueuePrivate(MObjectStatesQueue *q)
        : q_ptr(q)
    {}

    // The file (mobjectstatesqueuedatabase.cpp).
    // Opens and loads the file, or a new one in place of a damaged one; false when the queue
    // has to live in memory.
    bool open();
    // false, with lastError set, when the file cannot be used.
    bool prepareDatabase();
    bool loadFromDatabase();
    qint64 saveToDatabase(const MObjectTransfer &transfer);
    // Writes and deletes in one transaction, so that a crash cannot keep the row of a
    // transfer that finished together with new ones.
    // The identifiers of the written rows; empty when nothing was written.
    QVector<qint64> saveToDatabase(const QList<MObjectTransfer> &written,
                                   const QList<MObjectTransfer> &removed);
    qint64 saveToDatabase(const MObjectTransferGroup &group);
    void removeFromDatabase(const MObjectTransfer &transfer);
    void removeFromDatabase(const QList<MObjectTransfer> &transfers);
    void removeFromDatabase(const QList<MObjectTransfer> &transfers, const char *errorText);
    // Deletes the transfers' rows inside db's open transaction; on a failure rolls it back,
    // tells the user (once per file) and returns false.
    bool removeRows(QSqlDatabase &db, const QList<MObjectTransfer> &transfers,
                    const char *errorText);
    qint64 save(const MObjectTransfer &transfer, const QSqlDatabase &database);
    qint64 save(const MObjectTransferGroup &group, const QSqlDatabase &database);

    // The calling thread's connection, opened on first use: Qt lets a connection be used
    // only by the thread that opened it.
    QSqlDatabase database();
    void closeConnections();
    // Moves the unusable file aside and says what that lost; unreadable is why it could not
    // be read, empty when it was read and found damaged.
    bool setFileAside(const QString &unreadable);
    // Whether the file is still in use by unfinished transfers (or cannot be checked).
    bool hasTransferRows();
    // Lets go of the file, removing it when no transfer is left in it; the queue goes on in
    // memory only.
    void close();

    // Adds the owner column to a file written before transfers recorded their owner.
    bool addOwnerColumn();

    // The queue in memory (mobjectstatesqueue.cpp).
    // Not finished, not running nor paused, and of the owner.
    bool isRunnable(const MObjectTransfer &transfer) const;
    // A transfer saved without its owner keeps the one it had, or, new, gets recordedOwner.
    void recordOwner(MObjectTransfer &transfer) const;
    // Whether the queue holds this transfer as finished: it must never be written again.
    bool isStoredAsFinished(const MObjectTransfer &transfer) const;
    // The row identifier SQLite gave (written), or one the file could not give, so that
    // transfers stay apart for the rest of the session.
    qint64 assignedTransferIdentifier(const MObjectTransfer &transfer, qint64 written);
    // Every change to the transfers map goes through these, so that the runnable index
    // always matches it.
    void putTransfer(qint64 identifier, const MObjectTransfer &transfer);
    void dropTransfer(qint64 identifier);
    void clearTransfers();

    MObjectStatesQueue *q_ptr;
    mutable QMutex mutex;
    QString databasePath;
    QMap<qint64, MObjectTransfer> transfers;
    // Finished transfers stay in the map, so that a late save of an older copy cannot bring
    // one back to run again; the newest MaximumFinishedKept of them, in the order they
    // finished, so that a session of hours keeps a bounded map.
    static constexpr int MaximumFinishedKept = 1000;
    std::deque<qint64> finishedOrder;
    // The identifiers of the runnable transfers in the map, in order: the next one is the
    // first, so a folder of N files does not cost N scans of the map.
    std::set<qint64> runnable;
    QMap<qint64, MObjectTransferGroup> groups;
    bool ownerSet = false;
    QString owner;
    // The owner new transfers record: the last one set that was somebody, so that what is
    // queued as an account signs out is still that account's.
    QString recordedOwner;

    struct Connection
    {
        QPointer<QThread> thread; // null once the thread object is gone
        QString name;
    };
    QHash<QThread *, Connection> connections;
    // checkpoint()'s own connection, used outside mutex; checkpointMutex is taken after
    // mutex, never the other way round.
    QMutex checkpointMutex;
    QString checkpointName;
    QString checkpointPath;
    QThread *checkpointThread = nullptr;
    void closeCheckpointConnection();
    // False when no file could be used: the queue then lives in memory only.
    bool persistent = false;
    QSqlError lastError;
    // See MObjectStatesQueue::lostOnOpen().
    QString lostOnOpen;
    // Whether the user was told that finished transfers stay in this file.
    bool saidRowsKept = false;
    // The largest identifiers handed out, for those the file could not assign.
    qint64 lastTransferIdentifier = 0;
    qint64 lastGroupIdentifier = 0;
};

#endif // MOBJECTSTATESQUEUE_P_H
