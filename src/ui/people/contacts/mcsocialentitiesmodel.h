#ifndef MCSOCIALENTITIESMODEL_H
#define MCSOCIALENTITIESMODEL_H

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>

class MCPeople;
class MCSocialEntity;

// The hub's contacts (by full name: Name, E-mail) or groups (by room name: Name), sorted
// ascending with a case-sensitive comparison and kept in step with the hub: a contact or
// group it adds is listed in its place as soon as the event loop turns. Names are plain
// text. Main thread only.
class MCSocialEntitiesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Kind { Contacts, Groups };
    // StatusImageRole: the name of a contact's presence image in the first column; empty for
    // a group.
    enum Role { EntityRole = Qt::UserRole, StatusImageRole };

    MCSocialEntitiesModel(MCPeople *people, Kind kind, QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    // The entity of a row; null for anything else.
    MCSocialEntity *entity(const QModelIndex &index) const;
    // The name the rows sort by: a contact's full name, a group's room name.
    static QString sortName(const MCSocialEntity *entity);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Reads the hub's list again (what its contactsChanged or groupsChanged announce).
    void updateList();

private:
    void entityChanged(MCSocialEntity *entity, const QVector<int> &roles);

    MCPeople *m_people;
    Kind m_kind;
    QList<MCSocialEntity *> m_rows;
    QTimer m_update;
};

#endif // MCSOCIALENTITIESMODEL_H
