#include "mcmenuview.h"

#include "mcbrowsableviewcontroller.h"
#include "mccleanupbymenu.h"
#include "mciconcontroller.h"
#include "mcmanager.h"

#include <QAction>

namespace {
MCIconController *sortableView()
{
    return qobject_cast<MCIconController *>(MCManager::sharedManager()->selectedController());
}
} // namespace

MCMenuView::MCMenuView(const QString &title, QWidget *parent)
    : QMenu(title, parent)
    , menuCleanUpBy(new MCCleanUpByMenu(this))
{
    setObjectName(QStringLiteral("menuView"));
    menuItemCleanUp = addAction(tr("Clean Up"));
    menuItemCleanUp->setObjectName(QStringLiteral("menuItemCleanUp"));
    menuItemCleanUpBy = addMenu(menuCleanUpBy);
    menuItemCleanUpBy->setObjectName(QStringLiteral("menuItemCleanUpBy"));
    connect(menuItemCleanUp, &QAction::triggered, this, &MCMenuView::cleanUp);
    connect(this, &QMenu::aboutToShow, this, &MCMenuView::updateMenu);
}

void MCMenuView::updateMenu()
{
    MCBrowsableViewController *view = MCManager::sharedManager()->selectedController();
    const bool shown = view && !view->isHidden();
    menuItemCleanUp->setEnabled(shown);
    menuItemCleanUpBy->setEnabled(shown);
    menuCleanUpBy->prepareCleanUpBy();
}

void MCMenuView::cleanUp()
{
    MCManager *hub = MCManager::sharedManager();
    if (sortableView() && !hub->currentPath().isEmpty())
        hub->changeToPath(hub->currentPath(), this);
}
