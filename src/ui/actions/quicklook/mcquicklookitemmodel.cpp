#include "mcquicklookitemmodel.h"

#include "mcpreviewgenerator.h"
#include "mcremotepath.h"

MCQuickLookItemModel::MCQuickLookItemModel(MCPreviewGenerator *previews, QObject *parent)
    : QAbstractListModel(parent)
    , m_previews(previews)
{}

void MCQuickLookItemModel::setNodes(const MCNodeList &nodes)
{
    beginResetModel();
    m_items.clear();
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        Item item;
        item.node = node;
        bool thumbnail = false;
        if (m_previews)
            m_previews->previewForNode(node.data(), ItemPreviewSize, &thumbnail);
        item.shadowOn = thumbnail;
        m_items.append(item);
    }
    endResetModel();
}

MCNodePtr MCQuickLookItemModel::nodeAt(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row).node : MCNodePtr();
}

bool MCQuickLookItemModel::increaseImageVersion(const QString &path)
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).node->filePath() == path) {
            ++m_items[row].imageVersion;
            m_items[row].shadowOn = true; // a real thumbnail now
            const QModelIndex changed = index(row);
            emit dataChanged(changed, changed);
            return true;
        }
    }
    return false;
}

int MCQuickLookItemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_items.size();
}

QVariant MCQuickLookItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return QVariant();
    const Item &item = m_items.at(index.row());
    switch (role) {
    case Qt::ToolTipRole:
        return MCRemotePath::lastComponent(item.node->filePath());
    case Qt::AccessibleTextRole:
        return item.node->fileName();
    case Qt::DecorationRole: {
        if (!m_previews)
            return item.node->fileIcon().pixmap(int(ItemPreviewSize));
        return m_previews->previewForNode(item.node.data(), ItemPreviewSize);
    }
    case ImageUIDRole:
        return item.node->filePath();
    case ShadowOnRole:
        return item.shadowOn;
    case ImageVersionRole:
        return item.imageVersion;
    case NodeRole:
        return QVariant::fromValue(item.node);
    default:
        return QVariant();
    }
}
