// The order of a node's children: sorting them, and inserting new or renamed children in place.
// The comparisons themselves are MCNodeOrdering's.
#include "mcabstractobjectnode.h"

#include "mcnodeobserver.h"
#include "mcnodeordering.h"

#include <algorithm>

void MCAbstractObjectNode::insertChildNodes(const MCNodeList &nodes)
{
    if (nodes.isEmpty())
        return;
    if (!m_sortKey) {
        appendChildNodes(nodes);
        return;
    }
    const MCNodeOrdering ordering(m_sortKey, m_sortAscending);
    const auto less = ordering.comparator();
    // A few: each where it belongs. Many: at the end, then merged into place in one pass
    // (announced as a new order), instead of a row shift per node.
    if (nodes.size() <= 64) {
        for (const MCNodePtr &node : nodes) {
            const auto at = std::upper_bound(m_children.cbegin(), m_children.cend(), node, less);
            insertChildAt(int(at - m_children.cbegin()), node);
        }
        setChildrenCount(quint64(m_children.size()));
        return;
    }
    const int first = m_children.size();
    appendChildNodes(nodes);
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
    std::stable_sort(m_children.begin() + first, m_children.end(), less);
    std::inplace_merge(m_children.begin(), m_children.begin() + first, m_children.end(), less);
    setRowHints(0);
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReordered(this); });
}

void MCAbstractObjectNode::reorderChild(const MCAbstractObjectNode *child)
{
    const int from = rowOfChild(child);
    if (!m_sortKey || from < 0 || m_childrenDirty)
        return;
    const MCNodeOrdering ordering(m_sortKey, m_sortAscending);
    const auto less = ordering.comparator();
    // Already in place when neither neighbour belongs on its other side.
    if ((from == 0 || !less(m_children.at(from), m_children.at(from - 1))) &&
        (from + 1 == m_children.size() || !less(m_children.at(from + 1), m_children.at(from))))
        return;
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
    const MCNodePtr moving = m_children.takeAt(from);
    const auto at = std::upper_bound(m_children.cbegin(), m_children.cend(), moving, less);
    const int to = int(at - m_children.cbegin());
    m_children.insert(to, moving);
    for (int row = qMin(from, to); row <= qMax(from, to); ++row)
        m_children.at(row)->m_rowHint = row;
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReordered(this); });
}

void MCAbstractObjectNode::sortNodes(MCNodeList &nodes, int key, bool ascending)
{
    MCNodeOrdering(key, ascending).sort(nodes);
}

void MCAbstractObjectNode::insertSorted(MCNodeList &sorted, const MCNodeList &nodes, int key,
                                        bool ascending)
{
    const MCNodeOrdering ordering(key, ascending);
    const auto less = ordering.comparator();
    for (const MCNodePtr &node : nodes)
        sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), node, less), node);
}

void MCAbstractObjectNode::sortChildrenByKey(int key, bool ascending)
{
    m_sortKey = key == SortByName || key == SortBySize || key == SortByKind ? key : SortByDate;
    m_sortAscending = ascending;
    if (m_childrenDirty || m_children.isEmpty())
        return;
    // Children already in that order (a large listing is sorted where it is made) are left
    // alone: announcing a new order makes every view map all its rows again.
    MCNodeList ordered = m_children;
    if (!MCNodeOrdering(key, ascending).sort(ordered))
        return;
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
    m_children.swap(ordered);
    ordered.clear();
    setRowHints(0);
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReordered(this); });
}

int MCAbstractObjectNode::sortKeyForField(int field)
{
    switch (field) {
    case 0:
        return SortByName;
    case 1:
        return SortByKind;
    case 4:
        return SortBySize;
    default:
        return SortByDate;
    }
}
