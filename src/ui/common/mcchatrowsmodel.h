#ifndef MCCHATROWSMODEL_H
#define MCCHATROWSMODEL_H

#include "mcchatentry.h"

#include <QAbstractListModel>

class MCChatSupport;

// The rows of one chat sorted by time: a day separator before the messages of its day, rows
// of equal time in the order they came, the blank spacer last. Display is the row's text (the
// message, the file's name, the day), the roles below its other values.
class MCChatRowsModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        KindRole = Qt::UserRole, // MCChatEntry::Kind
        SentAtRole,
        AccessoryRole, // the time, "Pending", a file's state
        ItsMeRole,
        RowHeightRole,
        NewEntryRole, // first message of a run by one sender
        SenderRole,   // the sender's e-mail
        StatusRole,   // a file row's responseStatus
        SendingTextRole
    };

    explicit MCChatRowsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    MCChatEntryPtr entry(int row) const;
    int rowOf(const MCChatEntry *entry) const;
    QList<MCChatEntryPtr> entries() const { return m_rows; }

    // Each row goes to its place in time.
    void addEntries(const QList<MCChatEntryPtr> &entries);
    void removeEntry(const MCChatEntryPtr &entry);

private:
    void rowChanged(const MCChatEntry *entry);

    QList<MCChatEntryPtr> m_rows;
};

#endif // MCCHATROWSMODEL_H
