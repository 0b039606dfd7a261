#ifndef MCPEOPLECONTROLLER_H
#define MCPEOPLECONTROLLER_H

#include "mcsocialentity.h"

#include <QPointer>
#include <QWidget>

class MCContact;
class MCPeople;
class MCPeopleModel;

class QTableView;

// The side panel's people: a group's members the chat knows by address (the signed-in user
// is not listed). The list follows the group's membership. A double-click on one of the user's
// contacts asks for their conversation.
class MCPeopleController : public QWidget
{
    Q_OBJECT
public:
    explicit MCPeopleController(MCPeople *book, QWidget *parent = nullptr);

    void setEntity(MCSocialEntity *entity);
    MCPeopleModel *people() const { return m_people; }
    QTableView *tableView() const { return m_tableView; }
    void tableViewDoubleClick(int row);

signals:
    void conversationRequested(MCContact *contact);

private:
    void updatePeople();

    MCPeople *m_book;
    QPointer<MCSocialEntity> m_entity;
    MCPeopleModel *m_people;
    QTableView *m_tableView;
};

#endif // MCPEOPLECONTROLLER_H
