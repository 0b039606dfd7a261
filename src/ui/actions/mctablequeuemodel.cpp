#include "mctablequeuemodel.h"

#include "clock.h"
#include "mcactionslog.h"
#include "mcfilesizeformatter.h"
#include "mcfunctions.h"
#include "mchub.h"
#include "mcimages.h"
#include "mcstring.h"
#include "mcworkspace.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "motransfergroupnotification.h"
#include "motransfernotification.h"

#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
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

const MCFileSizeFormatter &sizeFormatter()
{
    static const MCFileSizeFormatter formatter = [] {
        MCFileSizeFormatter made;
        made.setUseBaseTenUnits(true);
        made.setMaximumFractionDigits(1);
        return made;
    }();
    return formatter;
}

QString lastComponent(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const int slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 || trimmed.size() == 1 ? trimmed : trimmed.mid(slash + 1);
}

} // namespace

MCTableQueueModel::MCTableQueueModel(MOObjectsManager *objects, MCHub *hub, Clock *clock,
                                     QObject *parent)
    : QAbstractTableModel(parent)
    , m_objects(objects)
    , m_hub(hub)
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
}

MCTableQueueModel::~MCTableQueueModel() = default;

void MCTableQueueModel::setMaximumSettledCount(int count)
{
    m_maximumSettledCount = qMax(1, count);
    scheduleTrim();
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

QVariant MCTableQueueModel::data(const QModelIndex &index, int role) const
{
    const MCOperation *operation = operationAt(index.row());
    if (!operation || index.column() < 0 || index.column() >= ColumnCount)
        return QVariant();
    const bool transferRow = operation->hasTransfer() || operation->hasGroup();
    const MCOperation::Status status = operation->status();
    switch (role) {
    case TypeRole:
        return quint64(operation->type());
    case StatusRole:
        return qint64(status);
    case AddedAtRole:
        return operation->addedAt().toMSecsSinceEpoch();
    case SecondLineRole:
        return secondLine(*operation);
    case CompletedViewRole:
        return !transferRow || operation->isFinished();
    case ProgressVisibleRole:
        return transferRow && status != MCOperation::AbortRequested && !operation->isFinished();
    case ProgressRole:
        return status == MCOperation::Starting || status == MCOperation::Resuming
                   ? -1.0
                   : double(operation->progress());
    case ButtonsVisibleRole:
        return transferRow && status < MCOperation::Canceled;
    case PauseButtonRole:
        return operation->isResumable() ? QStringLiteral("resume") : QStringLiteral("stop");
    default:
        break;
    }
    switch (index.column()) {
    case IconColumn:
        if (role == Qt::DecorationRole)
            return iconFor(*operation);
        break;
    case OperationTypeColumn:
        if (role == Qt::DecorationRole)
            return imageForType(operation->type());
        if (role == Qt::ToolTipRole)
            return textForType(operation->type());
        break;
    case StatusColumn:
        if (role == Qt::DisplayRole)
            return firstLine(*operation);
        if (role == Qt::ToolTipRole && operation->hasTransfer())
            return MCString::stringForToolTip(operation->destinationPath());
        break;
    default:
        break;
    }
    return QVariant();
}

QString MCTableQueueModel::firstLine(const MCOperation &operation) const
{
    if (operation.hasGroup())
        return MCString::stringForName(operation.transferGroup().humanReadableIdentifier());
    if (operation.type() == MCOperation::Copied)
        return MCString::stringForName(lastComponent(operation.destinationPath()));
    return MCString::stringForName(lastComponent(operation.sourcePath()));
}

QString MCTableQueueModel::dateText(const QDateTime &date) const
{
    return QLocale().toString(date.toLocalTime(), QLocale::ShortFormat);
}

QString MCTableQueueModel::secondLine(const MCOperation &operation) const
{
    switch (operation.type()) {
    case MCOperation::FolderCreated:
        return tr("Created path: '%1' - %2")
            .arg(MCString::stringByIsolatingName(operation.sourcePath()),
                 dateText(operation.addedAt()));
    case MCOperation::Deleted:
        return tr("Deleted path: '%1' - %2")
            .arg(MCString::stringByIsolatingName(operation.sourcePath()),
                 dateText(operation.addedAt()));
    case MCOperation::Copied:
        return tr("Copied from %1").arg(MCString::stringByIsolatingName(operation.sourcePath()));
    case MCOperation::Download:
    case MCOperation::Upload:
        break;
    default:
        return QString();
    }
    const QDateTime date =
        operation.additionalDate().isValid() ? operation.additionalDate() : now();
    switch (operation.status()) {
    case MCOperation::Starting:
        return tr("Starting...");
    case MCOperation::Resuming:
        return tr("Resuming...");
    case MCOperation::Pausing:
        return tr("Pauseing transfer...");
    case MCOperation::Running:
        return tr("%1 left - %2 out of %3 (%4/sec)")
            .arg(MCFunctions::formatSecondAsTimeLeft(operation.timeLeft()),
                 sizeFormatter().stringFromNumber(double(operation.transferred())),
                 sizeFormatter().stringFromNumber(double(operation.totalBytes())),
                 sizeFormatter().stringFromNumber(double(operation.transferRate())));
    case MCOperation::AbortRequested:
        return QString();
    case MCOperation::Paused:
        return tr("Paused %1").arg(dateText(date));
    case MCOperation::Canceled:
        return tr("Canceled %1").arg(dateText(date));
    case MCOperation::Failed:
        // The reason, when the failure gives one.
        return operation.error().description().isEmpty()
                   ? tr("An error occurred %1").arg(dateText(date))
                   : tr("An error occurred %1: %2")
                         .arg(dateText(date), operation.error().description());
    case MCOperation::Completed:
        return tr("Completed %1").arg(dateText(date));
    }
    return QString();
}

QIcon MCTableQueueModel::iconFor(const MCOperation &operation) const
{
    if (operation.isDir() || operation.hasGroup())
        return QIcon::fromTheme(QStringLiteral("folder"), QIcon(MCImages::named("folder.png")));
    const QString suffix =
        QFileInfo(operation.hasTransfer() ? operation.transferState().transferRequest().sourcePath()
                                          : operation.sourcePath())
            .suffix()
            .toLower();
    auto cached = m_iconsBySuffix.constFind(suffix);
    if (cached != m_iconsBySuffix.constEnd())
        return *cached;
    static const QMimeDatabase database;
    const QIcon icon =
        suffix.isEmpty()
            ? MCWorkspace::genericDocumentIcon()
            : MCWorkspace::fileIconForMIMEType(
                  database
                      .mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension)
                      .name());
    m_iconsBySuffix.insert(suffix, icon);
    return icon;
}

QIcon MCTableQueueModel::imageForType(MCOperation::Type type)
{
    switch (type) {
    case MCOperation::Rename:
        return QIcon::fromTheme(QStringLiteral("edit-rename"));
    case MCOperation::Download:
        return QIcon(MCImages::named(QStringLiteral("badge_download_icon.png")));
    case MCOperation::Upload:
        return QIcon(MCImages::named(QStringLiteral("badge_upload_icon.png")));
    case MCOperation::FolderCreated:
        return QIcon::fromTheme(QStringLiteral("folder-new"),
                                QIcon(MCImages::named(QStringLiteral("folder.png"))));
    case MCOperation::Deleted:
        return QIcon::fromTheme(QStringLiteral("user-trash"));
    case MCOperation::Copied:
        return QIcon::fromTheme(QStringLiteral("edit-copy"));
    case MCOperation::Move:
        return QIcon::fromTheme(QStringLiteral("go-jump"));
    }
    return QIcon();
}

QString MCTableQueueModel::textForType(MCOperation::Type type)
{
    switch (type) {
    case MCOperation::Rename:
        return tr("Rename operation");
    case MCOperation::Download:
        return tr("Download operation");
    case MCOperation::Upload:
        return tr("Upload operation");
    case MCOperation::FolderCreated:
        return tr("Folder creation");
    case MCOperation::Deleted:
        return tr("Delete operation");
    case MCOperation::Copied:
        return tr("Copy operation");
    case MCOperation::Move:
        return tr("Move operation");
    }
    return QString();
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
    const bool counts = !row.isFinished();
    if (counts == entry->counted)
        return;
    entry->counted = counts;
    if (!counts)
        scheduleTrim();
    qint64 &counter = row.type() == MCOperation::Upload ? m_uploads : m_downloads;
    counter = qMax<qint64>(0, counter + (counts ? 1 : -1));
    if (m_hub) {
        if (row.type() == MCOperation::Upload)
            m_hub->setCurrentUploadsCount(m_uploads);
        else
            m_hub->setCurrentDownloadsCount(m_downloads);
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
        // until the engine answers it.
        if (row.status() != MCOperation::AbortRequested && row.status() != MCOperation::Pausing) {
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
