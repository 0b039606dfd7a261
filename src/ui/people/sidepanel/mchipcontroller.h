#ifndef MCHIPCONTROLLER_H
#define MCHIPCONTROLLER_H

#include "mocollaboration.h"

#include "mcsocialentity.h"

#include <QPointer>
#include <QWidget>

class MCChatFilesController;
class MCChatLinksController;
class MCChatViewController;
class MCContact;
class MCHipBox;
class MCPeople;
class MCPeopleController;
class MCSessionServices;

class MOObjectsManager;
class QStackedWidget;

// The side panel beside a conversation: tabs for the conversation's shared files, the links
// written in it and, for a group, its members. A contact's panel opens on the files and has no
// people tab; a group's opens on its members.
class MCHipController : public QWidget
{
    Q_OBJECT
public:
    // ownEmail: the signed-in user's address. services, people and objects outlive the panel.
    MCHipController(MCSocialEntity *entity, MCSessionServices *services, MCPeople *people,
                    MOObjectsManager *objects, const QString &ownEmail, QWidget *parent = nullptr);

    MCSocialEntity *entity() const { return m_entity; }
    QWidget *boxMenu() const { return m_boxMenu; }
    MCHipBox *boxFiles() const { return m_boxFiles; }
    MCHipBox *boxLinks() const { return m_boxLinks; }
    MCHipBox *boxPeople() const { return m_boxPeople; }
    QStackedWidget *mainView() const { return m_mainView; }
    MCChatFilesController *filesController() const { return m_filesController; }
    MCChatLinksController *linksController() const { return m_linksController; }
    // Null for a contact.
    MCPeopleController *peopleController() const { return m_peopleController; }

    // The panel of chat's entity, placed in the chat page's right pane: a pending file it
    // double-clicks is scrolled to in the chat.
    static MCHipController *embed(MCChatViewController *chat, MCSessionServices *services,
                                  MCPeople *people, MOObjectsManager *objects,
                                  const QString &ownEmail);

    // A tab was clicked: its list is shown; clicking the selected tab changes nothing.
    void menuClicked(MCHipBox *box);

signals:
    // A pending file was double-clicked: the conversation shows its row.
    void scrollToEntryRequested(const MOCollaboration &collaboration);
    // A member was double-clicked: their conversation is asked for.
    void conversationRequested(MCContact *contact);

private:
    QPointer<MCSocialEntity> m_entity;
    QWidget *m_boxMenu;
    MCHipBox *m_boxFiles;
    MCHipBox *m_boxLinks;
    MCHipBox *m_boxPeople;
    QStackedWidget *m_mainView;
    MCChatFilesController *m_filesController;
    MCChatLinksController *m_linksController;
    MCPeopleController *m_peopleController;
};

#endif // MCHIPCONTROLLER_H
