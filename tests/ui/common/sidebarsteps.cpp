#include "sidebarsteps.h"

#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"

#include <QTest>

bool clickSidebarRow(MCSidebarController *sidebar, const QString &title)
{
    QAbstractItemModel *model = sidebar->outlineView()->model();
    const QModelIndexList rows = model->match(model->index(0, 0), Qt::DisplayRole, title, -1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    if (rows.size() != 1)
        return false;
    MCOutlineViewSidebar *outline = sidebar->outlineView();
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
                      outline->visualRect(rows.first()).center());
    return true;
}
