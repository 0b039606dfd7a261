#include "mcallentitiesviewcontroller.h"

#include "mccontactcelldelegate.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

MCAllEntitiesViewController::MCAllEntitiesViewController(MCPeople *people,
                                                         MCSocialEntitiesModel::Kind kind,
                                                         QWidget *parent)
    : QWidget(parent)
    , m_model(new MCSocialEntitiesModel(people, kind, this))
    , m_tableView(new QTableView(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setModel(m_model);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setWordWrap(false);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(30);
    m_tableView->setIconSize(QSize(24, 24));
    m_tableView->setItemDelegateForColumn(
        0, new MCContactCellDelegate(MCSocialEntitiesModel::StatusImageRole, m_tableView));
    // The last column fills the table.
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->horizontalHeader()->setDefaultSectionSize(240);
    connect(m_tableView, &QAbstractItemView::doubleClicked, this,
            &MCAllEntitiesViewController::tableViewDoubleClick);
}

void MCAllEntitiesViewController::tableViewDoubleClick(const QModelIndex &index)
{
    // Below the last row there is no index, and nothing to open.
    if (MCSocialEntity *entity = m_model->entity(index))
        emit entityChosen(entity);
}
