#ifndef MOBJECTSTATESQUEUE_H
#define MOBJECTSTATESQUEUE_H

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QUrl>

#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"

class MObjectStatesQueuePrivate;

// The persistent queue of transfers and groups, kept in memory and mirrored into an SQLite
// file, so that unfinished transfers run again after a restart. Safe to use from any thread:
// one mutex serialises every operation, and each thread has its own connection to the file.
class MObjectStatesQueue : public QObject
{
    Q_OBJECT
public:
    explicit MObjectStatesQueue(QObject *parent = nullptr);
    // Removes the file when it holds no transfer any more.
    ~MObjectStatesQueue() override;

    // The application object's queue, which transfers save their states in; null until the
    // application object sets it and once it is destroyed.
    static MObjectStatesQueue *applicationQueue();
    static void setApplicationQueue(MObjectStatesQueue *queue);

    // Opens or creates the file and loads it. A file that is not a usable queue, or cannot be
    // read (a folder, no permission), is set aside (renamed with a ".broken-" suffix) and a
    // new one started; when no file can be used the queue works in memory only. Always true.
    bool setDatabasePath(const QString &path);
    QString databasePath() const;
    // What the last setDatabasePath() lost with an unusable file, in a sentence for the user:
    // where the file went and how many queued transfers it held, if they could be counted, or
    // that the queue is kept in memory only. Empty when nothing was lost.
    QString lostOnOpen() const;
    // Copies the file's write-ahead log back into it. Connections never do it on their own:
    // a checkpoint syncs the disk, and one taken inside a write would hold the queue's lock,
    // and with it every thread that saves a transfer (the interface's among them), for that
    // long. The engine calls this from its own thread, outside the lock.
    void checkpoint();

    // Writes an unfinished transfer (Running and Paused as Scheduled, so that it runs again
    // after a restart) and sets its identifier and creation date on the caller's object; a
    // finished one loses its row. A transfer already saved as finished is left alone.
    void saveTransfer(MObjectTransfer &transfer);
    // The same for each transfer, in one transaction; the transfers as saved (with their
    // identifiers), without those left alone.
    QList<MObjectTransfer> saveTransfers(const QList<MObjectTransfer> &transfers);
    void removeTransfer(const MObjectTransfer &transfer);
    void removeTransfers(const QList<MObjectTransfer> &transfers);
    // Sets the identifier and creation date on the caller's object.
    void saveGroup(MObjectTransferGroup &group);

    // Invalid values when nothing has that identifier.
    MObjectTransfer transfer(qint64 identifier) const;
    MObjectTransferGroup group(qint64 identifier) const;

    // The owner a transfer records: an account at a service root.
    static QString ownerKey(const QUrl &serviceRoot, qint64 accountId);
    // Whose transfers run: only those this owner queued are taken, and new ones are recorded
    // as its own; the others wait for their owner. Empty: nobody is signed in and nothing
    // runs. Until it is first set, every transfer runs.
    void setOwner(const QString &owner);

    // Whether a transfer of the owner in state Invalid, Scheduled or Idle is waiting.
    bool hasPendingTransfers() const;
    // Takes the owner's waiting transfer with the lowest identifier out of the queue (its row stays
    // until it is saved again or removed). found tells whether the result is valid.
    MObjectTransfer takeNextTransfer(bool *found = nullptr);
    // The unfinished transfers that do not run under the owner set: queued under another
    // account, or (with no owner) before owners were recorded. They stay until their owner is
    // set again or they are cancelled. Empty while nobody is signed in.
    QList<MObjectTransfer> waitingTransfers() const;

private:
    Q_DECLARE_PRIVATE(MObjectStatesQueue)
    QScopedPointer<MObjectStatesQueuePrivate> d_ptr;
};

#endif // MOBJECTSTATESQUEUE_H
