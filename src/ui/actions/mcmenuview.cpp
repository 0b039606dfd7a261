#include "mcmenuview.h"

#include "mcbrowsableviewcontroller.h"
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
    , menuCleanUpBy(new QMenu(tr("Clean Up By"), this))
{
    setObjectName(QStringLiteral("menuView"));
    menuItemCleanUp = addAction(tr("Clean Up"));
    menuItemCleanUp->setObjectName(QStringLiteral("menuItemCleanUp"));
    menuItemCleanUpBy = addMenu(menuCleanUpBy);
    menuItemCleanUpBy->setObjectName(QStringLiteral("menuItemCleanUpBy"));
    menuCleanUpBy->setObjectName(QStringLiteral("menuCleanUpBy"));
    // The tags are the criteria of the sort codes: 10 + 2 * tag ascending, one more descending.
    const QStringList criteria = {tr("Name"), tr("Kind"), tr("Date Modified"), tr("Date Added"),
                                  tr("Size")};
    for (int tag = 0; tag < criteria.size(); ++tag) {
        QAction *item = menuCleanUpBy->addAction(criteria.at(tag));
        item->setData(tag);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { cleanUpBy(item); });
    }
    connect(menuItemCleanUp, &QAction::triggered, this, &MCMenuView::cleanUp);
    connect(this, &QMenu::aboutToShow, this, &MCMenuView::updateMenu);
}

void MCMenuView::updateMenu()
{
    MCBrowsableViewController *view = MCManager::sharedManager()->selectedController();
    const bool shown = view && !view->isHidden();
    menuItemCleanUp->setEnabled(shown);
    menuItemCleanUpBy->setEnabled(shown);
    const qint64 sortType = sortableView() ? sortableView()->sortType() : -1;
    const QList<QAction *> items = menuCleanUpBy->actions();
    for (QAction *item : items) {
        const bool inForce =
            sortType >= 10 && sortType <= 19 && item->data().toInt() == (sortType - 10) / 2;
        item->setChecked(inForce);
        item->setIcon(!inForce ? QIcon()
                               : QIcon::fromTheme(sortType % 2 == 0
                                                      ? QStringLiteral("view-sort-ascending")
                                                      : QStringLiteral("view-sort-descending")));
    }
}

void MCMenuView::cleanUp()
{
    MCManager *hub = MCManager::sharedManager();
    if (sortableView() && !hub->currentPath().isEmpty())
        hub->changeToPath(hub->currentPath(), this);
}

void MCMenuView::cleanUpBy(QAction *item)
{
    MCIconController *view = sortableView();
    if (!view)
        return;
    // The item in force was ticked before the choice, and the choice unticked it.
    const bool wasInForce = !item->isChecked();
    const qint64 ascending = 10 + 2 * item->data().toInt();
    view->setSortType(wasInForce && view->sortType() == ascending ? ascending + 1 : ascending);
}
