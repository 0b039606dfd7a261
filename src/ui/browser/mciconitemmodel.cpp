#include "mciconitemmodel.h"

#include "mcpreviewgenerator.h"
#include "mcremotepath.h"
#include "mcstring.h"

#include <QHash>

namespace {

uint bucketFor(int side)
{
    if (side <= 32)
        return 32;
    if (side <= 128)
        return 128;
    return 512;
}

} // namespace

class MCIconItemModelPrivate
{
public:
    struct Preview
    {
        QPixmap image;
        uint size = 0;          // the bucket last asked for
        bool retrieved = false; // a thumbnail arrived
    };

    MCNodePtr root;
    QPointer<MCPreviewGenerator> generator;
    bool showPreview = true;
    int iconSize = 64;
    QVariant additionalInfoType;
    int sortType = 10;
    // The order in force: a code without one of its own (date added) keeps the one before.
    int sortKey = MCAbstractObjectNode::SortByName;
    bool ascending = true;
    // By path: a listing makes new nodes for the same files.
    mutable QHash<QString, Preview> previews;
    QVector<MCAbstractObjectNode *> reorderedNodes;
};

MCIconItemModel::MCIconItemModel(QObject *parent)
    : QAbstractListModel(parent)
    , d_ptr(new MCIconItemModelPrivate)
{
    qRegisterMetaType<MCNodePtr>();
}

MCIconItemModel::~MCIconItemModel()
{
    Q_D(MCIconItemModel);
    if (d->root)
        d->root->removeObserver(this);
    if (d->generator)
        d->generator->removeDelegate(this);
}

MCNodePtr MCIconItemModel::rootNode() const
{
    return d_func()->root;
}

void MCIconItemModel::setRootNode(const MCNodePtr &node)
{
    Q_D(MCIconItemModel);
    if (node == d->root)
        return;
    beginResetModel();
    if (d->root)
        d->root->removeObserver(this);
    d->root = node;
    d->previews.clear();
    if (node) {
        // The folder keeps its children in this order from now on, listings and updates too.
        node->sortChildrenByKey(d->sortKey, d->ascending);
        node->addObserver(this);
    }
    endResetModel();
}

MCNodePtr MCIconItemModel::nodeAt(const QModelIndex &index) const
{
    Q_D(const MCIconItemModel);
    if (!d->root || !index.isValid() || index.model() != this || index.row() < 0 ||
        index.row() >= d->root->children().size())
        return MCNodePtr();
    return d->root->children().at(index.row());
}

QModelIndex MCIconItemModel::indexOfPath(const QString &path) const
{
    Q_D(const MCIconItemModel);
    if (!d->root)
        return QModelIndex();
    const MCNodePtr child = d->root->childNamed(MCRemotePath::lastComponent(path));
    if (!child || child->filePath() != path)
        return QModelIndex();
    const int row = d->root->rowOfChild(child.data());
    return row < 0 ? QModelIndex() : index(row);
}

void MCIconItemModel::setPreviewGenerator(MCPreviewGenerator *generator)
{
    Q_D(MCIconItemModel);
    if (d->generator)
        d->generator->removeDelegate(this);
    d->generator = generator;
    if (generator)
        generator->addDelegate(this);
}

bool MCIconItemModel::showPreview() const
{
    return d_func()->showPreview;
}

void MCIconItemModel::setShowPreview(bool show)
{
    Q_D(MCIconItemModel);
    if (show == d->showPreview)
        return;
    d->showPreview = show;
    // Switched off, every row falls back to its file icon.
    d->previews.clear();
    if (rowCount())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole, IsThumbnailRole});
}

int MCIconItemModel::iconSize() const
{
    return d_func()->iconSize;
}

void MCIconItemModel::setIconSize(int size)
{
    Q_D(MCIconItemModel);
    if (size == d->iconSize)
        return;
    const uint bucket = bucketFor(size);
    d->iconSize = size;
    // A growing icon asks again at the larger bucket; a shrinking one keeps what it has.
    bool grew = false;
    for (auto it = d->previews.begin(); it != d->previews.end(); ++it) {
        if (it->size < bucket) {
            it->retrieved = false;
            grew = true;
        }
    }
    if (grew && rowCount())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole, IsThumbnailRole});
}

uint MCIconItemModel::previewSize() const
{
    return bucketFor(d_func()->iconSize);
}

void MCIconItemModel::setAdditionalInfoType(const QVariant &type)
{
    Q_D(MCIconItemModel);
    d->additionalInfoType = type;
    if (rowCount())
        emit dataChanged(index(0), index(rowCount() - 1), {AdditionalInfoRole});
}

bool MCIconItemModel::setSortType(int sortType)
{
    Q_D(MCIconItemModel);
    d->sortType = sortType;
    const int field = (sortType - 10) / 2;
    const bool ordered = sortType >= 10 && sortType <= 19 && field != 3;
    if (ordered) {
        d->sortKey = MCAbstractObjectNode::sortKeyForField(field);
        d->ascending = (sortType - 10) % 2 == 0;
    }
    if (d->root)
        d->root->sortChildrenByKey(d->sortKey, d->ascending);
    return ordered;
}

int MCIconItemModel::sortType() const
{
    return d_func()->sortType;
}

int MCIconItemModel::rowCount(const QModelIndex &parent) const
{
    Q_D(const MCIconItemModel);
    return parent.isValid() || !d->root ? 0 : d->root->children().size();
}

QVariant MCIconItemModel::data(const QModelIndex &index, int role) const
{
    Q_D(const MCIconItemModel);
    const MCNodePtr node = nodeAt(index);
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const QString name =
            node->representedName().isEmpty() ? node->fileName() : node->representedName();
        // Shown as one line of text; the name editor starts from the name itself.
        return role == Qt::EditRole ? name : MCString::stringForName(name);
    }
    case Qt::ToolTipRole:
        return MCString::stringForToolTip(node->fileName());
    case Qt::DecorationRole:
    case IsThumbnailRole: {
        const bool wantsThumbnail =
            d->showPreview && d->generator && !node->isDir() && !node->isPlaceholder();
        if (!wantsThumbnail)
            return role == IsThumbnailRole ? QVariant(false) : QVariant(node->fileIcon());
        const QString path = node->filePath();
        MCIconItemModelPrivate::Preview &preview = d->previews[path];
        const uint bucket = bucketFor(d->iconSize);
        // Ask the generator once per bucket; what it decodes later arrives as an update.
        if (!preview.retrieved && preview.size < bucket) {
            preview.size = bucket;
            if (d->generator->isPreviewablePath(path)) {
                bool thumbnail = false;
                const QPixmap image = d->generator->previewForNode(node.data(), bucket, &thumbnail);
                if (thumbnail) {
                    preview.image = image;
                    preview.retrieved = true;
                }
            }
        }
        if (role == IsThumbnailRole)
            return !preview.image.isNull();
        return preview.image.isNull() ? QVariant(node->fileIcon()) : QVariant(preview.image);
    }
    case NodeRole:
        return QVariant::fromValue(node);
    case FilePathRole:
        return node->filePath();
    case BadgeRole:
        return node->fileImageStatus();
    case StatesRole:
        return node->states();
    case BusyRole:
        return node->isBusy();
    case PlaceholderRole:
        return node->isPlaceholder();
    case IsDirRole:
        return node->isDir();
    case KindRole:
        return node->fileKind();
    case SizeRole:
        return node->fileSize();
    case DateModifiedRole:
        return node->fileDateModified();
    case AdditionalInfoRole:
        return node->additionalFileInfo(d->additionalInfoType);
    default:
        return QVariant();
    }
}

Qt::ItemFlags MCIconItemModel::flags(const QModelIndex &index) const
{
    const MCNodePtr node = nodeAt(index);
    if (!node)
        return Qt::NoItemFlags;
    // A busy node (being created, renamed or uploaded) is never part of the selection.
    if (node->isBusy())
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                          Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
    if (node->isDir())
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

QHash<int, QByteArray> MCIconItemModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(FilePathRole, "filePath");
    names.insert(BadgeRole, "fileImageStatus");
    names.insert(StatesRole, "states");
    names.insert(BusyRole, "isBusy");
    names.insert(AdditionalInfoRole, "additionalFileInfo");
    return names;
}

void MCIconItemModel::sort(int column, Qt::SortOrder order)
{
    if (column == 0)
        setSortType(order == Qt::AscendingOrder ? 10 : 11);
}

void MCIconItemModel::nodeChildrenAboutToBeReset(MCAbstractObjectNode *)
{
    beginResetModel();
}

void MCIconItemModel::nodeChildrenReset(MCAbstractObjectNode *)
{
    Q_D(MCIconItemModel);
    // Keep thumbnails of paths still listed: a relisting must not make every icon flash.
    if (!d->previews.isEmpty()) {
        QHash<QString, MCIconItemModelPrivate::Preview> kept;
        for (const MCNodePtr &child : d->root->children()) {
            const auto it = d->previews.constFind(child->filePath());
            if (it != d->previews.constEnd())
                kept.insert(it.key(), it.value());
        }
        d->previews = kept;
    }
    endResetModel();
}

void MCIconItemModel::nodeChildrenAboutToBeInserted(MCAbstractObjectNode *, int first, int last)
{
    beginInsertRows(QModelIndex(), first, last);
}

void MCIconItemModel::nodeChildrenInserted(MCAbstractObjectNode *)
{
    endInsertRows();
}

void MCIconItemModel::nodeChildrenAboutToBeRemoved(MCAbstractObjectNode *node, int first, int last)
{
    Q_D(MCIconItemModel);
    for (int row = first; row <= last; ++row)
        d->previews.remove(node->children().at(row)->filePath());
    beginRemoveRows(QModelIndex(), first, last);
}

void MCIconItemModel::nodeChildrenRemoved(MCAbstractObjectNode *)
{
    endRemoveRows();
}

void MCIconItemModel::nodeChildrenAboutToBeReordered(MCAbstractObjectNode *node)
{
    Q_D(MCIconItemModel);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    d->reorderedNodes.clear();
    const QModelIndexList persistent = persistentIndexList();
    d->reorderedNodes.reserve(persistent.size());
    for (const QModelIndex &index : persistent)
        d->reorderedNodes.append(node->children().value(index.row()).data());
}

void MCIconItemModel::nodeChildrenReordered(MCAbstractObjectNode *node)
{
    Q_D(MCIconItemModel);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (int i = 0; i < from.size(); ++i) {
        const int row = node->rowOfChild(d->reorderedNodes.value(i));
        to.append(row < 0 ? QModelIndex() : index(row));
    }
    changePersistentIndexList(from, to);
    d->reorderedNodes.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MCIconItemModel::nodeChildChanged(MCAbstractObjectNode *, int row)
{
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

void MCIconItemModel::previewUpdatedForNodeWithThumbnailAndSize(const QString &path,
                                                                const QPixmap &thumbnail, uint size)
{
    Q_D(MCIconItemModel);
    if (!d->showPreview || thumbnail.isNull())
        return;
    const QModelIndex changed = indexOfPath(path);
    if (!changed.isValid())
        return;
    MCIconItemModelPrivate::Preview &preview = d->previews[path];
    // A smaller thumbnail never replaces a larger one already shown.
    if (preview.retrieved && size < preview.size && !preview.image.isNull())
        return;
    preview.image = thumbnail;
    preview.retrieved = true;
    preview.size = qMax(preview.size, size);
    emit dataChanged(changed, changed, {Qt::DecorationRole, IsThumbnailRole});
}
