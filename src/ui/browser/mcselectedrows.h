#pragma once

#include <QItemSelection>
#include <QPair>
#include <QVector>

// Selected rows read from a selection's ranges, without listing an index per cell: a large
// folder with everything selected is one range, where the index lists hold a hundred thousand.
namespace MCSelectedRows {

// The rows under parent selected in column, as ordered, disjoint [first, last] spans.
QVector<QPair<int, int>> spans(const QItemSelection &selection, const QModelIndex &parent,
                               int column = 0);

// How many rows the spans hold.
int total(const QVector<QPair<int, int>> &spans);

// How many rows, under any parent, are selected in column.
int count(const QItemSelection &selection, int column = 0);

// Whether more than one selectable, enabled item is selected (as selectedIndexes() would list
// them), stopping at the second.
bool holdsSeveral(const QItemSelection &selection);

} // namespace MCSelectedRows
