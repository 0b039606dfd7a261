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
#include <QDir>
#include <QLabel>
#include <QTimer>

namespace {
QPointer<MCBrowsableViewsHelper> s_helper;
// Listings quicker than this never show "Loading…".
constexpr int LoadingDelay = 300;
} // namespace

MCBrowsableViewController::MCBrowsableViewController(MOObjectsManager *objectsManager,
                                                     QWidget *parent)
    : QWidget(parent)
    , m_objectsManager(objectsManager)
    , m_loadStateLabel(new QLabel(this))
    , m_loadingDelay(new QTimer(this))
{
    m_loadStateLabel->setObjectName(QStringLiteral("loadStateLabel"));
    m_loadStateLabel->setTextFormat(Qt::PlainText);
    m_loadStateLabel->setAlignment(Qt::AlignCenter);
    m_loadStateLabel->setWordWrap(true);
    m_loadStateLabel->setForegroundRole(QPalette::PlaceholderText);
    m_loadStateLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_loadStateLabel->hide();
    m_loadingDelay->setSingleShot(true);
    m_loadingDelay->setInterval(LoadingDelay);
    connect(m_loadingDelay, &QTimer::timeout, this, [this] {
        m_loadStateLabel->setText(tr("Loading\u2026"));
        m_loadStateLabel->setGeometry(rect());
        m_loadStateLabel->raise();
        m_loadStateLabel->show();
    });
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
    setLoadState(own && own->childrenDirty() ? LoadState::Loading : LoadState::Loaded);
}

void MCBrowsableViewController::listingArrived(const MOPostedNotification &notification)
{
    if (m_updater.setListing(MOObjectsNotification(notification).basePath(),
                             MOObjectsNotification(notification).objects()))
        childrenEdited();
    const MCNodePtr root = m_updater.rootNode();
    if (root && !root->childrenDirty())
        setLoadState(LoadState::Loaded);
    announceChildrenCount();
}

void MCBrowsableViewController::listingRequested(const QString &path)
{
    if (showsFolder(path) && m_loadState == LoadState::Failed)
        setLoadState(LoadState::Loading);
}

void MCBrowsableViewController::listingFailed(const QString &path)
{
    if (showsFolder(path) && m_updater.rootNode()->childrenDirty())
        setLoadState(LoadState::Failed);
}

bool MCBrowsableViewController::showsFolder(const QString &path) const
{
    const MCNodePtr root = m_updater.rootNode();
    return root &&
           root->filePath() == (path.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(path));
}

void MCBrowsableViewController::setLoadState(LoadState state)
{
    m_loadState = state;
    m_loadingDelay->stop();
    switch (state) {
    case LoadState::Loaded:
        m_loadStateLabel->hide();
        break;
    case LoadState::Loading:
        m_loadStateLabel->hide();
        m_loadingDelay->start();
        break;
    case LoadState::Failed:
        m_loadStateLabel->setText(tr("The folder could not be loaded. Open it again to retry."));
        m_loadStateLabel->setGeometry(rect());
        m_loadStateLabel->raise();
        m_loadStateLabel->show();
        break;
    }
}

void MCBrowsableViewController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_loadStateLabel->setGeometry(rect());
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

QRect MCBrowsableViewController::selectedRectOf(const QAbstractItemView *view)
{
    QRect shown;
    const QRect visible = view->viewport()->rect();
    const QModelIndexList rows = view->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : rows)
        shown |= view->visualRect(index) & visible;
    if (shown.isEmpty())
        return QRect();
    return QRect(view->viewport()->mapToGlobal(shown.topLeft()), shown.size());
}
