#include "mcbrowsableviewcontroller.h"

#include "mcbrowsableviewshelper.h"
#include "mcbrowserlog.h"
#include "mccounters.h"
#include "mchub.h"
#include "mcnameeditingdelegate.h"
#include "mcnavigation.h"
#include "mcremotepath.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "mopostednotification.h"
#include "mrunaside.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {
QPointer<MCBrowsableViewsHelper> s_helper;
// Listings from this size on are made into nodes on another thread.
constexpr int LargeListing = 2000;
// Rows handed to a view per turn of the event loop.
constexpr int RowsPerSlice = 10000;
// Listings quicker than this never show "Loading…".
constexpr int LoadingDelay = 300;
// Nodes of a folder that was left, freed per turn of the event loop.
constexpr int NodesFreedPerTurn = 5000;
// Live updates reach the rows at most this often: an icon view lays out every item again
// after each change to its rows, which at 100,000 items takes a good part of a turn.
constexpr int UpdatesInterval = 100;

// Freeing the nodes of a folder of 100,000 objects at once holds the window for a good part of
// a second: what this list holds goes a slice per turn. A node still shown elsewhere lives on.
void freeInSlices(const QSharedPointer<MCNodeList> &nodes)
{
    nodes->resize(qMax(0, nodes->size() - NodesFreedPerTurn));
    if (!nodes->isEmpty())
        QTimer::singleShot(0, qApp, [nodes] { freeInSlices(nodes); });
}
} // namespace

MCBrowsableViewController::MCBrowsableViewController(MOObjectsManager *objectsManager,
                                                     QWidget *parent)
    : QWidget(parent)
    , m_load(new QAtomicInteger<quint64>(0))
    , m_updatesDelay(new QTimer(this))
    , m_objectsManager(objectsManager)
    , m_loadStateLabel(new QLabel(this))
    , m_loadingDelay(new QTimer(this))
{
    m_loadStateLabel->setObjectName(QStringLiteral("loadStateLabel"));
    m_loadStateLabel->setTextFormat(Qt::PlainText);
    m_loadStateLabel->setAlignment(Qt::AlignCenter);
    m_loadStateLabel->setWordWrap(true);
    // Greyed as a placeholder is: a label drawn in the placeholder role itself shows nothing.
    QPalette greyed = m_loadStateLabel->palette();
    QColor words = greyed.color(QPalette::WindowText);
    words.setAlpha(128);
    greyed.setColor(QPalette::WindowText, words);
    m_loadStateLabel->setPalette(greyed);
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
    m_updatesDelay->setSingleShot(true);
    m_updatesDelay->setInterval(UpdatesInterval);
    connect(m_updatesDelay, &QTimer::timeout, this, [this] {
        if (m_loadingPath.isEmpty())
            applyHeldBack();
    });
    // A selection made meanwhile, by the user or otherwise, replaces the one awaited.
    connect(this, &MCBrowsableViewController::selectedCountChanged, this, [this](qint64 count) {
        if (m_selectingPaths)
            return;
        m_pendingSelection.clear();
        // The placeholder going leaves nothing selected; a pick of the user's selects something.
        if (count > 0)
            m_folderBeingMade.clear();
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
    m_folder = node;
    const MCNodePtr current = m_updater.rootNode();
    if (!m_active) {
        if (!node || !current || node->filePath() != current->filePath() ||
            !node->isEqual(current.data()))
            showBareFolder();
        return;
    }
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
    m_pendingSelection.clear();
    m_folderBeingMade.clear();
    // The folder left keeps its children alive here until freed a slice at a time.
    const auto left = QSharedPointer<MCNodeList>::create(
        current && current->children().size() > NodesFreedPerTurn ? current->children()
                                                                  : MCNodeList());
    // A copy: each view builds its own children from the same notifications.
    const MCNodePtr own = node ? node->copy() : MCNodePtr();
    if (own)
        own->setHideHiddenFiles(node->hideHiddenFiles());
    m_updater = MCNodeTreeUpdater(own);
    currentNodeChanged(own);
    // The old folder's rows are no longer wanted; what was held back applies to the new tree
    // (an upload's placeholder, say).
    if (!m_loadingPath.isEmpty())
        endLoad();
    setLoadState(own && own->childrenDirty() ? LoadState::Loading : LoadState::Loaded);
    if (!left->isEmpty())
        QTimer::singleShot(0, qApp, [left] { freeInSlices(left); });
}

void MCBrowsableViewController::showBareFolder()
{
    const MCNodePtr bare = m_folder ? m_folder->copy() : MCNodePtr();
    if (bare)
        bare->setHideHiddenFiles(m_folder->hideHiddenFiles());
    m_updater = MCNodeTreeUpdater(bare);
    currentNodeChanged(bare);
}

void MCBrowsableViewController::deactivate()
{
    if (!m_active)
        return;
    m_active = false;
    m_heldBack.clear();
    m_updatesDelay->stop();
    if (!m_loadingPath.isEmpty()) {
        // The rows being handed over are dropped; whoever waits for them is told.
        ++*m_load;
        emit listingLoaded(std::exchange(m_loadingPath, QString()));
    }
    showBareFolder();
    setLoadState(LoadState::Loaded);
}

void MCBrowsableViewController::activate(MCBrowsableViewController *from)
{
    if (m_active)
        return;
    m_active = true;
    if (!m_folder) {
        if (from && from != this)
            from->deactivate();
        return;
    }
    const QString path = m_folder->filePath();
    MCNodePtr theirs;
    if (from && from != this && from->m_active && from->m_loadingPath.isEmpty())
        theirs = from->m_updater.nodeAtPath(path);
    if (theirs && !theirs->childrenDirty()) {
        // The same nodes: the other view lets go of them, this one shows them in its order,
        // with the updates the other one had yet to apply.
        MCNodeTreeUpdater taken = from->m_updater;
        m_heldBack = std::exchange(from->m_heldBack, {});
        from->deactivate();
        taken.setRootNode(theirs);
        theirs->setHideHiddenFiles(m_folder->hideHiddenFiles());
        m_updater = taken;
        currentNodeChanged(theirs);
        childrenEdited();
        setLoadState(LoadState::Loaded);
        announceChildrenCount();
        applyHeldBack();
        return;
    }
    if (from && from != this)
        from->deactivate();
    showBareFolder();
    setLoadState(LoadState::Loading);
    if (m_objectsManager)
        m_objectsManager->listObjectsAtPath(path, false, QVariant());
}

bool MCBrowsableViewController::isLoadingListing(const QString &path) const
{
    return !m_loadingPath.isEmpty() && m_loadingPath == path;
}

void MCBrowsableViewController::listingArrived(const MOPostedNotification &notification)
{
    if (!m_active)
        return;
    // The updates that came before it come before it.
    if (m_loadingPath.isEmpty())
        applyHeldBack();
    const MOObjectsNotification reader(notification);
    const QList<MOStorageObject> objects = reader.objects();
    const MCNodePtr folder = m_updater.nodeAtPath(reader.basePath());
    if (folder && objects.size() >= LargeListing) {
        loadLargeListing(folder, objects);
        return;
    }
    // A newer listing of the folder being loaded replaces the load.
    if (folder && isLoadingListing(folder->filePath()))
        endLoad();
    // The listing replaces the folder's rows; what was selected and is still listed stays
    // selected (a folder listed again for another caller, say, must not lose the user's pick).
    MCNodeList selected = folder ? getSelectedItems() : MCNodeList();
    if (m_updater.setListing(reader.basePath(), objects)) {
        childrenEdited();
        if (!selected.isEmpty()) {
            for (MCNodePtr &node : selected)
                node = m_updater.nodeAtPath(node->filePath());
            selected.removeAll(MCNodePtr());
            m_selectingPaths = true;
            selectNodes(selected);
            m_selectingPaths = false;
        }
    }
    const MCNodePtr root = m_updater.rootNode();
    if (root && !root->childrenDirty())
        setLoadState(LoadState::Loaded);
    announceChildrenCount();
    selectPendingPaths();
    selectMadeFolder();
}

void MCBrowsableViewController::loadLargeListing(const MCNodePtr &folder,
                                                 const QList<MOStorageObject> &objects)
{
    const quint64 load = ++*m_load;
    m_loadingPath = folder->filePath();
    const QSharedPointer<QAtomicInteger<quint64>> current = m_load;
    const QWeakPointer<MCAbstractObjectNode> weakFolder = folder;
    const bool hideHidden = m_updater.rootNode()->hideHiddenFiles();
    // A folder opened below the shown one (a list view's outline) has no order of its own
    // yet: it will be sorted as the shown folder is.
    const MCNodePtr ordered = folder->childrenSortKey() ? folder : m_updater.rootNode();
    const int key = ordered->childrenSortKey();
    const bool ascending = ordered->childrenSortAscending();
    qCDebug(lcBrowser) << "Loading" << objects.size() << "objects of" << m_loadingPath;
    mRunAside(
        this,
        [=]() -> std::optional<MCNodeList> {
            MCNodeList nodes = MCNodeTreeUpdater::visibleNodes(objects, MCNodePtr(), hideHidden);
            if (*current != load)
                return std::nullopt;
            if (key)
                MCAbstractObjectNode::sortNodes(nodes, key, ascending);
            if (*current != load)
                return std::nullopt;
            return nodes;
        },
        [this, load, weakFolder](const std::optional<MCNodeList> &nodes) {
            const MCNodePtr folder = weakFolder.toStrongRef();
            if (!nodes || *m_load != load || !folder)
                return;
            handOverRows(load, weakFolder, m_updater.withPlaceholders(folder, *nodes), 0);
        });
}

void MCBrowsableViewController::handOverRows(quint64 load,
                                             const QWeakPointer<MCAbstractObjectNode> &weakFolder,
                                             const MCNodeList &rows, int from)
{
    const MCNodePtr folder = weakFolder.toStrongRef();
    if (*m_load != load || !folder)
        return;
    const MCNodeList slice = rows.mid(from, RowsPerSlice);
    if (from == 0)
        folder->setChildren(slice);
    else
        folder->appendChildNodes(slice);
    const int next = from + slice.size();
    if (next < rows.size()) {
        QTimer::singleShot(0, this, [this, load, weakFolder, rows, next] {
            handOverRows(load, weakFolder, rows, next);
        });
        return;
    }
    // Finished in a turn of its own: the views' look at the whole order is a pass over every
    // row, too much to add to the last slice's.
    QTimer::singleShot(0, this, [this, load, weakFolder] { finishHandOver(load, weakFolder); });
}

void MCBrowsableViewController::finishHandOver(quint64 load,
                                               const QWeakPointer<MCAbstractObjectNode> &weakFolder)
{
    const MCNodePtr folder = weakFolder.toStrongRef();
    if (*m_load != load || !folder)
        return;
    folder->notifyChildrenReady();
    childrenEdited();
    endLoad();
    if (!m_updater.rootNode()->childrenDirty())
        setLoadState(LoadState::Loaded);
    announceChildrenCount();
}

void MCBrowsableViewController::endLoad()
{
    const QString path = m_loadingPath;
    ++*m_load;
    m_loadingPath.clear();
    applyHeldBack();
    emit listingLoaded(path);
}

void MCBrowsableViewController::listingRequested(const QString &path)
{
    if (showsFolder(path) && m_loadState == LoadState::Failed)
        setLoadState(LoadState::Loading);
}

void MCBrowsableViewController::listingFailed(const QString &path, const QString &reason)
{
    if (!showsFolder(path))
        return;
    if (!m_loadingPath.isEmpty()) {
        // The rows being handed over are dropped; whoever waits for them is told.
        ++*m_load;
        emit listingLoaded(std::exchange(m_loadingPath, QString()));
    }
    if (!m_updater.rootNode()->childrenDirty())
        showBareFolder();
    m_failureReason = reason;
    setLoadState(LoadState::Failed);
    announceChildrenCount();
}

bool MCBrowsableViewController::showsFolder(const QString &path) const
{
    // The folder the user is in: in the column view, one below the root of its tree.
    const MCNodePtr shown = shownFolder();
    return shown && shown->filePath() == MCRemotePath::keyed(path);
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
        m_loadStateLabel->setText(
            tr("This folder could not be listed.\n%1\nReload to try again.").arg(m_failureReason));
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
    MCHub *hub = MCHub::sharedHub();
    MCNavigation *navigation = hub->navigation();
    // A folder not listed yet (or whose listing failed) shows nothing, whatever its metadata
    // says it holds.
    if (folder && navigation->isSelectedController(this) &&
        navigation->currentPath() == folder->filePath())
        hub->counters()->setTotalCount(folder->childrenDirty() ? 0
                                                               : qint64(folder->childrenCount()));
}

void MCBrowsableViewController::objectsNotification(const MOPostedNotification &notification)
{
    if (!m_active || !m_updater.rootNode())
        return;
    // Applied once the listing being loaded is shown (it may not have them yet), and together
    // with those that follow shortly after the last ones applied: a reply of thousands of
    // changes comes a slice per turn, and each edit of a large folder's rows costs the views
    // a pass over all of them.
    m_heldBack.append(notification);
    if (m_loadingPath.isEmpty() && !m_updatesDelay->isActive())
        applyHeldBack();
}

void MCBrowsableViewController::applyHeldBack()
{
    const QVector<MOPostedNotification> held = std::exchange(m_heldBack, {});
    if (held.isEmpty() || !m_active || !m_updater.rootNode())
        return;
    m_updater.applyNotifications(held);
    // Badges and progress leave the order as it is.
    if (std::any_of(held.cbegin(), held.cend(), [](const MOPostedNotification &notification) {
            return notification.name == MOObjectsAddedUpdateNotification ||
                   notification.name == MOObjectsModifiedUpdateNotification;
        }))
        childrenEdited();
    announceChildrenCount();
    selectPendingPaths();
    selectMadeFolder();
    m_updatesDelay->start();
}

void MCBrowsableViewController::popUpContextMenu(QAbstractItemView *view, const QPoint &pos)
{
    MCNavigation *navigation = MCHub::sharedHub()->navigation();
    const QModelIndex index = view->indexAt(pos);
    const MCNodePtr node = index.data(MCNameEditingDelegate::NodeRole).value<MCNodePtr>();
    QItemSelectionModel *selection = view->selectionModel();
    QMenu *menu = nullptr;
    if (node && (node->states() & m_noMenuStates)) {
        menu = navigation->backgroundContextMenu();
    } else if (node && !node->isBusy()) {
        if (!selection->isSelected(index)) {
            selection->select(index,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        }
        menu = navigation->selectionContextMenu();
    } else if (node) {
        if (!selection->hasSelection())
            menu = navigation->backgroundContextMenu();
    } else {
        selection->clearSelection();
        menu = navigation->backgroundContextMenu();
    }
    if (menu)
        menu->popup(view->viewport()->mapToGlobal(pos));
}

QItemSelection MCBrowsableViewController::selectionOfRows(const QVector<QModelIndex> &rows,
                                                          int lastColumn)
{
    QHash<QModelIndex, QVector<int>> byParent;
    // Rows mostly come from one folder: its list is kept at hand between rows.
    QModelIndex lastParent;
    QVector<int> *numbersOfLast = nullptr;
    for (const QModelIndex &row : rows) {
        if (!row.isValid())
            continue;
        const QModelIndex parent = row.parent();
        if (!numbersOfLast || parent != lastParent) {
            lastParent = parent;
            numbersOfLast = &byParent[parent];
        }
        numbersOfLast->append(row.row());
    }
    QItemSelection selection;
    for (auto it = byParent.begin(); it != byParent.end(); ++it) {
        QVector<int> &numbers = it.value();
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        const QAbstractItemModel *model = rows.first().model();
        for (int i = 0; i < numbers.size();) {
            int last = i;
            while (last + 1 < numbers.size() && numbers.at(last + 1) == numbers.at(last) + 1)
                ++last;
            selection.append(
                QItemSelectionRange(model->index(numbers.at(i), 0, it.key()),
                                    model->index(numbers.at(last), lastColumn, it.key())));
            i = last + 1;
        }
    }
    return selection;
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
