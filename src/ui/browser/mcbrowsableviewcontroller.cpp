#include "mcbrowsableviewcontroller.h"

#include "mcbrowsableviewshelper.h"
#include "mcmanager.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcnameeditingdelegate.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "mopostednotification.h"

#include <QAbstractItemView>

namespace {
QPointer<MCBrowsableViewsHelper> s_helper;
}

MCBrowsableViewController::MCBrowsableViewController(MOObjectsManager *objectsManager,
                                                     QWidget *parent)
    : QWidget(parent)
    , m_objectsManager(objectsManager)
{
    if (!objectsManager)
        return;
    // Listings come through the helper; everything else that edits the tree comes from here.
    MONotificationCenter *center = objectsManager->notificationCenter();
    for (const QString &name :
         {MOObjectsAddedUpdateNotification, MOObjectsDeletedUpdateNotification,
          MOObjectsModifiedUpdateNotification, MOObjectUncachedNotification,
          MOObjectTransferWillStartNotification, MOObjectTransferDidProgressNotification,
          MOObjectTransferDidFinishNotification, MOObjectTransferDidAbortNotification,
          MOObjectTransferDidCancelNotification})
        center->addObserver(this, &MCBrowsableViewController::objectsNotification, name);
}

MCBrowsableViewController::~MCBrowsableViewController() = default;

MOObjectsManager *MCBrowsableViewController::objectsManager() const
{
    return m_objectsManager;
}

void MCBrowsableViewController::changeToPath(const QString &path, QObject *sender,
                                             CompletionBlock completion)
{
    if (s_helper)
        s_helper->changeToPath(path, sender, std::move(completion));
}

void MCBrowsableViewController::setHelper(MCBrowsableViewsHelper *helper)
{
    s_helper = helper;
}

MCBrowsableViewsHelper *MCBrowsableViewController::helper()
{
    return s_helper;
}

void MCBrowsableViewController::setCurrentNode(const MCNodePtr &node)
{
    const MCNodePtr current = m_updater.rootNode();
    if (node && current && node != current && moveToNode(node))
        return;
    if (node == current || (node && current && node->filePath() == current->filePath() &&
                            node->isEqual(current.data()))) {
        // The same folder again, perhaps with hidden files shown or hidden now: the next
        // listing follows the new choice.
        if (node && current && node != current)
            current->setHideHiddenFiles(node->hideHiddenFiles());
        return;
    }
    // A copy: each view builds its own children from the same notifications.
    const MCNodePtr own = node ? node->copy() : MCNodePtr();
    if (own)
        own->setHideHiddenFiles(node->hideHiddenFiles());
    m_updater = MCNodeTreeUpdater(own);
    currentNodeChanged(own);
}

void MCBrowsableViewController::listingArrived(const MOPostedNotification &notification)
{
    if (m_updater.setListing(MOObjectsNotification(notification).basePath(),
                             MOObjectsNotification(notification).objects()))
        childrenEdited();
    announceChildrenCount();
}

void MCBrowsableViewController::announceChildrenCount()
{
    // The status bar counts what the view on screen shows: uploads, new folders and changes
    // from other devices included, not only what the folder's metadata said.
    const MCNodePtr folder = shownFolder();
    MCManager *hub = MCManager::sharedManager();
    if (folder && hub->isSelectedController(this) && hub->currentPath() == folder->filePath())
        hub->setTotalCount(qint64(folder->childrenCount()));
}

void MCBrowsableViewController::objectsNotification(const MOPostedNotification &notification)
{
    if (!m_updater.rootNode())
        return;
    m_updater.applyNotification(notification);
    // Badges and progress leave the order as it is.
    if (notification.name == MOObjectsAddedUpdateNotification ||
        notification.name == MOObjectsModifiedUpdateNotification)
        childrenEdited();
    announceChildrenCount();
}

void MCBrowsableViewController::popUpContextMenu(QAbstractItemView *view, const QPoint &pos)
{
    MCManager *hub = MCManager::sharedManager();
    const QModelIndex index = view->indexAt(pos);
    const MCNodePtr node = index.data(MCNameEditingDelegate::NodeRole).value<MCNodePtr>();
    QItemSelectionModel *selection = view->selectionModel();
    QMenu *menu = nullptr;
    if (node && !node->isBusy()) {
        if (!selection->isSelected(index)) {
            selection->select(index,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        }
        menu = hub->menuSelection();
    } else if (node) {
        if (!selection->hasSelection())
            menu = hub->menuNoSelection();
    } else {
        selection->clearSelection();
        menu = hub->menuNoSelection();
    }
    if (menu)
        menu->popup(view->viewport()->mapToGlobal(pos));
}
