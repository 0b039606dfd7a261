// What a row of the transfers page shows: its texts, dates, sizes and icons by role.
#include "mctablequeuemodel.h"

#include "mcfilesizeformatter.h"
#include "mcfunctions.h"
#include "mcimages.h"
#include "mcstring.h"
#include "mcworkspace.h"

#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

#include <algorithm>

namespace {

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

// The size of the whole transfer: what the progress reports say, and before the first report
// (a download waiting for its first byte) the size the object is known to have.
quint64 knownTotalBytes(const MCOperation &operation)
{
    if (operation.totalBytes() > 0)
        return operation.totalBytes();
    if (operation.hasGroup())
        return quint64(qMax<qint64>(0, operation.transferGroup().totalBytes()));
    const MOObjectTransfer transfer = operation.transferState();
    const qint64 known = std::max({transfer.totalBytes(), transfer.storageObject().size(),
                                   transfer.transferRequest().storageObject().size()});
    return quint64(qMax<qint64>(0, known));
}

} // namespace

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
        return transferRow && status != MCOperation::AbortRequested && !operation->isFinished() &&
               !operation->isWaiting();
    case ProgressRole:
        return status == MCOperation::Starting || status == MCOperation::Resuming
                   ? -1.0
                   : double(operation->progress());
    case ButtonsVisibleRole:
        return transferRow && status < MCOperation::Canceled;
    case PauseButtonRole:
        return operation->isResumable() ? QStringLiteral("resume") : QStringLiteral("stop");
    case WaitingRole:
        return operation->isWaiting();
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
    // A folder's transfer is titled with the folder's name, as a file's with the file's.
    if (operation.hasGroup())
        return MCString::stringForName(
            lastComponent(operation.transferGroup().humanReadableIdentifier()));
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
    if (operation.isWaiting() && !operation.isFinished() &&
        operation.status() != MCOperation::AbortRequested)
        return operation.waitingReason();
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
                 sizeFormatter().stringFromNumber(double(knownTotalBytes(operation))),
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
