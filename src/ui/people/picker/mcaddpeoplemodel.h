#ifndef MCADDPEOPLEMODEL_H
#define MCADDPEOPLEMODEL_H

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class MCContact;
class MCPeople;

// The people picker's rows: the hub's contacts as they are (not a copy), each with whether it
// is ticked. Columns "check" (CheckStateRole), "status" (the presence dot) and "people" (the
// name, plain text, and the picture). The ticked contacts are kept in the order ticked.
class MCAddPeopleModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Check, Status, People, ColumnCount };
    enum Role { EmailRole = Qt::UserRole + 1, FullNameRole };

    explicit MCAddPeopleModel(MCPeople *people, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    MCContact *contact(int row) const;
    QList<MCContact *> selectedContacts() const;
    bool isSelected(const MCContact *contact) const;
    // Ticks an unticked contact and unticks a ticked one.
    void toggle(int row);
    void clearSelection();

signals:
    void selectedContactsChanged();

private:
    // The hub's list changed: the rows follow it, and a contact no longer listed is unticked.
    void updateList();
    void contactChanged();

    MCPeople *m_people;
    QList<QPointer<MCContact>> m_contacts;
    QList<QPointer<MCContact>> m_selected;
};

#endif // MCADDPEOPLEMODEL_H
