#ifndef MCTABLEQUEUEMODEL_H
#define MCTABLEQUEUEMODEL_H

#include "mcoperation.h"
#include "mopostednotification.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QMultiHash>
#include <QPointer>

#include <memory>
#include <vector>

class Clock;
class MCCounters;
class MOObjectsManager;

// The rows of the transfers page in order of arrival (MCOperationsFilterModel shows them
// newest first): first the transfers that wait for another account (the objects facade's
// waitingTransfers), with why; then the transfers since the session started (a folder transfer is
// one row) and a log of folders created, objects deleted and objects copied, fed by the objects
// facade's notifications. It keeps the running download and upload counts, mirrored to the hub's
// currentDownloadsCount and currentUploadsCount: a transfer row counts while it is unfinished and
// not waiting, so the counts never go below zero and match the transfers still running, paused or
// queued. Past maximumSettledCount() settled rows (finished transfers and log rows) the oldest
// settled ones are dropped, so that a session of hours keeps a bounded page; rows still under way
// always stay. Main thread only.
class MCTableQueueModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { IconColumn, OperationTypeColumn, InteractionColumn, StatusColumn, ColumnCount };
    enum Role {
        TypeRole = Qt::UserRole + 1, // MCOperation::Type
        StatusRole,                  // MCOperation::Status
        AddedAtRole,                 // milliseconds since 1970
        SecondLineRole,              // the status cell's second line
        CompletedViewRole,           // the status cell is the finished row's (no progress bar)
        ProgressRole,                // 0..100; negative: the bar is indeterminate
        ProgressVisibleRole,         // the status cell shows a progress bar
        ButtonsVisibleRole,          // the pause and abort buttons are shown
        PauseButtonRole,             // "resume" or "stop"
        WaitingRole                  // waits for another account: only the abort button works
    };

    // objects: the facade observed and asked to pause, resume or cancel; counters (optional) get
    // the counters; clock (optional, else the system's) dates rows and statistics.
    MCTableQueueModel(MOObjectsManager *objects, MCCounters *counters, Clock *clock,
                      QObject *parent = nullptr);
    ~MCTableQueueModel() override;

    static constexpr int DefaultMaximumSettledCount = 1000;
    int maximumSettledCount() const { return m_maximumSettledCount; }
    // At least one; rows past it are dropped at the next turn of the event loop.
    void setMaximumSettledCount(int count);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const MCOperation *operationAt(int row) const;
    int rowOfOperation(const MCOperation *operation) const;
    // The first row, newest first, whose identifier is identifier; null when none.
    const MCOperation *operationItemForIdentifier(qint64 identifier) const;
    qint64 currentDownloadsCount() const { return m_downloads; }
    qint64 currentUploadsCount() const { return m_uploads; }

    // The row buttons: "abort", "stop" (pause) or "resume" on the row; another identifier or
    // a row without a transfer does nothing.
    void buttonAction(int row, const QString &identifier);

    // The facade's notifications; public so that a benchmark can feed the model directly.
    void transferNotification(const MOPostedNotification &notification);
    void objectsAdded(const MOPostedNotification &notification);
    void objectsDeleted(const MOPostedNotification &notification);
    void objectCopied(const MOPostedNotification &notification);

    // The row's image and tooltip of the type column.
    static QIcon imageForType(MCOperation::Type type);
    static QString textForType(MCOperation::Type type);

signals:
    void countersChanged();

private:
    struct Entry;
    void addWaitingTransfers();
    Entry *findTransferRow(MCOperation::Type type, const MOObjectTransfer &transfer,
                           const MOObjectTransferGroup &group) const;
    // Adds the row unless an equal one is there; returns the row kept.
    Entry *registerOperation(std::unique_ptr<MCOperation> operation);
    void memberNotification(const MOPostedNotification &notification,
                            const MOObjectTransfer &transfer, const MOError &error);
    void recount(Entry *entry);
    static bool isSettled(const MCOperation &operation);
    // Drops the oldest settled rows past the maximum, once the work under way is done.
    void scheduleTrim();
    void dropOldestSettled();
    void updateViewForOperation(const Entry *entry);
    QString secondLine(const MCOperation &operation) const;
    QString firstLine(const MCOperation &operation) const;
    QIcon iconFor(const MCOperation &operation) const;
    QString dateText(const QDateTime &date) const;
    QDateTime now() const;

    QPointer<MOObjectsManager> m_objects;
    QPointer<MCCounters> m_counters;
    Clock *m_clock;
    // In order of arrival: an entry's sequence is its row.
    std::vector<std::unique_ptr<Entry>> m_entries;
    QMultiHash<quint64, Entry *> m_byHash;
    QHash<qint64, Entry *> m_byTransfer;
    QHash<qint64, Entry *> m_byGroup;
    qint64 m_downloads = 0;
    qint64 m_uploads = 0;
    mutable QHash<QString, QIcon> m_iconsBySuffix;
    int m_maximumSettledCount = DefaultMaximumSettledCount;
    bool m_trimScheduled = false;
};

#endif // MCTABLEQUEUEMODEL_H
