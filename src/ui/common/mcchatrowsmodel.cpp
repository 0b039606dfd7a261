#include "mcchatrowsmodel.h"

#include "mcchatcollaborationentry.h"
#include "mcchatmessageentry.h"
#include "mcdatetext.h"

#include <QSet>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// The order the service stored a message in. Every other row (a file offered, a message not
// stored yet) comes after the stored messages of its second: the service dates both to the
// second, and a file offered right after a burst of messages must not be drawn above them.
qint64 storedOrder(const MCChatEntry *entry)
{
    if (entry->kind() != MCChatEntry::MessageRow)
        return std::numeric_limits<qint64>::max();
    const qint64 id = static_cast<const MCChatMessageEntry *>(entry)->message().messageId();
    return id != 0 ? id : std::numeric_limits<qint64>::max();
}

// Date rows open their day: at an equal time they come before anything else. Messages sent
// at one time keep the order they were stored in, whichever page brought them; rows of the
// same second without such an order keep the order they came in.
bool before(const MCChatEntry *a, const MCChatEntry *b)
{
    if (a->sentAt() != b->sentAt())
        return a->sentAt() < b->sentAt();
    if (a->isDateRow() != b->isDateRow())
        return a->isDateRow();
    return storedOrder(a) < storedOrder(b);
}

} // namespace

MCChatRowsModel::MCChatRowsModel(QObject *parent)
    : QAbstractListModel(parent)
{}

int MCChatRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

MCChatEntryPtr MCChatRowsModel::entry(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : MCChatEntryPtr();
}

int MCChatRowsModel::rowOf(const MCChatEntry *entry) const
{
    // Rows are sorted: search near the entry's time first.
    const auto from = std::lower_bound(
        m_rows.cbegin(), m_rows.cend(), entry->sentAt(),
        [](const MCChatEntryPtr &row, const QDateTime &date) { return row->sentAt() < date; });
    for (auto it = from; it != m_rows.cend() && (*it)->sentAt() == entry->sentAt(); ++it) {
        if (it->data() == entry)
            return int(it - m_rows.cbegin());
    }
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).data() == entry)
            return i;
    }
    return -1;
}

void MCChatRowsModel::addEntries(const QList<MCChatEntryPtr> &entries)
{
    // Rows that land next to each other are inserted together: a page of older messages is
    // one insertion, which the view can keep its place across.
    const auto earlier = [](const MCChatEntryPtr &a, const MCChatEntryPtr &b) {
        return before(a.data(), b.data());
    };
    QList<MCChatEntryPtr> added = entries;
    std::stable_sort(added.begin(), added.end(), earlier);
    QList<MCChatEntryPtr> merged;
    merged.reserve(m_rows.size() + added.size());
    std::merge(m_rows.cbegin(), m_rows.cend(), added.cbegin(), added.cend(),
               std::back_inserter(merged), earlier);
    const QSet<const MCChatEntry *> fresh = [&added] {
        QSet<const MCChatEntry *> set;
        for (const MCChatEntryPtr &entry : added)
            set.insert(entry.data());
        return set;
    }();
    for (int first = 0; first < merged.size(); ++first) {
        if (!fresh.contains(merged.at(first).data()))
            continue;
        int last = first;
        while (last + 1 < merged.size() && fresh.contains(merged.at(last + 1).data()))
            ++last;
        beginInsertRows({}, first, last);
        for (int row = first; row <= last; ++row)
            m_rows.insert(row, merged.at(row));
        endInsertRows();
        first = last;
    }
    for (const MCChatEntryPtr &entry : qAsConst(added)) {
        connect(entry.data(), &MCChatEntry::accessoryStringChanged, this,
                [this, raw = entry.data()] { rowChanged(raw); });
        if (auto *file = qobject_cast<MCChatCollaborationEntry *>(entry.data()))
            connect(file, &MCChatCollaborationEntry::stateChanged, this,
                    [this, file] { rowChanged(file); });
    }
}

void MCChatRowsModel::removeEntry(const MCChatEntryPtr &entry)
{
    const int row = rowOf(entry.data());
    if (row < 0)
        return;
    disconnect(entry.data(), nullptr, this, nullptr);
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void MCChatRowsModel::rowChanged(const MCChatEntry *entry)
{
    const int row = rowOf(entry);
    if (row >= 0)
        emit dataChanged(index(row), index(row));
}

QVariant MCChatRowsModel::data(const QModelIndex &index, int role) const
{
    const MCChatEntry *row = entry(index.row()).data();
    if (!row || index.column() != 0)
        return {};
    const auto *message = qobject_cast<const MCChatMessageEntry *>(row);
    const auto *file = qobject_cast<const MCChatCollaborationEntry *>(row);
    switch (role) {
    case Qt::DisplayRole:
        if (message)
            return message->textMessage();
        if (file)
            return file->storageObjectLabel();
        if (row->isDateRow())
            return MCDateText::text(row->sentAt(), MCDateText::Long, MCDateText::None);
        return QString();
    case KindRole:
        return int(row->kind());
    case SentAtRole:
        return row->sentAt();
    case AccessoryRole:
        return row->accessoryString();
    case ItsMeRole:
        return row->itsMe();
    case RowHeightRole:
        return row->rowHeight();
    case NewEntryRole:
        return message ? message->isNewEntry() : false;
    case SenderRole:
        if (message)
            return message->message().sender().email();
        if (file)
            return file->collaboration().sender().email();
        return QString();
    case StatusRole:
        return file ? file->responseStatus() : QVariant();
    case SendingTextRole:
        return file ? file->sendingText() : QVariant();
    default:
        return {};
    }
}
