#ifndef MCALLENTITIESVIEWCONTROLLER_H
#define MCALLENTITIESVIEWCONTROLLER_H

#include "mcsocialentitiesmodel.h"

#include <QWidget>

class QTableView;

// One list of the contacts page: a table of the hub's contacts or groups, sorted by name and
// following the hub. A double-click on a row asks for that partner's conversation.
class MCAllEntitiesViewController : public QWidget
{
    Q_OBJECT
public:
    MCAllEntitiesViewController(MCPeople *people, MCSocialEntitiesModel::Kind kind,
                                QWidget *parent = nullptr);

    MCSocialEntitiesModel *model() const { return m_model; }
    QTableView *tableView() const { return m_tableView; }

signals:
    // The user double-clicked the row of entity.
    void entityChosen(MCSocialEntity *entity);

private:
    void tableViewDoubleClick(const QModelIndex &index);

    MCSocialEntitiesModel *m_model;
    QTableView *m_tableView;
};

#endif // MCALLENTITIESVIEWCONTROLLER_H
