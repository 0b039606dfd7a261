#include "mcnotificationsmodel.h"

#include "mcdatetext.h"
#include "mcinbox.h"
#include "mcjoininvitation.h"
#include "mcnotificationtext.h"
#include "mcstring.h"

#include <QFont>

namespace {

const int AvatarSide = 24;

} // namespace

MCNotificationsModel::MCNotificationsModel(MCInbox *inbox, QObject *parent)
    : QAbstractTableModel(parent)
    , m_inbox(inbox)
{
    connect(inbox, &MCInbox::userMessagesChanged, this, &MCNotificationsModel::sync);
    sync();
}

MCNotificationObject *MCNotificationsModel::notification(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).data() : nullptr;
}

int MCNotificationsModel::rowOf(const MCNotificationObject *notification) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row) == notification)
            return row;
    }
    return -1;
}

void MCNotificationsModel::sync()
{
    const QList<MCJoinInvitation *> held = m_inbox->userMessages();
    for (int row = m_rows.size() - 1; row >= 0; --row) {
        auto *notification = qobject_cast<MCJoinInvitation *>(m_rows.at(row).data());
        if (notification && held.contains(notification))
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        if (m_rows.at(row))
            m_rows.at(row)->disconnect(this);
        m_rows.removeAt(row);
        endRemoveRows();
    }
    for (MCJoinInvitation *notification : held) {
        if (rowOf(notification) >= 0)
            continue;
        beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size());
        m_rows.append(notification);
        endInsertRows();
        watch(notification);
    }
}

void MCNotificationsModel::watch(MCNotificationObject *notification)
{
    const auto changed = [this, notification] {
        rowChanged(notification);
    };
    connect(notification, &MCNotificationObject::messageReadChanged, this, changed);
    connect(notification, &MCNotificationObject::avatarChanged, this, changed);
    if (auto *invitation = qobject_cast<MCJoinInvitation *>(notification))
        connect(invitation, &MCJoinInvitation::additionalTextChanged, this, changed);
}

void MCNotificationsModel::rowChanged(MCNotificationObject *notification)
{
    const int row = rowOf(notification);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int MCNotificationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int MCNotificationsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCNotificationsModel::data(const QModelIndex &index, int role) const
{
    const MCNotificationObject *row = notification(index.row());
    if (!row)
        return {};
    switch (role) {
    case SentAtRole:
        return row->sentAt();
    case SortRole:
        return QStringLiteral("%1.%2")
            .arg(qMax<qint64>(0, row->sentAt().toSecsSinceEpoch()), 12, 10, QLatin1Char('0'))
            .arg(index.row(), 9, 10, QLatin1Char('0'));
    case ReadRole:
        return row->messageRead();
    case Qt::FontRole: {
        QFont font;
        font.setBold(!row->messageRead());
        return font;
    }
    case Qt::DisplayRole:
        switch (index.column()) {
        case SenderColumn:
            return MCString::stringForName(row->messageSender());
        case SubjectColumn:
            return MCNotificationText::body(row->messageSubject());
        case DateColumn:
            return MCDateText::text(row->sentAt(), MCDateText::Medium, MCDateText::Short);
        default:
            return {};
        }
    case Qt::ToolTipRole:
        return index.column() == SenderColumn ? MCString::stringForToolTip(row->messageSender())
                                              : QVariant();
    case Qt::DecorationRole:
        if (index.column() == SenderColumn && !row->avatar().isNull())
            return row->avatar().scaled(AvatarSide, AvatarSide, Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation);
        return {};
    default:
        return {};
    }
}

QVariant MCNotificationsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SenderColumn:
        return tr("From");
    case SubjectColumn:
        return tr("Subject");
    case DateColumn:
        return tr("Date");
    default:
        return {};
    }
}
