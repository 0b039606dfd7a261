#include "mcerrorsmodel.h"

#include "clock.h"
#include "mcstring.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"

#include <QLocale>

MCErrorsModel::MCErrorsModel(MONotificationCenter *center, Clock *clock, QObject *parent)
    : QAbstractTableModel(parent)
    , m_clock(clock)
{
    if (center)
        center->addObserver(this, &MCErrorsModel::addError, MONotification);
}

int MCErrorsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_errors.size());
}

int MCErrorsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCErrorsModel::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.row() >= int(m_errors.size()))
        return QVariant();
    const Entry &entry = m_errors[size_t(index.row())];
    switch (role) {
    case TypeRole:
        return entry.type;
    case DateRole:
        return entry.date;
    case Qt::ToolTipRole:
        return index.column() == ErrorColumn ? QVariant(MCString::stringForToolTip(entry.text))
                                             : QVariant();
    case Qt::DisplayRole:
        break;
    default:
        return QVariant();
    }
    switch (index.column()) {
    case DateColumn:
        return QLocale().toString(entry.date.toLocalTime(), QLocale::ShortFormat);
    case TypeColumn:
        return typeName(entry.type);
    case ErrorColumn:
        // Core messages carry names: shown as text that keeps its order.
        return MCString::stringForName(entry.text);
    default:
        return QVariant();
    }
}

QVariant MCErrorsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case DateColumn:
        return tr("Date");
    case TypeColumn:
        return tr("Type");
    case ErrorColumn:
        return tr("Error");
    default:
        return QVariant();
    }
}

void MCErrorsModel::setMaximumCount(int count)
{
    m_maximumCount = qMax(1, count);
    trim();
}

void MCErrorsModel::trim()
{
    const int excess = int(m_errors.size()) - m_maximumCount;
    if (excess <= 0)
        return;
    beginRemoveRows(QModelIndex(), 0, excess - 1);
    m_errors.erase(m_errors.begin(), m_errors.begin() + excess);
    endRemoveRows();
}

void MCErrorsModel::addError(const MOPostedNotification &notification)
{
    const MOCoreNotification message(notification);
    QString text = message.message();
    if (message.action() != 0 && !message.details().isEmpty())
        text = tr("%1 (the service said: %2)").arg(text, message.details());
    if (message.action() != 0)
        text = tr("%1: %2").arg(actionName(message.action()), text);
    if (const auto object = message.storageObject())
        text = tr("%1 - %2").arg(object->fullPath(), text);
    const int row = int(m_errors.size());
    beginInsertRows(QModelIndex(), row, row);
    m_errors.push_back(
        Entry{m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc(), message.type(), text});
    endInsertRows();
    trim();
}

QString MCErrorsModel::typeName(quint64 type)
{
    switch (type) {
    case MOCoreNotification::Info:
        return tr("Information");
    case MOCoreNotification::Warning:
        return tr("Warning");
    case MOCoreNotification::Error:
        return tr("Error");
    default:
        return tr("Invalid");
    }
}

QString MCErrorsModel::actionName(qint64 action)
{
    switch (action) {
    case 0:
        return QStringLiteral("NoAction");
    case 1:
        return QStringLiteral("ListAction");
    case 2:
        return QStringLiteral("InfoAction");
    case 3:
        return QStringLiteral("DeleteAction");
    case 4:
        return QStringLiteral("CreateDirectoryAction");
    case 5:
        return QStringLiteral("RenameAction");
    case 6:
        return QStringLiteral("CopyAction");
    case 7:
        return QStringLiteral("ShareLinkAction");
    case 11:
        return QStringLiteral("ThumbnailAction");
    case 12:
        return QStringLiteral("UploadAction");
    case 13:
        return QStringLiteral("DownloadAction");
    case 14:
        return QStringLiteral("SyncAction");
    case 15:
        return QStringLiteral("CacheAction");
    default:
        return QString::number(action);
    }
}
