#include "mcselectedrows.h"

#include <QHash>

#include <algorithm>

namespace {

using Spans = QVector<QPair<int, int>>;

// Overlapping and touching spans made one.
Spans merged(Spans spans)
{
    std::sort(spans.begin(), spans.end());
    Spans out;
    for (const auto &span : qAsConst(spans)) {
        if (!out.isEmpty() && span.first <= out.last().second + 1)
            out.last().second = std::max(out.last().second, span.second);
        else
            out.append(span);
    }
    return out;
}

} // namespace

namespace MCSelectedRows {

QVector<QPair<int, int>> spans(const QItemSelection &selection, const QModelIndex &parent,
                               int column)
{
    Spans found;
    for (const QItemSelectionRange &range : selection) {
        if (range.isValid() && range.left() <= column && column <= range.right() &&
            range.parent() == parent)
            found.append({range.top(), range.bottom()});
    }
    return merged(found);
}

int total(const QVector<QPair<int, int>> &spans)
{
    int rows = 0;
    for (const auto &span : spans)
        rows += span.second - span.first + 1;
    return rows;
}

int count(const QItemSelection &selection, int column)
{
    QHash<QModelIndex, Spans> byParent;
    for (const QItemSelectionRange &range : selection) {
        if (range.isValid() && range.left() <= column && column <= range.right())
            byParent[range.parent()].append({range.top(), range.bottom()});
    }
    int rows = 0;
    for (const Spans &spans : qAsConst(byParent)) {
        for (const auto &span : merged(spans))
            rows += span.second - span.first + 1;
    }
    return rows;
}

bool holdsSeveral(const QItemSelection &selection)
{
    int found = 0;
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || !range.model())
            continue;
        const QAbstractItemModel *model = range.model();
        const QModelIndex parent = range.parent();
        for (int row = range.top(); row <= range.bottom(); ++row) {
            for (int column = range.left(); column <= range.right(); ++column) {
                const Qt::ItemFlags flags = model->index(row, column, parent).flags();
                if ((flags & Qt::ItemIsSelectable) && (flags & Qt::ItemIsEnabled) && ++found > 1)
                    return true;
            }
        }
    }
    return false;
}

} // namespace MCSelectedRows
