#include "mcgroupsendcontroller.h"

#include "mcchatenvironment.h"
#include "mcgroupsendmodel.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

MCGroupSendController::MCGroupSendController(MCChatEnvironment *environment, QWidget *parent)
    : QWidget(parent)
    , m_elements(new MCGroupSendModel(environment->chatSupport(),
                                      environment->signedInAccount().email(), this))
    , m_tableView(new QTableView(this))
{
    m_tableView->setObjectName(QStringLiteral("groupSendTableView"));
    m_tableView->setModel(m_elements);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setFocusPolicy(Qt::NoFocus);
    m_tableView->setShowGrid(false);
    m_tableView->setTextElideMode(Qt::ElideRight);
    m_tableView->setIconSize(QSize(20, 20));
    // It sits inside a chat row, whose texts are small.
    QFont font = m_tableView->font();
    font.setPixelSize(11);
    m_tableView->setFont(font);
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(24);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCGroupSendModel::User,
                                                          QHeaderView::Fixed);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCGroupSendModel::Status,
                                                          QHeaderView::Fixed);
    m_tableView->setColumnWidth(MCGroupSendModel::User, 28);
    m_tableView->setColumnWidth(MCGroupSendModel::Status, 28);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
}

void MCGroupSendController::setGroup(MCGroup *group)
{
    m_elements->setGroup(group);
}

void MCGroupSendController::setEntry(MCChatCollaborationEntry *entry)
{
    m_elements->setEntry(entry);
}
