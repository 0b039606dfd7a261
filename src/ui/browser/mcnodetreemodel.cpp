#include "mcnodetreemodel.h"

#include "mcdateformatter.h"
#include "mcnameeditingdelegate.h"
#include "mcstring.h"

#include <QHash>
#include <QIcon>

static_assert(MCNodeTreeModel::NodeRole == MCNameEditingDelegate::NodeRole,
              "the name editor reads the node from the shared role");

namespace {

const char *const ColumnIdentifiers[] = {"FileName", "FileDateModified", "FileDateAdded",
                                         "FileSize", "FileKind",         "FileStatus"};

} // namespace

class MCNodeTreeModelPrivate
{
public:
    // Whether node is the root or lies in the root's loaded tree.
    bool isShown(const MCAbstractObjectNode *node) const;
    void observe(const MCAbstractObjectNode *node) const;
    void forgetObserved(MCNodeTreeModel *model);

    MCNodePtr root;
    MCDateFormatter dates;
    int sortType = 10;
    quint64 unselectableStates = 0;
    int sortKey = MCAbstractObjectNode::SortByName;
    bool ascending = true;
    // Folders whose children are shown, held weakly: a listing may drop them.
    mutable QHash<const MCAbstractObjectNode *, QWeakPointer<MCAbstractObjectNode>> observed;
    MCNodeTreeModel *q = nullptr;
    // A folder whose children are being replaced reads as empty meanwhile.
    const MCAbstractObjectNode *emptied = nullptr;
    QVector<MCAbstractObjectNode *> reordered;
};

bool MCNodeTreeModelPrivate::isShown(const MCAbstractObjectNode *node) const
{
    const MCAbstractObjectNode *walk = node;
    while (walk && walk != root.data()) {
        const MCNodePtr parent = walk->parent();
        if (!parent || parent->rowOfChild(walk) < 0)
            return false;
        walk = parent.data();
    }
    return walk && walk == root.data();
}

void MCNodeTreeModelPrivate::observe(const MCAbstractObjectNode *node) const
{
    if (!node || observed.contains(node))
        return;
    auto *mutableNode = const_cast<MCAbstractObjectNode *>(node);
    observed.insert(node, mutableNode->sharedFromThis().toWeakRef());
    mutableNode->addObserver(q);
}

void MCNodeTreeModelPrivate::forgetObserved(MCNodeTreeModel *model)
{
    for (const QWeakPointer<MCAbstractObjectNode> &weak : qAsConst(observed)) {
        if (const MCNodePtr node = weak.toStrongRef())
            node->removeObserver(model);
    }
    observed.clear();
}

MCNodeTreeModel::MCNodeTreeModel(QObject *parent)
    : QAbstractItemModel(parent)
    , d_ptr(new MCNodeTreeModelPrivate)
{
    d_ptr->q = this;
    d_ptr->dates.setDateStyle(MCDateFormatter::MediumStyle);
    d_ptr->dates.setTimeStyle(MCDateFormatter::ShortStyle);
    qRegisterMetaType<MCNodePtr>();
}

MCNodeTreeModel::~MCNodeTreeModel()
{
    d_func()->forgetObserved(this);
}

MCNodePtr MCNodeTreeModel::rootNode() const
{
    return d_func()->root;
}

void MCNodeTreeModel::setRootNode(const MCNodePtr &node)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root)
        return;
    beginResetModel();
    d->forgetObserved(this);
    d->root = node;
    // The folder takes this order now, so that a large listing is sorted where it is built,
    // off the main thread, and comes in already in place.
    if (node)
        node->sortChildrenByKey(d->sortKey, d->ascending);
    d->observe(node.data());
    endResetModel();
}

MCNodePtr MCNodeTreeModel::nodeAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return MCNodePtr();
    const auto *parent = static_cast<const MCAbstractObjectNode *>(index.internalPointer());
    if (!parent || parent == d_func()->emptied || index.row() >= parent->children().size())
        return MCNodePtr();
    return parent->children().at(index.row());
}

QModelIndex MCNodeTreeModel::indexOfNode(const MCAbstractObjectNode *node, int column) const
{
    Q_D(const MCNodeTreeModel);
    if (!node || node == d->root.data() || !d->isShown(node))
        return QModelIndex();
    const MCNodePtr parent = node->parent();
    return createIndex(parent->rowOfChild(node), column, parent.data());
}

QModelIndex MCNodeTreeModel::indexOfShownNode(const MCNodePtr &node) const
{
    Q_D(const MCNodeTreeModel);
    // Called for every node of a large selection: the shown folder's own row without a walk.
    const MCAbstractObjectNode *root = d->root.data();
    const int row = root && node->parent().data() == root ? root->rowOfChild(node.data()) : -1;
    return row >= 0 ? createIndex(row, 0, const_cast<MCAbstractObjectNode *>(root))
                    : indexOfPath(node->filePath());
}

QModelIndex MCNodeTreeModel::indexOfPath(const QString &path) const
{
    Q_D(const MCNodeTreeModel);
    if (!d->root)
        return QModelIndex();
    const MCNodePtr node = d->root->childAtPath(path);
    return node && node->filePath() == path ? indexOfNode(node.data()) : QModelIndex();
}

QString MCNodeTreeModel::columnIdentifier(int column)
{
    return column >= 0 && column < ColumnCount ? QLatin1String(ColumnIdentifiers[column])
                                               : QString();
}

int MCNodeTreeModel::columnForIdentifier(const QString &identifier)
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (identifier == QLatin1String(ColumnIdentifiers[column]))
            return column;
    }
    return -1;
}

MCDateFormatter &MCNodeTreeModel::dateFormatter()
{
    return d_func()->dates;
}

void MCNodeTreeModel::datesChanged()
{
    Q_D(MCNodeTreeModel);
    // Every shown folder's date cells; the view asks only for the rows on screen.
    for (auto it = d->observed.cbegin(); it != d->observed.cend(); ++it) {
        const MCNodePtr folder = it.value().toStrongRef();
        if (!folder || folder->children().isEmpty() || !d->isShown(folder.data()))
            continue;
        const QModelIndex parent = indexOfNode(folder.data());
        emit dataChanged(index(0, DateModifiedColumn, parent),
                         index(folder->children().size() - 1, DateModifiedColumn, parent),
                         {Qt::DisplayRole});
    }
}

bool MCNodeTreeModel::setSortType(int sortType)
{
    Q_D(MCNodeTreeModel);
    d->sortType = sortType;
    const int field = (sortType - 10) / 2;
    const bool ordered = sortType >= 10 && sortType <= 19 && field != 3;
    if (!ordered)
        return false;
    d->sortKey = MCAbstractObjectNode::sortKeyForField(field);
    d->ascending = (sortType - 10) % 2 == 0;
    sortAgain();
    return true;
}

int MCNodeTreeModel::sortType() const
{
    return d_func()->sortType;
}

void MCNodeTreeModel::sortAgain()
{
    Q_D(MCNodeTreeModel);
    const auto folders = d->observed;
    for (const QWeakPointer<MCAbstractObjectNode> &weak : folders) {
        const MCNodePtr folder = weak.toStrongRef();
        if (folder && folder->children().size() > 1 && d->isShown(folder.data()))
            folder->sortChildrenByKey(d->sortKey, d->ascending);
    }
}

QModelIndex MCNodeTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    Q_D(const MCNodeTreeModel);
    const MCNodePtr folder = parent.isValid() ? nodeAt(parent) : d->root;
    if (!folder || column < 0 || column >= ColumnCount || row < 0 || folder.data() == d->emptied ||
        row >= folder->children().size())
        return QModelIndex();
    d->observe(folder.data());
    return createIndex(row, column, folder.data());
}

QModelIndex MCNodeTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return QModelIndex();
    const auto *folder = static_cast<const MCAbstractObjectNode *>(child.internalPointer());
    return indexOfNode(folder);
}

int MCNodeTreeModel::rowCount(const QModelIndex &parent) const
{
    Q_D(const MCNodeTreeModel);
    if (parent.column() > 0)
        return 0;
    const MCNodePtr folder = parent.isValid() ? nodeAt(parent) : d->root;
    if (!folder || !folder->isDir() || folder.data() == d->emptied)
        return 0;
    d->observe(folder.data());
    return folder->children().size();
}

int MCNodeTreeModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool MCNodeTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return bool(d_func()->root);
    if (parent.column() > 0)
        return false;
    // A folder can be opened before it is listed: its listing fills it.
    const MCNodePtr node = nodeAt(parent);
    return node && node->isDir() && !node->isPackage() && !node->isPlaceholder();
}

QVariant MCNodeTreeModel::data(const QModelIndex &index, int role) const
{
    Q_D(const MCNodeTreeModel);
    const MCNodePtr node = nodeAt(index);
    if (!node)
        return QVariant();
    switch (role) {
    case NodeRole:
        return QVariant::fromValue(node);
    case FilePathRole:
        return node->filePath();
    case BadgeRole:
        return node->fileImageStatus();
    case BusyRole:
        return node->isBusy();
    default:
        break;
    }
    const int column = index.column();
    if (role == SortValueRole) {
        switch (column) {
        case DateModifiedColumn:
            return node->fileDateModified();
        case SizeColumn:
            return node->fileSize();
        default:
            return QVariant();
        }
    }
    switch (column) {
    case NameColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            const QString name =
                node->representedName().isEmpty() ? node->fileName() : node->representedName();
            // Shown as one line of text; the name editor starts from the name itself.
            return role == Qt::EditRole ? name : MCString::stringForName(name);
        }
        if (role == Qt::ToolTipRole)
            return MCString::stringForToolTip(node->fileName());
        if (role == Qt::DecorationRole)
            return node->fileIcon();
        break;
    case DateModifiedColumn:
        if (role == Qt::DisplayRole)
            return d->dates.stringFromDate(node->fileDateModified());
        break;
    case DateAddedColumn:
        // The service gives no date of addition.
        if (role == Qt::DisplayRole)
            return QStringLiteral("--");
        break;
    case SizeColumn:
        // What the size cell reads: "--" for a folder.
        if (role == Qt::DisplayRole)
            return QVariantMap{{QStringLiteral("isDir"), node->isDir()},
                               {QStringLiteral("fileSize"), node->fileSize()}};
        break;
    case KindColumn:
        if (role == Qt::DisplayRole)
            return node->fileKind();
        break;
    case StatusColumn:
        // An icon, drawn at the view's icon size: the badge's own pixels are taller than a row.
        if (role == Qt::DecorationRole && !node->fileImageStatusName().isEmpty())
            return QIcon(node->fileImageStatus());
        break;
    default:
        break;
    }
    if (role == Qt::ForegroundRole && node->isBusy())
        return QColor(Qt::gray);
    return QVariant();
}

QVariant MCNodeTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole) {
        switch (section) {
        case NameColumn:
            return tr("Name");
        case DateModifiedColumn:
            return tr("Date Modified");
        case DateAddedColumn:
            return tr("Date Added");
        case SizeColumn:
            return tr("Size");
        case KindColumn:
            return tr("Kind");
        default:
            return QVariant();
        }
    }
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

void MCNodeTreeModel::setUnselectableStates(quint64 states)
{
    Q_D(MCNodeTreeModel);
    d->unselectableStates = states;
}

bool MCNodeTreeModel::isSelectable(const MCAbstractObjectNode *node) const
{
    Q_D(const MCNodeTreeModel);
    if (!node || node->isBusy())
        return false;
    // A new folder being named keeps its upload bit, and is selected to edit its name.
    return !(node->states() & d->unselectableStates) || (node->isPlaceholder() && node->isDir());
}

Qt::ItemFlags MCNodeTreeModel::flags(const QModelIndex &index) const
{
    const MCNodePtr node = nodeAt(index);
    if (!node)
        return Qt::NoItemFlags;
    // A busy node (being created, renamed or uploaded) is never part of the selection.
    if (node->isBusy())
        return Qt::ItemIsEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (isSelectable(node.data()))
        flags |= Qt::ItemIsSelectable;
    if (index.column() == NameColumn)
        flags |= Qt::ItemIsEditable;
    if (node->isDir())
        flags |= Qt::ItemIsDropEnabled;
    else
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

void MCNodeTreeModel::nodeChildrenAboutToBeReset(MCAbstractObjectNode *node)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root.data()) {
        beginResetModel();
        d->forgetObserved(this);
        d->observe(node);
        return;
    }
    if (!d->isShown(node))
        return;
    // Shown as the old rows going and the new ones coming: what lay open below goes too.
    const int old = node->children().size();
    const QModelIndex parent = indexOfNode(node);
    if (old > 0)
        beginRemoveRows(parent, 0, old - 1);
    d->emptied = node;
    if (old > 0)
        endRemoveRows();
}

void MCNodeTreeModel::nodeChildrenReset(MCAbstractObjectNode *node)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root.data()) {
        endResetModel();
        return;
    }
    if (d->emptied != node)
        return;
    const int count = node->children().size();
    if (count > 0 && d->isShown(node)) {
        beginInsertRows(indexOfNode(node), 0, count - 1);
        d->emptied = nullptr;
        endInsertRows();
    }
    d->emptied = nullptr;
}

void MCNodeTreeModel::nodeChildrenAboutToBeInserted(MCAbstractObjectNode *node, int first, int last)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root.data() || d->isShown(node))
        beginInsertRows(indexOfNode(node), first, last);
}

void MCNodeTreeModel::nodeChildrenInserted(MCAbstractObjectNode *node)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root.data() || d->isShown(node))
        endInsertRows();
}

void MCNodeTreeModel::nodeChildrenAboutToBeRemoved(MCAbstractObjectNode *node, int first, int last)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root.data() || d->isShown(node))
        beginRemoveRows(indexOfNode(node), first, last);
}

void MCNodeTreeModel::nodeChildrenRemoved(MCAbstractObjectNode *node)
{
    Q_D(MCNodeTreeModel);
    if (node == d->root.data() || d->isShown(node))
        endRemoveRows();
}

void MCNodeTreeModel::nodeChildrenAboutToBeReordered(MCAbstractObjectNode *node)
{
    Q_D(MCNodeTreeModel);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The rows of node's children move; rows below them keep their folder and place.
    d->reordered.clear();
    const QModelIndexList persistent = persistentIndexList();
    d->reordered.reserve(persistent.size());
    for (const QModelIndex &index : persistent)
        d->reordered.append(
            index.internalPointer() == node ? node->children().value(index.row()).data() : nullptr);
}

void MCNodeTreeModel::nodeChildrenReordered(MCAbstractObjectNode *node)
{
    Q_D(MCNodeTreeModel);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (int i = 0; i < from.size(); ++i) {
        const MCAbstractObjectNode *child = d->reordered.value(i);
        if (!child) {
            to.append(from.at(i));
            continue;
        }
        const int row = node->rowOfChild(child);
        to.append(row < 0 ? QModelIndex() : createIndex(row, from.at(i).column(), node));
    }
    changePersistentIndexList(from, to);
    d->reordered.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MCNodeTreeModel::nodeChildChanged(MCAbstractObjectNode *node, int row)
{
    Q_D(MCNodeTreeModel);
    if (node != d->root.data() && !d->isShown(node))
        return;
    emit dataChanged(createIndex(row, 0, node), createIndex(row, ColumnCount - 1, node));
}
