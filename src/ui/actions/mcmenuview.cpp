#include "mcmenuview.h"

#include "mcbrowsableviewcontroller.h"
#include "mccleanupbymenu.h"
#include "mchub.h"
#include "mcnavigation.h"
#include "mcviewchoice.h"

#include <QAction>

MCMenuView::MCMenuView(const QString &title, QWidget *parent)
    : QMenu(title, parent)
    , menuCleanUpBy(new MCCleanUpByMenu(this))
    , m_viewChoice(new MCViewChoice(this, true))
{
    setObjectName(QStringLiteral("menuView"));
    addSeparator();
    menuItemCleanUp = addAction(tr("Clean Up"));
    menuItemCleanUp->setObjectName(QStringLiteral("menuItemCleanUp"));
    menuItemCleanUpBy = addMenu(menuCleanUpBy);
    menuItemCleanUpBy->setObjectName(QStringLiteral("menuItemCleanUpBy"));
    connect(menuItemCleanUp, &QAction::triggered, this, &MCMenuView::cleanUp);
    connect(this, &QMenu::aboutToShow, this, &MCMenuView::updateMenu);
}

void MCMenuView::updateMenu()
{
    MCBrowsableViewController *view = MCHub::sharedHub()->navigation()->selectedController();
    const bool shown = view && !view->isHidden();
    menuItemCleanUp->setEnabled(shown);
    menuItemCleanUpBy->setEnabled(shown);
    m_viewChoice->setEnabled(shown);
    menuCleanUpBy->prepareCleanUpBy();
}

void MCMenuView::cleanUp()
{
    MCNavigation *navigation = MCHub::sharedHub()->navigation();
    if (MCCleanUpByMenu::sortableView() && !navigation->currentPath().isEmpty())
        navigation->changeToPath(navigation->currentPath(), this);
}
