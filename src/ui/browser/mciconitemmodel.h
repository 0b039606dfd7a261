#ifndef MCICONITEMMODEL_H
#define MCICONITEMMODEL_H

#include "mcabstractobjectnode.h"
#include "mcnodeobserver.h"
#include "mcpreviewgeneratordelegate.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QScopedPointer>

class MCIconItemModelPrivate;
class MCPreviewGenerator;

// The icon view's rows: the children of the folder node it shows, in the node's order, with
// their names, icons or thumbnails, badges and extra lines. It follows the node's changes
// (listings, additions, removals, new order, badges) and the thumbnails the preview
// generator decodes. Thumbnails are asked for lazily, when a row's decoration is first read,
// at the bucket (32, 128, 512) that covers the icon size, and again only when the icon grows
// past it. Busy rows cannot be selected. Main thread only.
class MCIconItemModel
    : public QAbstractListModel
    , public MCNodeObserver
    , public MCPreviewGeneratorDelegate
{
    Q_OBJECT
public:
    enum Role {
        NodeRole = Qt::UserRole + 1, // MCNodePtr
        FilePathRole,
        BadgeRole, // QPixmap, null without a badge
        StatesRole,
        BusyRole,
        PlaceholderRole,
        IsDirRole,
        KindRole,
        SizeRole,
        DateModifiedRole,
        AdditionalInfoRole,
        IsThumbnailRole, // the decoration is a thumbnail (drawn framed), not a file icon
    };

    explicit MCIconItemModel(QObject *parent = nullptr);
    ~MCIconItemModel() override;

    MCNodePtr rootNode() const;
    // Shows node's children; node may be null.
    void setRootNode(const MCNodePtr &node);
    MCNodePtr nodeAt(const QModelIndex &index) const;
    QModelIndex indexOfPath(const QString &path) const;

    void setPreviewGenerator(MCPreviewGenerator *generator);
    bool showPreview() const;
    void setShowPreview(bool show);
    // The icon box's side in pixels; the thumbnail bucket follows it.
    int iconSize() const;
    void setIconSize(int size);
    uint previewSize() const;
    // The icon view's "AdditionalInfoType" option; invalid for none.
    void setAdditionalInfoType(const QVariant &type);

    // Sort codes 10 + 2 x field + direction: field 0 name, 1 kind, 2 date modified, 3 date
    // added, 4 size; direction 0 ascending, 1 descending. Every code is kept, but date added
    // (16, 17) and codes outside 10-19 have no order of their own: the order before stays
    // (and applies to new rows); false for those.
    bool setSortType(int sortType);
    int sortType() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;
    // Column 0 only: by name.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void nodeChildrenAboutToBeReset(MCAbstractObjectNode *node) override;
    void nodeChildrenReset(MCAbstractObjectNode *node) override;
    void nodeChildrenAboutToBeInserted(MCAbstractObjectNode *node, int first, int last) override;
    void nodeChildrenInserted(MCAbstractObjectNode *node) override;
    void nodeChildrenAboutToBeRemoved(MCAbstractObjectNode *node, int first, int last) override;
    void nodeChildrenRemoved(MCAbstractObjectNode *node) override;
    void nodeChildrenAboutToBeReordered(MCAbstractObjectNode *node) override;
    void nodeChildrenReordered(MCAbstractObjectNode *node) override;
    void nodeChildChanged(MCAbstractObjectNode *node, int row) override;
    void previewUpdatedForNodeWithThumbnailAndSize(const QString &path, const QPixmap &thumbnail,
                                                   uint size) override;

private:
    Q_DECLARE_PRIVATE(MCIconItemModel)
    QScopedPointer<MCIconItemModelPrivate> d_ptr;
};

#endif // MCICONITEMMODEL_H
