#ifndef MCNOTIFICATIONSMODEL_H
#define MCNOTIFICATIONSMODEL_H

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class MCInbox;
class MCNotificationObject;

// The hub's notices (userMessages) as a table: sender with avatar, subject, date. Rows follow
// the hub's list as it grows or lets answered rows go; sorting is the view's (SortRole).
// Unread rows are bold.
class MCNotificationsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { SenderColumn, SubjectColumn, DateColumn, ColumnCount };
    // SortRole: sentAt, and for notices of one second the one that came later as newer.
    enum Role { SentAtRole = Qt::UserRole + 1, ReadRole, SortRole };

    explicit MCNotificationsModel(MCInbox *inbox, QObject *parent = nullptr);

    MCNotificationObject *notification(int row) const;
    int rowOf(const MCNotificationObject *notification) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // Takes the hub's list: rows gone are removed, new ones appended.
    void sync();
    void watch(MCNotificationObject *notification);
    void rowChanged(MCNotificationObject *notification);

    MCInbox *m_inbox;
    QList<QPointer<MCNotificationObject>> m_rows;
};

#endif // MCNOTIFICATIONSMODEL_H
