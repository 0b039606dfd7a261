#include "mcpeoplecontroller.h"

#include "mcchatsupport.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcpeople.h"
#include "mcpeoplemodel.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

MCPeopleController::MCPeopleController(MCPeople *book, QWidget *parent)
    : QWidget(parent)
    , m_book(book)
    , m_people(new MCPeopleModel(this))
    , m_tableView(new QTableView(this))
{
    m_tableView->setObjectName(QStringLiteral("peopleTableView"));
    m_tableView->setModel(m_people);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(30);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCPeopleModel::Status,
                                                          QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    connect(m_tableView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { tableViewDoubleClick(index.row()); });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
}

void MCPeopleController::setEntity(MCSocialEntity *entity)
{
    if (m_entity)
        m_entity->disconnect(this);
    m_entity = entity;
    if (entity)
        connect(entity, &MCSocialEntity::chatRoomChanged, this, &MCPeopleController::updatePeople);
    updatePeople();
}

void MCPeopleController::updatePeople()
{
    QList<MCContact *> people;
    if (m_entity) {
        // Participants the chat has not met by address are not listed.
        for (const MOUserAccount &participant : m_entity->chatRoom().participants()) {
            MCContact *member = m_book->chatSupport().contactByEmail(participant.email());
            if (member && !people.contains(member))
                people.append(member);
        }
    }
    m_people->setPeople(people);
}

void MCPeopleController::tableViewDoubleClick(int row)
{
    MCContact *contact = m_people->contact(row);
    if (contact && m_book->contacts().contains(contact))
        emit conversationRequested(contact);
}
