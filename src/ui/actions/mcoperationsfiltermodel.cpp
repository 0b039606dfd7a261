#include "mcoperationsfiltermodel.h"

#include "mcoperation.h"
#include "mctablequeuemodel.h"

MCOperationsFilterModel::MCOperationsFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(MCTableQueueModel::AddedAtRole);
    setFilterRole(MCTableQueueModel::TypeRole);
    setDynamicSortFilter(true);
    sort(0, Qt::DescendingOrder);
}

void MCOperationsFilterModel::setSegment(int segment)
{
    if (segment < Transfers || segment > AllOperations)
        segment = AllOperations;
    if (segment == m_segment)
        return;
    m_segment = segment;
    invalidateFilter();
}

QString MCOperationsFilterModel::titleForSegment(int segment)
{
    switch (segment) {
    case Transfers:
        return tr("Downloads and Uploads");
    case Downloads:
        return tr("Downloads");
    case Uploads:
        return tr("Uploads");
    default:
        return tr("All operations");
    }
}

bool MCOperationsFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_segment == AllOperations)
        return true;
    const quint64 type = sourceModel()
                             ->index(sourceRow, 0, sourceParent)
                             .data(MCTableQueueModel::TypeRole)
                             .toULongLong();
    switch (m_segment) {
    case Downloads:
        return type == MCOperation::Download;
    case Uploads:
        return type == MCOperation::Upload;
    default:
        return type == MCOperation::Download || type == MCOperation::Upload;
    }
}

bool MCOperationsFilterModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const qint64 leftDate = left.data(MCTableQueueModel::AddedAtRole).toLongLong();
    const qint64 rightDate = right.data(MCTableQueueModel::AddedAtRole).toLongLong();
    // Rows of the same moment in order of arrival, so that the newest comes first.
    return leftDate < rightDate || (leftDate == rightDate && left.row() < right.row());
}
