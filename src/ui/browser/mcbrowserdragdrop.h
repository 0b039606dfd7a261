#ifndef MCBROWSERDRAGDROP_H
#define MCBROWSERDRAGDROP_H

#include "mcabstractobjectnode.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <functional>

class AlertPresenter;
class MCBrowsableViewController;
class QAbstractItemView;
class MCNavigation;
class MCOptions;
class MCTransferStarter;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QMouseEvent;

// Drag and drop on a browser view (the icon view's grid, the list view's outline), installed on
// its item view:
// - local files dropped in (a URI list from the file manager) are uploaded into the folder
//   shown (or the one setDropFolder() names), always as a copy;
// - remote items dragged inside the window (the private type) move into that folder;
// - items dragged out travel as the private type; a single file offers the X direct save,
//   which downloads it into the folder the file manager names; a drag that no target takes
//   ends in a folder chooser and downloads there;
// - a drag that rests on a folder opens it (spring-loaded folders), unless the folder is among
//   the items dragged: that one stays highlighted and takes nothing.
// A drop onto a folder item is refused: resting there opens it instead. The list view, whose
// folders are rows of a tree, takes drops onto a folder row into that folder instead
// (setDropsOntoFolders()).
class MCBrowserDragDrop : public QObject
{
    Q_OBJECT
public:
    // Asks for a folder, then calls back with it (empty: cancelled); never blocks.
    using FolderChooser =
        std::function<void(QWidget *parent, std::function<void(const QString &folder)> chosen)>;

    // None is owned; navigation gives the folder shown and opens folders, transfers downloads
    // and uploads, alerts shows the refusals on sheetWindow.
    MCBrowserDragDrop(MCBrowsableViewController *view, QAbstractItemView *itemView,
                      MCNavigation *navigation, MCTransferStarter *transfers,
                      const MCOptions *options, AlertPresenter *alerts, QWidget *sheetWindow);
    ~MCBrowserDragDrop() override;

    // The default chooser is a window-modal folder dialog.
    void setFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }
    // Where drops go: the folder shown (the navigation's current folder) unless told otherwise, as
    // a column of the column view is, which drops into the folder it lists.
    void setDropFolder(std::function<MCNodePtr()> folder) { m_dropFolder = std::move(folder); }
    // A drop onto a folder item goes into that folder, and resting there opens nothing.
    void setDropsOntoFolders(bool onto) { m_dropsOntoFolders = onto; }

    // The payload of a drag of nodes out of the view.
    QMimeData *mimeDataForNodes(const MCNodeList &nodes) const;
    // Downloads the files among nodes into folder (a free name where one is taken); a folder
    // among them gets a warning and is left out.
    void downloadDraggedNodes(const MCNodeList &nodes, const QString &folder);
    // A spring-loading sequence waits or blinks.
    bool isSpringLoading() const { return !m_springPath.isEmpty(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool mousePressed(QMouseEvent *event);
    bool mouseMoved(QMouseEvent *event);
    bool mouseReleased(QMouseEvent *event);
    void startDrag();
    void dragMoved(QDragMoveEvent *event);
    void dropped(QDropEvent *event);
    MCNodePtr dropFolder() const;
    bool moveRemoteItems(const QStringList &paths, const MCNodePtr &target);
    void uploadLocalFiles(const QStringList &paths, bool optionHeld, const QString &target);
    static MCNodePtr nodeAt(const QModelIndex &index);
    MCNodePtr folderNodeAt(const QPoint &position) const;
    void springTo(const QModelIndex &index);
    void springTick();
    void stopSpring();
    void showSelected(bool selected);

    MCBrowsableViewController *m_view;
    QAbstractItemView *m_itemView;
    QPointer<QWidget> m_viewport;
    MCNavigation *m_navigation;
    MCTransferStarter *m_transfers;
    const MCOptions *m_options;
    AlertPresenter *m_alerts;
    QPointer<QWidget> m_sheetWindow;
    FolderChooser m_folderChooser;
    std::function<MCNodePtr()> m_dropFolder;
    bool m_dropsOntoFolders = false;
    QPoint m_pressPoint;
    QPersistentModelIndex m_pressIndex;
    bool m_pressKeptSelection = false;
    bool m_dragging = false;
    QTimer m_springTimer;
    QString m_springPath;
    int m_springTicks = 0;
};

#endif // MCBROWSERDRAGDROP_H
