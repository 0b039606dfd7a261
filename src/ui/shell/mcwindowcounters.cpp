#include "mcwindowcounters.h"

#include <QtGlobal>

MCWindowCounters::MCWindowCounters(QObject *parent)
    : MCCounters(parent)
{}

void MCWindowCounters::setSelectedCount(qint64 count)
{
    if (count == m_selectedCount)
        return;
    m_selectedCount = count;
    emit selectedCountChanged();
}

void MCWindowCounters::setTotalCount(qint64 count)
{
    if (count == m_totalCount)
        return;
    m_totalCount = count;
    emit totalCountChanged();
}

void MCWindowCounters::setCurrentUploadsCount(qint64 count)
{
    m_currentUploadsCount = qMax<qint64>(0, count);
    emit currentUploadsCountChanged();
}

void MCWindowCounters::setCurrentDownloadsCount(qint64 count)
{
    m_currentDownloadsCount = qMax<qint64>(0, count);
    emit currentDownloadsCountChanged();
}
