#include "mccleanupbymenu.h"

#include "mcbrowsableviewcontroller.h"
#include "mchub.h"
#include "mcnavigation.h"

#include <QAction>

MCCleanUpByMenu::MCCleanUpByMenu(QWidget *parent)
    : QMenu(tr("Clean Up By"), parent)
{
    setObjectName(QStringLiteral("menuCleanUpBy"));
    const QStringList criteria = {tr("Name"), tr("Kind"), tr("Date Modified"), tr("Date Added"),
                                  tr("Size")};
    for (int tag = 0; tag < criteria.size(); ++tag) {
        QAction *item = addAction(criteria.at(tag));
        item->setData(tag);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { cleanUpBy(item); });
    }
    connect(this, &QMenu::aboutToShow, this, &MCCleanUpByMenu::prepareCleanUpBy);
}

MCBrowsableViewController *MCCleanUpByMenu::sortableView()
{
    MCBrowsableViewController *view = MCHub::sharedHub()->navigation()->selectedController();
    return view && view->sortType() >= 0 ? view : nullptr;
}

void MCCleanUpByMenu::prepareCleanUpBy()
{
    const qint64 sortType = sortableView() ? sortableView()->sortType() : -1;
    const QList<QAction *> items = actions();
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

void MCCleanUpByMenu::cleanUpBy(QAction *item)
{
    MCBrowsableViewController *view = sortableView();
    if (!view)
        return;
    // The item in force was ticked before the choice, and the choice unticked it.
    const bool wasInForce = !item->isChecked();
    const qint64 ascending = 10 + 2 * item->data().toInt();
    view->setSortType(wasInForce && view->sortType() == ascending ? ascending + 1 : ascending);
}
