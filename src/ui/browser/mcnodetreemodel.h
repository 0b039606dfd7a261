#ifndef MCNODETREEMODEL_H
#define MCNODETREEMODEL_H

#include "mcabstractobjectnode.h"
#include "mcnodeobserver.h"

#include <QAbstractItemModel>
#include <QScopedPointer>

class MCDateFormatter;
class MCNodeTreeModelPrivate;

// The list and column views' rows: a folder node's children, and below each folder its own
// children as far as they are loaded, in the nodes' order. Columns are the list view's: name
// (with the file icon), date modified, date added, size, kind and status (the state badge). It
// follows every shown folder's changes through MCNodeObserver (listings, additions, removals,
// new order, badges). Folders always say they may have children; a folder not listed yet has
// none until its listing arrives. Busy rows cannot be selected, nor rows with one of the
// unselectable state bits. Main thread only.
class MCNodeTreeModel
    : public QAbstractItemModel
    , public MCNodeObserver
{
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        DateModifiedColumn,
        DateAddedColumn,
        SizeColumn,
        KindColumn,
        StatusColumn,
        ColumnCount
    };
    enum Role {
        NodeRole = Qt::UserRole + 1, // MCNodePtr, as every browser model answers it
        FilePathRole,
        BadgeRole, // QPixmap, null without a badge
        BusyRole,
        SortValueRole, // the raw value of the column (a date, a byte count)
    };

    explicit MCNodeTreeModel(QObject *parent = nullptr);
    ~MCNodeTreeModel() override;

    MCNodePtr rootNode() const;
    // Shows node's children; node may be null.
    void setRootNode(const MCNodePtr &node);
    MCNodePtr nodeAt(const QModelIndex &index) const;
    // The row of the loaded node at path (column 0); invalid for the root or a path not loaded.
    QModelIndex indexOfPath(const QString &path) const;
    QModelIndex indexOfNode(const MCAbstractObjectNode *node, int column = 0) const;
    // A node of the shown folder (a view switch hands them over) by its row, any other by its
    // path.
    QModelIndex indexOfShownNode(const MCNodePtr &node) const;
    // A column's identifier in the options ("FileName", "FileDateModified", ...) and back.
    static QString columnIdentifier(int column);
    static int columnForIdentifier(const QString &identifier);

    // How the date column reads; the formatter is the model's own.
    MCDateFormatter &dateFormatter();
    // Redraws the dates after the formatter changed.
    void datesChanged();

    // Sort codes 10 + 2 x field + direction (field 0 name, 1 kind, 2 date modified, 4 size;
    // direction 0 ascending, 1 descending) order every loaded folder, and the folders listed
    // later. Other codes are kept but order nothing: false for those.
    bool setSortType(int sortType);
    int sortType() const;
    // Orders the loaded folders again by the sort in force (after additions and listings).
    void sortAgain();
    // Rows whose node has any of these state bits cannot be selected (the column view's
    // transferring and renamed rows), except a new folder being named; none by default.
    void setUnselectableStates(quint64 states);
    // Whether node's row can be selected (flags() says ItemIsSelectable).
    bool isSelectable(const MCAbstractObjectNode *node) const;

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void nodeChildrenAboutToBeReset(MCAbstractObjectNode *node) override;
    void nodeChildrenReset(MCAbstractObjectNode *node) override;
    void nodeChildrenAboutToBeInserted(MCAbstractObjectNode *node, int first, int last) override;
    void nodeChildrenInserted(MCAbstractObjectNode *node) override;
    void nodeChildrenAboutToBeRemoved(MCAbstractObjectNode *node, int first, int last) override;
    void nodeChildrenRemoved(MCAbstractObjectNode *node) override;
    void nodeChildrenAboutToBeReordered(MCAbstractObjectNode *node) override;
    void nodeChildrenReordered(MCAbstractObjectNode *node) override;
    void nodeChildChanged(MCAbstractObjectNode *node, int row) override;

private:
    Q_DECLARE_PRIVATE(MCNodeTreeModel)
    QScopedPointer<MCNodeTreeModelPrivate> d_ptr;
};

#endif // MCNODETREEMODEL_H
