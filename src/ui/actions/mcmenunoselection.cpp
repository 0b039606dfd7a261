#include "mcmenunoselection.h"

#include "mccleanupbymenu.h"
#include "mcviewchoice.h"

#include <QAction>

MCMenuNoSelection::MCMenuNoSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuNoSelection"), parent)
{
    addItems({Item::NewFolder, Item::NewFile, Item::Separator, Item::GetInfo, Item::Separator,
              Item::Paste, Item::Separator});
    addMenu(new MCCleanUpByMenu(this))->setObjectName(QStringLiteral("menuItemCleanUpBy"));
    // The View submenu's items are the choice; its options item goes after it, in this menu.
    auto *views = new QMenu(tr("View"), this);
    views->setObjectName(QStringLiteral("menuViewChoice"));
    addMenu(views)->setObjectName(QStringLiteral("menuItemView"));
    m_viewChoice = new MCViewChoice(views, false);
    QAction *options = m_viewChoice->viewOptionsItem();
    views->removeAction(options);
    views->removeAction(views->actions().constLast()); // the separator before it
    addAction(options);
}

void MCMenuNoSelection::menuNeedsUpdate()
{
    updatePaste();
    setApplicable(Item::GetInfo, getInfoApplies(), Inapplicable::Disable);
}
