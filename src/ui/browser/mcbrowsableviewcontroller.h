#ifndef MCBROWSABLEVIEWCONTROLLER_H
#define MCBROWSABLEVIEWCONTROLLER_H

#include "mcabstractobjectnode.h"
#include "mcnodetreeupdater.h"
#include "mcrowselection.h"

#include <QAtomicInteger>
#include <QDeadlineTimer>
#include <QItemSelection>
#include <QModelIndex>
#include <QPointer>
#include <QSharedPointer>
#include <QVector>
#include <QWidget>

#include <functional>

class AlertPresenter;
class QLabel;
class QTimer;
class MCBrowsableViewsHelper;
class MCOptions;
class MONotificationCenter;
class MOObjectsManager;
class QAbstractItemView;
struct MOPostedNotification;

// The base of the icon, list and column views of the remote store: the folder each view shows
// (its own copy of the current node, so badges and placeholders stay per view) and the tree
// updater that keeps that copy in step with the objects facade's notifications. Folder changes
// go through changeToPath(), which every view shares. Main thread only.
class MCBrowsableViewController : public QWidget
{
    Q_OBJECT
public:
    using CompletionBlock = std::function<void()>;

    // Subscribes to objectsManager's notifications; objectsManager may be null (no updates).
    explicit MCBrowsableViewController(MOObjectsManager *objectsManager = nullptr,
                                       QWidget *parent = nullptr);
    ~MCBrowsableViewController() override;

    // The browser's navigation entry: asks for the folder's metadata marked as a navigation
    // request; completion (may be empty) runs once every view has the folder's children, or
    // once the service has said the folder cannot be shown. Does nothing before a helper is
    // installed.
    static void changeToPath(const QString &path, QObject *sender, CompletionBlock completion);
    // The helper that carries the navigation entry; not owned, forgotten when destroyed.
    static void setHelper(MCBrowsableViewsHelper *helper);
    static MCBrowsableViewsHelper *helper();

    // The folder shown: a copy of node, whose children this view builds itself.
    MCNodePtr currentNode() const { return m_updater.rootNode(); }
    void setCurrentNode(const MCNodePtr &node);
    MCNodeTreeUpdater &updater() { return m_updater; }

    // Only the view on screen keeps rows: a folder of many thousands costs a tree of nodes
    // per view otherwise. An inactive view follows the folder but builds no children, and
    // ignores listings and live updates. Views start active.
    bool isActive() const { return m_active; }
    // Makes this view the one that keeps rows. It takes over from's tree of the folder shown
    // (rows, badges, placeholders; from becomes inactive), so that the same nodes, and with
    // them the selection, carry over at once; without a complete tree to take, the folder is
    // listed again (from the objects facade's cache).
    void activate(MCBrowsableViewController *from);
    // Drops the rows (the folder stays) until the view is activated again.
    void deactivate();

    // A listing arrived (handed on by the helper, so that the views have their children before
    // the navigation's completion runs). A large one is made into nodes and sorted on another
    // thread and handed to the view in slices, one per turn of the event loop; live updates
    // that come meanwhile are applied after it, in order.
    void listingArrived(const MOPostedNotification &notification);
    // A large listing of path is still being made into rows.
    bool isLoadingListing(const QString &path) const;
    // The folder at path was asked for again: while it is the folder shown after a failure,
    // the view says it is loading.
    void listingRequested(const QString &path);
    // The folder at path could not be listed, for reason: while it is the folder shown, the
    // view drops the rows it had (they may no longer be what the service holds) and says so.
    void listingFailed(const QString &path, const QString &reason);

    // What the view says over the folder shown: nothing once its children are in, "Loading…"
    // (after a short while, so that quick listings do not flash it) until they are, and a
    // failure with its reason when they could not be had. The text is a label over the view.
    enum class LoadState { Loaded, Loading, Failed };
    LoadState loadState() const { return m_loadState; }
    QLabel *loadStateLabel() const { return m_loadStateLabel; }

    // The order of the items: a sort code 10-19 (10 + 2 * criterion, one more when descending;
    // criteria name, kind, date modified, date added, size); -1 for a view that does not sort.
    virtual qint64 sortType() const { return -1; }
    virtual void setSortType(qint64 sortType) { Q_UNUSED(sortType) }

    virtual MCNodeList getSelectedItems() const { return {}; }
    virtual void preserveSelection(const MCNodeList &nodes) { Q_UNUSED(nodes) }
    // Selects exactly the shown nodes among nodes.
    virtual void selectNodes(const MCNodeList &nodes) { Q_UNUSED(nodes) }
    // The selection as runs of the shown folder's rows, for the next view to take over;
    // invalid when it holds rows of another folder.
    virtual MCRowSelection selectedRows() const { return {}; }
    // Selects rows as preserveSelection() would select their nodes, and says how many items
    // are selected then; -1 when the shown folder no longer holds the rows in that order.
    virtual int preserveSelectedRows(const MCRowSelection &rows)
    {
        Q_UNUSED(rows)
        return -1;
    }
    // Starts editing the name of the one selected item in place.
    virtual void startRename() {}
    // The row that shows the node at path; invalid when none does.
    virtual QModelIndex indexOfPath(const QString &path) const
    {
        Q_UNUSED(path)
        return QModelIndex();
    }
    // Where the selected items are on screen (global coordinates); null when none is shown.
    virtual QRect selectedRect() const { return QRect(); }

    // --- Opening and naming (mcbrowsableviewfileactions.cpp) ---

    // What opening files and naming items need besides the objects facade: the options
    // ("OpenArchiveDefaultAction"), the presenter of the warnings, and the core's messages
    // (a refused rename or new folder). None is owned; each may be null.
    void setActionServices(MCOptions *options, AlertPresenter *alerts,
                           MONotificationCenter *coreMessages);
    // Opens nodes as a user's "Open" does: a folder that is the only node is entered (as
    // navigationRequested), other folders are skipped; each file is opened in its default
    // application (downloaded into the cache first; edits are uploaded) unless it is an
    // archive the user declines to open. Busy nodes and placeholders are skipped.
    void openNodes(const MCNodeList &nodes);
    // Shows node (an MCFakeNode folder, "Untitled Folder" say) at path, in this view only,
    // until the service lists it; with shouldBeginEditing its name is edited in place first,
    // and the folder is created once the name is chosen (under its own name when the typed
    // one is refused or the edit is cancelled).
    virtual void addPlaceholderNode(const MCNodePtr &node, const QString &path,
                                    bool shouldBeginEditing);
    // Selects the node (or the placeholder) at path and edits its name, after the current
    // call has returned.
    void startRenamingNodeAtPath(const QString &path, bool isPlaceholder);
    // A rename or new folder the service refused: the renamed node is usable again under its
    // old name; a placeholder being created goes away.
    void abortRenamingNodeAtPath(const QString &path);
    // Selects exactly the items at paths that the view shows. Paths the folder does not show
    // yet (a file that has just arrived) are selected with the others when an update brings
    // them, unless the selection changes or the folder is left first.
    void selectPaths(const QStringList &paths);
    // Selects the placeholders at paths, making them selectable again.
    void selectPlaceholdersAtPaths(const QStringList &paths);
    // The widget that takes the keyboard focus when this view is shown.
    virtual QWidget *firstResponder() const
    {
        return const_cast<MCBrowsableViewController *>(this);
    }
    // The names now shown, in order; for tests and the status text.
    virtual QStringList shownNames() const { return {}; }

signals:
    void selectedCountChanged(qint64 count);
    // A large listing is shown in full, or was dropped for another folder.
    void listingLoaded(const QString &path);
    // The user asked to show a folder (a double click on it, say).
    void navigationRequested(const QString &path);
    // The items were put in another order (setSortType()).
    void sortTypeChanged(qint64 sortType);

protected:
    MOObjectsManager *objectsManager() const;
    // The browser moved to node: a view whose tree already holds it may show it there and
    // answer true; otherwise the view starts again from a copy of node.
    virtual bool moveToNode(const MCNodePtr &node)
    {
        Q_UNUSED(node)
        return false;
    }
    // The folder whose children the status bar counts: the view's own node by default.
    virtual MCNodePtr shownFolder() const { return m_updater.rootNode(); }
    // The view's node changed, or its children were edited by a notification.
    virtual void currentNodeChanged(const MCNodePtr &node) { Q_UNUSED(node) }
    virtual void childrenEdited() {}
    // An item's name edit ended with text typed: checks the name (a warning for an unusable
    // or taken one) and sends the rename, or, for a folder being named, creates it. False
    // when the item keeps its old name.
    bool endNameEditing(const MCNodePtr &node, const QString &typedName);
    // The edit of a folder being named was cancelled: it is created under its own name.
    void cancelNameEditing(const MCNodePtr &node);
    // A right click at pos in view (its viewport's coordinates): on an item that is not
    // selected, the item alone is selected; the hub's menu for a selection, or the background's
    // (a busy item offers nothing of its own, nor one with a state of noMenuStates()).
    void popUpContextMenu(QAbstractItemView *view, const QPoint &pos);
    // Items with one of these state bits are not acted on from their context menu: a right
    // click on one shows the background's menu and leaves the selection as it is. None by
    // default.
    void setNoMenuStates(quint64 states) { m_noMenuStates = states; }
    // Where view shows its selected items, in global coordinates; null when none is in sight.
    static QRect selectedRectOf(const QAbstractItemView *view);
    // The rows (column 0 indexes) as a selection of one range per run of adjacent rows under
    // the same parent, through lastColumn: a large selection held row by row makes every
    // selection query and repaint walk all of it.
    static QItemSelection selectionOfRows(const QVector<QModelIndex> &rows, int lastColumn = 0);

    // While this view is on screen, its folder's children count becomes the hub's total.
    void announceChildrenCount();

    void resizeEvent(QResizeEvent *event) override;

private:
    void objectsNotification(const MOPostedNotification &notification);
    void loadLargeListing(const MCNodePtr &folder, const QList<MOStorageObject> &objects);
    // Hands the made nodes to the folder from row from on, a slice per turn.
    void handOverRows(quint64 load, const QWeakPointer<MCAbstractObjectNode> &folder,
                      const MCNodeList &rows, int from);
    void finishHandOver(quint64 load, const QWeakPointer<MCAbstractObjectNode> &weakFolder);
    // The load is over (shown, or dropped): the updates held back meanwhile are applied.
    void endLoad();
    // Applies the live updates held back, in order, and holds back those that come in the
    // next moments.
    void applyHeldBack();
    void coreMessage(const MOPostedNotification &notification);
    // Whether a child of node's folder other than busy nodes and placeholders has name; warns
    // when it has.
    bool filenameInCurrentPathAlredyExists(const QString &name, const MCNodePtr &node);
    void createFolder(const MCNodePtr &placeholder);
    bool showsFolder(const QString &path) const;
    // The view's tree becomes a childless copy of the folder given last.
    void showBareFolder();
    void setLoadState(LoadState state);
    // Selects the paths still waiting to be selected once the view shows every one of them.
    void selectPendingPaths();
    // Selects the folder named in place once the service has made it, as the placeholder was.
    void selectMadeFolder();

    MCNodeTreeUpdater m_updater;
    // The folder last given to setCurrentNode() (the hub's node, without children), which an
    // inactive view keeps a bare copy of.
    MCNodePtr m_folder;
    bool m_active = true;
    quint64 m_noMenuStates = 0;
    // The large listing being loaded, by number (a newer one or another folder drops it), the
    // folder's path, and the live updates held back until it is shown or, otherwise, until
    // m_updatesDelay ends.
    QSharedPointer<QAtomicInteger<quint64>> m_load;
    QString m_loadingPath;
    QVector<MOPostedNotification> m_heldBack;
    QTimer *m_updatesDelay;
    QPointer<MOObjectsManager> m_objectsManager;
    QPointer<MCOptions> m_options;
    AlertPresenter *m_alerts = nullptr;
    LoadState m_loadState = LoadState::Loaded;
    QString m_failureReason;
    QLabel *m_loadStateLabel;
    QTimer *m_loadingDelay;
    // What selectPaths() was asked for while some of it was not shown yet, and until when.
    QStringList m_pendingSelection;
    QDeadlineTimer m_pendingSelectionDeadline;
    bool m_selectingPaths = false;
    // The new folder sent to the service, to be selected when it comes; forgotten when the
    // user selects something else meanwhile.
    QString m_folderBeingMade;
};

#endif // MCBROWSABLEVIEWCONTROLLER_H
