#include "mcerrorsfiltermodel.h"

#include "mcerrorsmodel.h"
#include "mocorenotification.h"

MCErrorsFilterModel::MCErrorsFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
}

void MCErrorsFilterModel::setSegment(int segment)
{
    if (segment < Errors || segment > All)
        segment = All;
    if (segment == m_segment)
        return;
    m_segment = segment;
    invalidateFilter();
}

bool MCErrorsFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_segment == All)
        return true;
    const quint64 type = sourceModel()
                             ->index(sourceRow, 0, sourceParent)
                             .data(MCErrorsModel::TypeRole)
                             .toULongLong();
    switch (m_segment) {
    case Errors:
        return type == MOCoreNotification::Error;
    case Warnings:
        return type == MOCoreNotification::Warning;
    default:
        return type == MOCoreNotification::Info;
    }
}
