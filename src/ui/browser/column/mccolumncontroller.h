#ifndef MCCOLUMNCONTROLLER_H
#define MCCOLUMNCONTROLLER_H

#include "mcbrowsableviewcontroller.h"

#include <QTimer>

#include <functional>

class MCBrowser;
class MCLeafController;
class MCListNameDelegate;
class MCNodeTreeModel;
class MCOptions;
class MCPreviewGenerator;
class QAbstractItemView;

// The column view of the remote store: side-by-side columns over MCNodeTreeModel, each listing
// one folder; selecting a folder shows it (the browser moves there, and its children fill the
// next column), selecting a file shows the preview pane (MCLeafController) as the last column,
// unless the "PreviewColumn" option of the "MCColumnController" dictionary is off. The tree
// starts at the folder the view was given and keeps it while the browser moves below it.
// Columns are 200 points wide; the preview column takes the rest of the width, at least 200.
// Return (or F2) names the selected item in place; a double click on a file opens it; a right
// click shows the hub's context menus; a click beside the rows of a column goes to its folder.
// Rows being transferred or renamed cannot be selected.
class MCColumnController : public MCBrowsableViewController
{
    Q_OBJECT
public:
    static constexpr int ColumnWidth = 200;

    // options and previews may be null; neither is owned.
    MCColumnController(MOObjectsManager *objectsManager, MCOptions *options,
                       MCPreviewGenerator *previews, QWidget *parent = nullptr);
    ~MCColumnController() override;

    MCBrowser *browser() const { return m_browser; }
    MCNodeTreeModel *treeModel() const { return m_model; }
    MCLeafController *leafController() const { return m_leafController; }
    // The folder the browser has moved to (the view's own node of it).
    MCNodePtr currentFolder() const;

    qint64 sortType() const override { return m_sortType; }
    void setSortType(qint64 sortType) override;
    // Follows the "PreviewColumn" option: shows or hides the preview of the selected file.
    void showPreviewColumn(bool show);
    bool isPreviewColumnShown() const;
    // The width of the preview column in a browser width wide whose other columns are
    // columnWidths wide: what is left after them and their dividers, at least 200.
    static int previewColumnWidth(int width, const QList<int> &columnWidths);
    // Runs setUp on every column the browser shows now and on each it opens later (drag and
    // drop, say); a column's own objects die with it.
    void setColumnSetUp(std::function<void(QAbstractItemView *column)> setUp);
    // The folder a column lists.
    MCNodePtr folderOfColumn(const QAbstractItemView *column) const;

    MCNodeList getSelectedItems() const override;
    MCRowSelection selectedRows() const override;
    int preserveSelectedRows(const MCRowSelection &rows) override;
    void preserveSelection(const MCNodeList &nodes) override;
    void selectNodes(const MCNodeList &nodes) override;
    void startRename() override;
    QRect selectedRect() const override;
    bool isEditingName() const;
    QWidget *firstResponder() const override;
    // The names in the column of the current folder.
    QStringList shownNames() const override;

protected:
    bool moveToNode(const MCNodePtr &node) override;
    MCNodePtr shownFolder() const override { return currentFolder(); }
    void currentNodeChanged(const MCNodePtr &node) override;
    void childrenEdited() override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    void columnCreated(QAbstractItemView *column);
    void currentChanged(const QModelIndex &current);
    void previewRequested(const QModelIndex &index);
    void previewFollowsCurrentItem();
    void sizeColumns();
    void showFolderInBrowser(const MCNodePtr &folder);
    // The shown column that lists folder; null when none does.
    QAbstractItemView *columnListing(const QModelIndex &folder) const;

    MCOptions *m_options;
    MCBrowser *m_browser;
    MCNodeTreeModel *m_model;
    MCListNameDelegate *m_delegate;
    MCLeafController *m_leafController;
    QWeakPointer<MCAbstractObjectNode> m_currentFolder;
    QList<int> m_columnWidths; // as last set here
    std::function<void(QAbstractItemView *)> m_columnSetUp;
    QTimer m_previewUpdate;
    qint64 m_sortType = 10;
    bool m_moving = false;    // the browser is being moved, not by the user
    bool m_rowsGoing = false; // rows are being removed from the model
};

#endif // MCCOLUMNCONTROLLER_H
