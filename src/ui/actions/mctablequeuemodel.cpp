#include "mctablequeuemodel.h"

#include "clock.h"
#include "mcactionslog.h"
#include "mccounters.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "motransfergroupnotification.h"
#include "motransfernotification.h"

#include <QSet>

struct MCTableQueueModel::Entry
{
    explicit Entry(std::unique_ptr<MCOperation> operation, int sequence)
        : operation(std::move(operation))
        , sequence(sequence)
    {}
    std::unique_ptr<MCOperation> operation;
    int sequence;         // place in order of arrival
    bool counted = false; // included in a running counter
    MOError memberError;  // the first failure of a folder transfer's member
    bool memberCancelled = false;
};

namespace {

const QStringList &transferNotificationNames()
{
    static const QStringList names = {
        MOObjectTransferWillStartNotification,        MOObjectTransferDidStartNotification,
        MOObjectTransferDidProgressNotification,      MOObjectTransferDidCancelNotification,
        MOObjectTransferDidFinishNotification,        MOObjectTransferDidAbortNotification,
        MOObjectTransferDidPauseNotification,         MOObjectTransferDidResumeNotification,
        MOObjectTransferGroupWillStartNotification,   MOObjectTransferGroupDidStartNotification,
        MOObjectTransferGroupDidProgressNotification, MOObjectTransferGroupDidPauseNotification,
        MOObjectTransferGroupDidFinishNotification};
    return names;
}

const QVector<int> &statusRoles()
{
    static const QVector<int> roles = {Qt::DisplayRole,
                                       Qt::ToolTipRole,
                                       MCTableQueueModel::StatusRole,
                                       MCTableQueueModel::SecondLineRole,
                                       MCTableQueueModel::CompletedViewRole,
                                       MCTableQueueModel::ProgressRole,
                                       MCTableQueueModel::ProgressVisibleRole,
                                       MCTableQueueModel::ButtonsVisibleRole,
                                       MCTableQueueModel::PauseButtonRole};
    return roles;
}

} // namespace

MCTableQueueModel::MCTableQueueModel(MOObjectsManager *objects, MCCounters *counters, Clock *clock,
                                     QObject *parent)
    : QAbstractTableModel(parent)
    , m_objects(objects)
    , m_counters(counters)
    , m_clock(clock)
{
    if (!objects)
        return;
    MONotificationCenter *center = objects->notificationCenter();
    for (const QString &name : transferNotificationNames())
        center->addObserver(this, &MCTableQueueModel::transferNotification, name);
    center->addObserver(this, &MCTableQueueModel::objectsDeleted,
                        MOObjectsDeletedUpdateNotification);
    center->addObserver(this, &MCTableQueueModel::objectCopied, MOObjectCopiedUpdateNotification);
    center->addObserver(this, &MCTableQueueModel::objectsAdded, MOObjectsAddedUpdateNotification);
    addWaitingTransfers();
}

MCTableQueueModel::~MCTableQueueModel() = default;

void MCTableQueueModel::setMaximumSettledCount(int count)
{
    m_maximumSettledCount = qMax(1, count);
    scheduleTrim();
}

void MCTableQueueModel::addWaitingTransfers()
{
    for (const MOObjectTransfer &transfer : m_objects->waitingTransfers()) {
        const MCOperation::Type type =
            transfer.transferRequest().direction() != MOObjectTransferRequest::Upload
                ? MCOperation::Download
                : MCOperation::Upload;
        // A folder's members wait together: one row, as when it runs.
        const std::optional<MOObjectTransferGroup> group = transfer.group();
        if (group && m_byGroup.contains(group->identifier()))
            continue;
        auto operation = group ? std::make_unique<MCOperation>(type, *group)
                               : std::make_unique<MCOperation>(type, transfer);
        operation->setWaitingReason(
            transfer.hasRecordedOwner()
                ? tr("Waiting: queued while another account was signed in")
                : tr("Waiting: queued by an earlier version, which did not record the account"));
        registerOperation(std::move(operation));
    }
}

bool MCTableQueueModel::isSettled(const MCOperation &operation)
{
    return operation.isFinished() || (!operation.hasTransfer() && !operation.hasGroup());
}

void MCTableQueueModel::scheduleTrim()
{
    // Later, not now: the caller may still hold the entry that settled.
    if (m_trimScheduled)
        return;
    m_trimScheduled = true;
    QMetaObject::invokeMethod(this, &MCTableQueueModel::dropOldestSettled, Qt::QueuedConnection);
}

void MCTableQueueModel::dropOldestSettled()
{
    m_trimScheduled = false;
    int excess = -m_maximumSettledCount;
    for (const auto &entry : m_entries)
        excess += isSettled(*entry->operation) ? 1 : 0;
    if (excess <= 0)
        return;
    QSet<const Entry *> dropped;
    for (const auto &entry : m_entries) {
        if (dropped.size() == excess)
            break;
        if (isSettled(*entry->operation))
            dropped.insert(entry.get());
    }
    const auto forget = [&dropped](auto &hash) {
        for (auto it = hash.begin(); it != hash.end();)
            it = dropped.contains(it.value()) ? hash.erase(it) : std::next(it);
    };
    forget(m_byHash);
    forget(m_byTransfer);
    forget(m_byGroup);
    // In runs from the last row up, each entry's sequence kept equal to its row.
    int last = int(m_entries.size()) - 1;
    while (last >= 0) {
        if (!dropped.contains(m_entries[size_t(last)].get())) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && dropped.contains(m_entries[size_t(first - 1)].get()))
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        m_entries.erase(m_entries.begin() + first, m_entries.begin() + last + 1);
        for (size_t row = size_t(first); row < m_entries.size(); ++row)
            m_entries[row]->sequence = int(row);
        endRemoveRows();
        last = first - 1;
    }
}

int MCTableQueueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int MCTableQueueModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const MCOperation *MCTableQueueModel::operationAt(int row) const
{
    if (row < 0 || row >= int(m_entries.size()))
        return nullptr;
    return m_entries[size_t(row)]->operation.get();
}

int MCTableQueueModel::rowOfOperation(const MCOperation *operation) const
{
    for (const auto &entry : m_entries) {
        if (entry->operation.get() == operation)
            return entry->sequence;
    }
    return -1;
}

const MCOperation *MCTableQueueModel::operationItemForIdentifier(qint64 identifier) const
{
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if ((*it)->operation->identifier() == identifier)
            return (*it)->operation.get();
    }
    return nullptr;
}

QDateTime MCTableQueueModel::now() const
{
    return m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc();
}

MCTableQueueModel::Entry *
MCTableQueueModel::findTransferRow(MCOperation::Type type, const MOObjectTransfer &transfer,
                                   const MOObjectTransferGroup &group) const
{
    // By the queue's identifier first: a download whose destination was renamed to a free
    // name keeps its row.
    if (group.isValid() && group.identifier() != 0)
        return m_byGroup.value(group.identifier());
    if (!group.isValid() && transfer.identifier() != 0)
        return m_byTransfer.value(transfer.identifier());
    const MOObjectTransferRequest request =
        group.isValid() ? group.transferRequest() : transfer.transferRequest();
    const QString source = request.sourcePath();
    const QString destination = request.destinationPath();
    const QDateTime date = group.isValid() ? group.createdAt() : transfer.createdAt();
    const quint64 key = MCOperation::operationHashCombine(
        type, group.isValid() ? nullptr : &transfer, group.isValid() ? &group : nullptr, &source,
        &destination, &date);
    for (auto it = m_byHash.constFind(key); it != m_byHash.constEnd() && it.key() == key; ++it) {
        const MCOperation &row = *(*it)->operation;
        if (row.type() == type &&
            (group.isValid() ? row.transferGroup() == group : row.transferState() == transfer))
            return *it;
    }
    return nullptr;
}

MCTableQueueModel::Entry *
MCTableQueueModel::registerOperation(std::unique_ptr<MCOperation> operation)
{
    const quint64 key = operation->hash();
    for (auto it = m_byHash.constFind(key); it != m_byHash.constEnd() && it.key() == key; ++it) {
        if (*(*it)->operation == *operation)
            return *it;
    }
    // Appended: the filter model shows the newest first, and rows before stay where they are.
    beginInsertRows(QModelIndex(), int(m_entries.size()), int(m_entries.size()));
    m_entries.push_back(std::make_unique<Entry>(std::move(operation), int(m_entries.size())));
    Entry *entry = m_entries.back().get();
    m_byHash.insert(key, entry);
    const MCOperation &row = *entry->operation;
    if (row.hasTransfer() && row.transferState().identifier() != 0)
        m_byTransfer.insert(row.transferState().identifier(), entry);
    if (row.hasGroup() && row.transferGroup().identifier() != 0)
        m_byGroup.insert(row.transferGroup().identifier(), entry);
    endInsertRows();
    recount(entry);
    scheduleTrim();
    return entry;
}

void MCTableQueueModel::recount(Entry *entry)
{
    const MCOperation &row = *entry->operation;
    if (row.type() != MCOperation::Download && row.type() != MCOperation::Upload)
        return;
    // One that waits for another account runs no more than a finished one.
    const bool counts = !row.isFinished() && !row.isWaiting();
    if (counts == entry->counted)
        return;
    entry->counted = counts;
    if (!counts)
        scheduleTrim();
    qint64 &counter = row.type() == MCOperation::Upload ? m_uploads : m_downloads;
    counter = qMax<qint64>(0, counter + (counts ? 1 : -1));
    if (m_counters) {
        if (row.type() == MCOperation::Upload)
            m_counters->setCurrentUploadsCount(m_uploads);
        else
            m_counters->setCurrentDownloadsCount(m_downloads);
    }
    emit countersChanged();
}

void MCTableQueueModel::updateViewForOperation(const Entry *entry)
{
    const int row = entry->sequence;
    // Cell by cell: a view repaints one changed cell where it is, but a whole viewport for a
    // changed range. The type column never changes.
    for (int column : {InteractionColumn, StatusColumn}) {
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, statusRoles());
    }
}

void MCTableQueueModel::memberNotification(const MOPostedNotification &notification,
                                           const MOObjectTransfer &transfer, const MOError &error)
{
    // A member's own notifications make no row; a failure or a cancellation is kept for its
    // group's row, which would otherwise read "Completed" once the group ends.
    const bool failed =
        notification.name == MOObjectTransferDidAbortNotification && !error.isNull();
    const bool cancelled = !failed && (notification.name == MOObjectTransferDidCancelNotification ||
                                       notification.name == MOObjectTransferDidAbortNotification);
    if (!failed && !cancelled)
        return;
    const std::optional<MOObjectTransferGroup> group = transfer.group();
    Entry *entry = group ? m_byGroup.value(group->identifier()) : nullptr;
    if (!entry)
        return;
    if (failed && entry->memberError.isNull())
        entry->memberError = error;
    entry->memberCancelled |= cancelled;
}

void MCTableQueueModel::transferNotification(const MOPostedNotification &notification)
{
    const QString &name = notification.name;
    const bool groupNotification = name.startsWith(QLatin1String("MOObjectTransferGroup"));
    MOObjectTransfer transfer;
    MOObjectTransferGroup group;
    MOError error;
    if (groupNotification) {
        group = MOTransferGroupNotification(notification).group();
    } else {
        const MOTransferNotification reader(notification);
        transfer = reader.transfer();
        error = reader.error();
    }
    if (!transfer.isValid() && !group.isValid()) {
        qCWarning(lcActions) << "[WARNING]: a transfer notification without its transfer:" << name;
        return;
    }
    if (transfer.isValid() && transfer.group().has_value()) {
        memberNotification(notification, transfer, error);
        return;
    }

    const MOObjectTransferRequest request =
        group.isValid() ? group.transferRequest() : transfer.transferRequest();
    const MCOperation::Type type = request.direction() != MOObjectTransferRequest::Upload
                                       ? MCOperation::Download
                                       : MCOperation::Upload;
    Entry *entry = findTransferRow(type, transfer, group);
    if (!entry) {
        entry = registerOperation(group.isValid() ? std::make_unique<MCOperation>(type, group)
                                                  : std::make_unique<MCOperation>(type, transfer));
    }
    MCOperation &row = *entry->operation;

    if (name == MOObjectTransferDidPauseNotification ||
        name == MOObjectTransferGroupDidPauseNotification) {
        row.setStatus(MCOperation::Paused);
        row.setResumable(true);
        if (!groupNotification)
            row.setTransferState(transfer);
        row.setAdditionalDate(now());
    } else if (name == MOObjectTransferWillStartNotification &&
               row.status() == MCOperation::Running) {
        // Back in the queue (the service could not be reached): it waits, as a queued row does.
        row.setStatus(MCOperation::Starting);
    } else if (name == MOObjectTransferDidStartNotification) {
        row.setResumable(false);
        row.setStatus(MCOperation::Running);
    } else if (name == MOObjectTransferDidResumeNotification) {
        row.setStatus(MCOperation::Resuming);
        row.setResumable(false);
        row.setTransferState(transfer);
    } else if (name == MOObjectTransferDidProgressNotification ||
               name == MOObjectTransferGroupDidProgressNotification) {
        // A report that crossed the user's pause or abort does not undo what the row shows
        // until the engine answers it, nor one sent before a pause the engine made: a paused
        // row runs again only when the engine says it resumed or started.
        if (row.status() != MCOperation::AbortRequested && row.status() != MCOperation::Pausing &&
            row.status() != MCOperation::Paused) {
            row.setStatus(MCOperation::Running);
            row.setResumable(false);
        }
        if (groupNotification)
            row.updateStats(quint64(qMax<qint64>(0, group.overallTransferredBytes())),
                            quint64(qMax<qint64>(0, group.totalBytes())), now());
        else
            // An upload counts its chunk in flight only in transferredBytes, a resumed download
            // what it already had only in totalTransferredBytes: the larger is the bytes done.
            row.updateStats(quint64(qMax<qint64>(0, qMax(transfer.transferredBytes(),
                                                         transfer.totalTransferredBytes()))),
                            quint64(qMax<qint64>(0, transfer.totalBytes())), now());
    } else if (name == MOObjectTransferDidFinishNotification) {
        row.setStatus(MCOperation::Completed);
        row.setProgress(100);
        row.setResumable(false);
        row.setAdditionalDate(now());
    } else if (name == MOObjectTransferGroupDidFinishNotification) {
        // Cancelling a folder transfer ends it as finished: the abort the user asked for and
        // a member's failure are what the row reports, not a completion.
        if (row.status() == MCOperation::AbortRequested || entry->memberCancelled) {
            row.setStatus(MCOperation::Canceled);
            row.setProgress(0);
        } else if (!entry->memberError.isNull()) {
            row.setError(entry->memberError);
            row.setStatus(MCOperation::Failed);
        } else {
            row.setStatus(MCOperation::Completed);
            row.setProgress(100);
        }
        row.setResumable(false);
        row.setAdditionalDate(now());
    } else if (name == MOObjectTransferDidAbortNotification ||
               name == MOObjectTransferDidCancelNotification) {
        if (!error.isNull()) {
            row.setError(error);
            row.setStatus(MCOperation::Failed);
        } else {
            row.setStatus(MCOperation::Canceled);
        }
        row.setProgress(0);
        row.setResumable(false);
        row.setAdditionalDate(now());
    }
    recount(entry);
    updateViewForOperation(entry);
}

void MCTableQueueModel::objectsAdded(const MOPostedNotification &notification)
{
    for (const MOStorageObject &object : MOObjectsNotification(notification).objects()) {
        if (object.type() == MOStorageObject::Directory)
            registerOperation(std::make_unique<MCOperation>(
                MCOperation::FolderCreated, object.fullPath(), QString(), true, now()));
    }
}

void MCTableQueueModel::objectsDeleted(const MOPostedNotification &notification)
{
    for (const MOStorageObject &object : MOObjectsNotification(notification).objects())
        registerOperation(
            std::make_unique<MCOperation>(MCOperation::Deleted, object.fullPath(), QString(),
                                          object.type() == MOStorageObject::Directory, now()));
}

void MCTableQueueModel::objectCopied(const MOPostedNotification &notification)
{
    const MOObjectsNotification reader(notification);
    const MOStorageObject copy = reader.object();
    registerOperation(std::make_unique<MCOperation>(
        MCOperation::Copied, reader.originalObject().fullPath(), copy.fullPath(),
        copy.type() == MOStorageObject::Directory, now()));
}

void MCTableQueueModel::buttonAction(int row, const QString &identifier)
{
    const MCOperation *found = operationAt(row);
    if (!found || (!found->hasTransfer() && !found->hasGroup()))
        return;
    Entry *entry = m_entries[size_t(row)].get();
    MCOperation &operation = *entry->operation;
    const bool isGroup = operation.hasGroup();
    if (operation.isWaiting() && identifier != QLatin1String("abort"))
        return;
    if (identifier == QLatin1String("abort")) {
        operation.setStatus(MCOperation::AbortRequested);
        updateViewForOperation(entry);
        if (!m_objects)
            return;
        if (isGroup)
            m_objects->cancelTransferGroup(operation.transferGroup());
        else
            m_objects->cancelTransfer(operation.transferState());
    } else if (identifier == QLatin1String("stop")) {
        operation.setStatus(MCOperation::Pausing);
        updateViewForOperation(entry);
        if (!m_objects)
            return;
        if (isGroup)
            m_objects->pauseTransferGroup(operation.transferGroup());
        else
            m_objects->pauseTransfer(operation.transferState());
    } else if (identifier == QLatin1String("resume")) {
        operation.setStatus(MCOperation::Resuming);
        updateViewForOperation(entry);
        if (!m_objects)
            return;
        if (isGroup)
            m_objects->resumeTransferGroup(operation.transferGroup());
        else
            m_objects->resumeTransfer(operation.transferState());
    }
}
