#include "mctreesearch.h"

#include <QAbstractItemModel>

namespace MCTreeSearch {

namespace {

QModelIndex search(const QAbstractItemModel *model, const QModelIndex &parent,
                   const QVariant &value, int role)
{
    const int rows = model->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (model->data(index, role) == value)
            return index;
        const QModelIndex below = search(model, index, value, role);
        if (below.isValid())
            return below;
    }
    return QModelIndex();
}

} // namespace

QModelIndex indexOfObject(const QAbstractItemModel *model, const QVariant &value, int role)
{
    return model ? search(model, QModelIndex(), value, role) : QModelIndex();
}

QModelIndex indexOfPath(const QAbstractItemModel *model, const QString &path, int pathRole)
{
    return indexOfObject(model, path, pathRole);
}

} // namespace MCTreeSearch
