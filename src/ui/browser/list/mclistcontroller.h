#ifndef MCLISTCONTROLLER_H
#define MCLISTCONTROLLER_H

#include "mcbrowsableviewcontroller.h"

#include <QTimer>

class MCListNameDelegate;
class MCNodeTreeModel;
class MCOptions;
class QMenu;
class QTreeView;

// The list view of the remote store: the folder shown as an outline over MCNodeTreeModel, one
// row per item with its name, dates, size, kind and state badge. A folder opens in place; one
// not listed yet is listed then. A click on a header sorts by that column (names and kinds
// first from A, dates and sizes first from the largest) and a second click reverses it; the
// header's context menu shows and hides the columns other than the name. Its options live in
// the "MCListController" dictionary: "ColumnsVisibility" (column identifier to shown, all shown
// by default) and "RelativeDates" (on by default: today's and yesterday's dates say so). The
// date column's style follows its width. Return (or F2) names the selected item in place; a
// double click (or Ctrl+O, Ctrl+Down) opens; a right click shows the hub's context menus.
class MCListController : public MCBrowsableViewController
{
    Q_OBJECT
public:
    // options may be null (defaults); it is not owned.
    MCListController(MOObjectsManager *objectsManager, MCOptions *options,
                     QWidget *parent = nullptr);
    ~MCListController() override;

    QTreeView *outlineView() const { return m_outlineView; }
    MCNodeTreeModel *treeModel() const { return m_model; }
    // The header's menu of columns to show.
    QMenu *menuColumns() const { return m_menuColumns; }

    // Sort codes as the icon view has them; date added and other codes are kept but change
    // nothing. Not saved.
    qint64 sortType() const override { return m_sortType; }
    void setSortType(qint64 sortType) override;
    // What a click on the header of column does.
    void headerClicked(int column);

    // Shows or hides the column of identifier ("FileDateModified", "FileDateAdded",
    // "FileSize", "FileKind") and stores it under "ColumnsVisibility".
    void toggleColumn(const QString &identifier, bool visible);
    bool isColumnVisible(const QString &identifier) const;
    // Stores "RelativeDates" and redraws the dates.
    void useRelativeDates(bool relative);
    // The date column's style for its width.
    void columnWidthChanged(int width);

    MCNodeList getSelectedItems() const override;
    MCRowSelection selectedRows() const override;
    int preserveSelectedRows(const MCRowSelection &rows) override;
    void preserveSelection(const MCNodeList &nodes) override;
    void selectNodes(const MCNodeList &nodes) override;
    void startRename() override;
    QRect selectedRect() const override;
    QModelIndex indexOfPath(const QString &path) const override;
    bool isEditingName() const;
    QWidget *firstResponder() const override;
    QStringList shownNames() const override;

protected:
    void currentNodeChanged(const MCNodePtr &node) override;
    void childrenEdited() override;

private:
    void loadOptions();
    void setHeaderMenu();
    void updateHeaderMenu();
    void expanded(const QModelIndex &index);
    void doubleClick(const QModelIndex &index);
    void fitKindColumn();

    MCOptions *m_options;
    QTreeView *m_outlineView;
    MCNodeTreeModel *m_model;
    MCListNameDelegate *m_nameDelegate;
    QMenu *m_menuColumns;
    qint64 m_sortType = 10;
    // Where the header shows the order in force.
    int m_indicatorColumn = -1;
    Qt::SortOrder m_indicatorOrder = Qt::AscendingOrder;
    QTimer m_kindFit;
    bool m_fittingKind = false;
    bool m_kindWidthChosen = false; // the user has resized the kind column
};

#endif // MCLISTCONTROLLER_H
