#pragma once

#include "mcabstractobjectnode.h"

#include <QItemSelection>
#include <QPair>
#include <QVector>

#include <functional>

class QAbstractItemModel;

// A selection carried from one view to the next as runs of the shown folder's rows: with a
// large folder all selected, a list of its nodes costs a pass to make, a lookup per node to
// select again and a pass to free. It holds only while the folder keeps the same order.
class MCRowSelection
{
public:
    MCRowSelection() = default;
    // The rows of folder in spans (ordered, disjoint [first, last]) that takesPart accepts.
    MCRowSelection(const MCNodePtr &folder, const QVector<QPair<int, int>> &spans,
                   const std::function<bool(const MCAbstractObjectNode *)> &takesPart);

    bool isValid() const { return !m_folder.isNull(); }
    // The nodes, in the order the runs held them.
    MCNodeList nodes() const;
    // Whether folder is the one read and still holds the rows in that order.
    bool holdsFor(const MCNodePtr &folder) const;
    // One range per run, from column 0 to lastColumn, of model's rows under its root.
    QItemSelection selection(const QAbstractItemModel *model, int lastColumn = 0) const;
    // The first selected row; -1 when there is none.
    int firstRow() const { return m_runs.isEmpty() ? -1 : m_runs.first().first; }
    // How many of the rows takesPart accepts.
    int count(const std::function<bool(const MCAbstractObjectNode *)> &takesPart) const;

private:
    MCNodePtr m_folder;
    // The folder's children when read: shared, so that any change to them since leaves
    // the folder with another array.
    MCNodeList m_order;
    QVector<QPair<int, int>> m_runs;
};
