#ifndef MCICONCONTROLLER_H
#define MCICONCONTROLLER_H

#include "mcbrowsableviewcontroller.h"

class MCIconItemDelegate;
class MCIconItemModel;
class MCOptions;
class MCPreviewGenerator;
class QListView;

// The icon view of the remote store: the current folder's children as a grid of icons or
// thumbnails with their names, sorted by the "SortBy" option (names compare naturally), over
// MCIconItemModel and drawn by MCIconItemDelegate. Its options live in the "MCIconController"
// dictionary of options; absent keys get their defaults written on construction. A double click
// (or Ctrl+O, Ctrl+Down) opens: a folder is shown, a file opened in its application. Return
// (or F2) names the selected item in place. A right click shows the hub's context menus.
class MCIconController : public MCBrowsableViewController
{
    Q_OBJECT
public:
    // options and previews may be null (defaults, no thumbnails); neither is owned.
    MCIconController(MOObjectsManager *objectsManager, MCOptions *options,
                     MCPreviewGenerator *previews, QWidget *parent = nullptr);
    ~MCIconController() override;

    // The line under each item: 0 date modified, 1 size (items in a folder), 2 kind, 3 a
    // placeholder text; -1 (or anything else) none. Kept as "AdditionalInfoType".
    void additionalFileInfoChangedTo(qint64 type);

    QListView *collectionView() const { return m_collectionView; }
    MCIconItemModel *itemModel() const { return m_model; }
    qint64 sortType() const override;
    // Sort codes 10-19 (see MCIconItemModel); stored under "SortBy" whatever the code.
    void setSortType(qint64 sortType) override;
    bool showPreview() const;

    MCNodeList getSelectedItems() const override;
    MCRowSelection selectedRows() const override;
    int preserveSelectedRows(const MCRowSelection &rows) override;
    void preserveSelection(const MCNodeList &nodes) override;
    void selectNodes(const MCNodeList &nodes) override;
    void startRename() override;
    QModelIndex indexOfPath(const QString &path) const override;
    QRect selectedRect() const override;
    // An item's name is being edited in place.
    bool isEditingName() const;
    QWidget *firstResponder() const override;
    QStringList shownNames() const override;

protected:
    void currentNodeChanged(const MCNodePtr &node) override;

private:
    void loadOptions();
    // The options that change how the items look, as they are now.
    void applyLook();
    void showAdditionalInfo(const QVariant &type);
    int m_iconSide = 140; // "IconSize" in force
    void setIconSize(int size);
    void doubleClick(const QModelIndex &index);
    // A right click at pos (the grid's coordinates): the selection's or the background's menu.
    void contextMenuRequested(const QPoint &pos);

    MCOptions *m_options;
    QListView *m_collectionView;
    MCIconItemModel *m_model;
    MCIconItemDelegate *m_delegate;
};

#endif // MCICONCONTROLLER_H
