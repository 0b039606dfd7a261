// The order of a node's children: the collation keys, sorting, and inserting new or renamed
// children in place.
#include "mcabstractobjectnode.h"

#include "mcnodeobserver.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

// One order of children: a SortKey and a direction. Names compare by collation keys made once
// per node and name (far cheaper than a collation per comparison), kept on the node for the
// next sort. Usable on any thread for nodes no other thread touches.
class MCAbstractObjectNode::Ordering
{
public:
    Ordering(int key, bool ascending)
        : m_key(key)
        , m_ascending(ascending)
        , m_locale(sortLocale())
        , m_localeName(m_locale.bcp47Name())
        , m_collator(m_locale)
    {
        m_collator.setNumericMode(true);
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    // Makes what less() needs of node ahead (less() makes it when missing).
    void prepare(const MCAbstractObjectNode *node) const
    {
        if (m_key == SortByName && (!node->m_nameKey || node->m_nameKeyLocale != m_localeName)) {
            node->m_nameKey.emplace(m_collator.sortKey(node->m_fileName));
            node->m_nameKeyLocale = m_localeName;
        }
    }

    bool less(const MCAbstractObjectNode *x, const MCAbstractObjectNode *y) const
    {
        int c = 0;
        switch (m_key) {
        case SortByName:
            // Names compare as people read them; equal-looking names still get a fixed order.
            prepare(x);
            prepare(y);
            c = x->m_nameKey->compare(*y->m_nameKey);
            if (!c)
                c = x->m_fileName.compare(y->m_fileName);
            break;
        case SortBySize:
            c = x->m_fileSize < y->m_fileSize ? -1 : x->m_fileSize > y->m_fileSize ? 1 : 0;
            break;
        case SortByKind:
            c = m_collator.compare(x->m_fileKind, y->m_fileKind);
            break;
        default:
            c = x->m_fileDateModified < y->m_fileDateModified   ? -1
                : y->m_fileDateModified < x->m_fileDateModified ? 1
                                                                : 0;
            break;
        }
        return m_ascending ? c < 0 : c > 0;
    }

private:
    // Qt's collator compares code points under the C locale (numeric mode and all), so a
    // session without a locale would put "file 10" before "File 2": collate as English there.
    static QLocale sortLocale()
    {
        const QLocale locale;
        return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                               : locale;
    }

    int m_key;
    bool m_ascending;
    QLocale m_locale;
    QString m_localeName;
    QCollator m_collator;
};

void MCAbstractObjectNode::insertChildNodes(const MCNodeList &nodes)
{
    if (nodes.isEmpty())
        return;
    if (!m_sortKey) {
        appendChildNodes(nodes);
        return;
    }
    const Ordering ordering(m_sortKey, m_sortAscending);
    // A few: each where it belongs. Many: at the end, then merged into place in one pass
    // (announced as a new order), instead of a row shift per node.
    if (nodes.size() <= 64) {
        for (const MCNodePtr &node : nodes) {
            const auto at = std::upper_bound(m_children.cbegin(), m_children.cend(), node,
                                             [&ordering](const MCNodePtr &a, const MCNodePtr &b) {
                                                 return ordering.less(a.data(), b.data());
                                             });
            insertChildAt(int(at - m_children.cbegin()), node);
        }
        setChildrenCount(quint64(m_children.size()));
        return;
    }
    const int first = m_children.size();
    appendChildNodes(nodes);
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
    const auto less = [&ordering](const MCNodePtr &a, const MCNodePtr &b) {
        return ordering.less(a.data(), b.data());
    };
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
    const Ordering ordering(m_sortKey, m_sortAscending);
    const auto less = [&ordering](const MCNodePtr &a, const MCNodePtr &b) {
        return ordering.less(a.data(), b.data());
    };
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
    if (nodes.size() < 2)
        return;
    Ordering ordering(key, ascending);
    for (const MCNodePtr &node : qAsConst(nodes))
        ordering.prepare(node.data());
    std::stable_sort(nodes.begin(), nodes.end(),
                     [&ordering](const MCNodePtr &a, const MCNodePtr &b) {
                         return ordering.less(a.data(), b.data());
                     });
}

void MCAbstractObjectNode::insertSorted(MCNodeList &sorted, const MCNodeList &nodes, int key,
                                        bool ascending)
{
    const Ordering ordering(key, ascending);
    const auto less = [&ordering](const MCNodePtr &a, const MCNodePtr &b) {
        return ordering.less(a.data(), b.data());
    };
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
    {
        Ordering ordering(key, ascending);
        for (const MCNodePtr &node : qAsConst(m_children))
            ordering.prepare(node.data());
        if (std::is_sorted(m_children.cbegin(), m_children.cend(),
                           [&ordering](const MCNodePtr &a, const MCNodePtr &b) {
                               return ordering.less(a.data(), b.data());
                           }))
            return;
    }
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
    sortNodes(m_children, key, ascending);
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
