#include "mcchatentry.h"

#include "mcdatetext.h"

MCChatEntry::MCChatEntry(QObject *parent)
    : QObject(parent)
{}

QString MCChatEntry::convertStringFromDate(const QDateTime &date)
{
    return MCDateText::text(date, MCDateText::None, MCDateText::Short);
}

MCChatDateEntry::MCChatDateEntry(const QDateTime &date)
    : m_date(date)
{
    m_isDateRow = true;
    m_isFixedHeight = true;
    m_rowHeight = 30;
}

QSharedPointer<MCChatDateEntry> MCChatDateEntry::emptyRow()
{
    QSharedPointer<MCChatDateEntry> row(new MCChatDateEntry);
    row->m_isEmptyRow = true;
    row->m_date = distantFuture();
    row->m_isFixedHeight = true;
    row->m_rowHeight = 45;
    return row;
}

QDateTime MCChatDateEntry::distantFuture()
{
    return QDateTime(QDate(4001, 1, 1), QTime(0, 0), Qt::UTC);
}

QDateTime MCChatDateEntry::distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}
