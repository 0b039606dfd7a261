#include "mcchatfilesfilter.h"

#include "mcchatfilesmodel.h"

#include <QDateTime>

MCChatFilesFilter::MCChatFilesFilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
    sort(MCChatFilesModel::Date, Qt::DescendingOrder);
}

bool MCChatFilesFilter::shows(Kind kind) const
{
    return m_shows[kind];
}

void MCChatFilesFilter::setShows(Kind kind, bool shown)
{
    m_shows[kind] = shown;
    invalidateFilter();
}

bool MCChatFilesFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex row = sourceModel()->index(sourceRow, 0, sourceParent);
    if (row.data(MCChatFilesModel::RevokedRole).toBool() ||
        row.data(MCChatFilesModel::RejectedRole).toBool())
        return false;
    const bool itsMe = row.data(MCChatFilesModel::ItsMeRole).toBool();
    if (!m_shows[Sent] && itsMe)
        return false;
    if (!m_shows[Received] && !itsMe)
        return false;
    return m_shows[Pending] || !row.data(MCChatFilesModel::PendingRole).toBool();
}

bool MCChatFilesFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return left.data(MCChatFilesModel::DateRole).toDateTime() <
           right.data(MCChatFilesModel::DateRole).toDateTime();
}
