#include "mchipcontroller.h"

#include "mcchatfilescontroller.h"
#include "mcchatlinkscontroller.h"
#include "mcchattableview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mchipbox.h"
#include "mcpeoplecontroller.h"
#include "mcsessionservices.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

MCHipController::MCHipController(MCSocialEntity *entity, MCSessionServices *services,
                                 MCPeople *people, MOObjectsManager *objects,
                                 const QString &ownEmail, QWidget *parent)
    : QWidget(parent)
    , m_entity(entity)
    , m_boxMenu(new QWidget(this))
    , m_boxFiles(new MCHipBox(tr("Files"), m_boxMenu))
    , m_boxLinks(new MCHipBox(tr("Links"), m_boxMenu))
    , m_boxPeople(new MCHipBox(tr("People"), m_boxMenu))
    , m_mainView(new QStackedWidget(this))
    , m_filesController(new MCChatFilesController(ownEmail, objects, services->servicesDiscoverer(),
                                                  services->options(), services->alerts(),
                                                  m_mainView))
    , m_linksController(new MCChatLinksController(m_mainView))
    , m_peopleController(nullptr)
{
    // Only a group has members to list: a contact's panel is about its files.
    auto *group = qobject_cast<MCGroup *>(entity);
    if (group)
        m_peopleController = new MCPeopleController(people, m_mainView);
    m_boxPeople->setVisible(group);
    setObjectName(QStringLiteral("MCHipController"));
    m_boxFiles->setObjectName(QStringLiteral("boxFiles"));
    m_boxLinks->setObjectName(QStringLiteral("boxLinks"));
    m_boxPeople->setObjectName(QStringLiteral("boxPeople"));
    auto *tabs = new QHBoxLayout(m_boxMenu);
    tabs->setContentsMargins(0, 0, 0, 0);
    tabs->setSpacing(0);
    for (MCHipBox *box : {m_boxFiles, m_boxLinks, m_boxPeople}) {
        tabs->addWidget(box, 1);
        connect(box, &MCHipBox::menuClicked, this, &MCHipController::menuClicked);
    }
    m_mainView->addWidget(m_filesController);
    m_mainView->addWidget(m_linksController);
    if (m_peopleController)
        m_mainView->addWidget(m_peopleController);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_boxMenu);
    layout->addWidget(m_mainView, 1);

    m_filesController->setEntity(entity);
    m_linksController->setEntity(entity);
    connect(m_filesController, &MCChatFilesController::scrollToEntryRequested, this,
            &MCHipController::scrollToEntryRequested);
    if (m_peopleController) {
        m_peopleController->setEntity(entity);
        connect(m_peopleController, &MCPeopleController::conversationRequested, this,
                &MCHipController::conversationRequested);
    }
    menuClicked(group ? m_boxPeople : m_boxFiles);
}

MCHipController *MCHipController::embed(MCChatViewController *chat, MCSessionServices *services,
                                        MCPeople *people, MOObjectsManager *objects,
                                        const QString &ownEmail)
{
    QWidget *pane = chat->rightSplitView();
    auto *panel = new MCHipController(chat->entity(), services, people, objects, ownEmail, pane);
    auto *layout = qobject_cast<QVBoxLayout *>(pane->layout());
    if (!layout) {
        layout = new QVBoxLayout(pane);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(panel);
    QPointer<MCChatViewController> page(chat);
    connect(panel, &MCHipController::scrollToEntryRequested, chat,
            [page](const MOCollaboration &collaboration) {
                MCSocialEntity *entity = page ? page->entity() : nullptr;
                if (!entity)
                    return;
                for (const MCChatCollaborationEntryPtr &entry : entity->collaborationEntries()) {
                    if (entry->collaboration().token() == collaboration.token()) {
                        page->chatTableView()->scrollToEntry(entry.data());
                        return;
                    }
                }
            });
    return panel;
}

void MCHipController::menuClicked(MCHipBox *box)
{
    if (box->isSelected() || (box == m_boxPeople && !m_peopleController))
        return;
    const QList<QPair<MCHipBox *, QWidget *>> tabs = {{m_boxFiles, m_filesController},
                                                      {m_boxLinks, m_linksController},
                                                      {m_boxPeople, m_peopleController}};
    for (const auto &tab : tabs) {
        if (tab.first == box)
            m_mainView->setCurrentWidget(tab.second);
        else
            tab.first->setSelected(false);
    }
    box->setSelected(true);
}
