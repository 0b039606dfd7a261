#include "iconviewsteps.h"

#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmanager.h"

#include <QListView>
#include <QTest>

#include <memory>

namespace ShellTest {

QPoint centreOf(MCIconController *icons, const QString &name)
{
    const int row = icons->shownNames().indexOf(name);
    if (row < 0)
        return QPoint(-1, -1);
    const QModelIndex index = icons->itemModel()->index(row);
    icons->collectionView()->scrollTo(index);
    return icons->collectionView()->visualRect(index).center();
}

bool showFolder(MCIconController *icons, const QString &path, const QString &child, int timeout)
{
    // Shared: the completion may still come after a wait that gave up.
    const auto completed = std::make_shared<bool>(false);
    MCManager *hub = MCManager::sharedManager();
    hub->changeToPath(path, icons, [completed] { *completed = true; });
    return QTest::qWaitFor(
        [&] {
            return *completed && hub->currentPath() == path && icons->shownNames().contains(child);
        },
        timeout);
}

} // namespace ShellTest
