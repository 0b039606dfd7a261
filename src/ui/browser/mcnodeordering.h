#ifndef MCNODEORDERING_H
#define MCNODEORDERING_H

#include "mcabstractobjectnode.h"

#include <QCollator>
#include <QLocale>

// One order of children: an MCAbstractObjectNode::SortKey and a direction. Names compare by
// collation keys made once per node and name (far cheaper than a collation per comparison),
// kept on the node for the next sort. Usable on any thread for nodes no other thread touches.
class MCNodeOrdering
{
public:
    MCNodeOrdering(int key, bool ascending);

    // Makes what less() needs of node ahead (less() makes it when missing).
    void prepare(const MCAbstractObjectNode *node) const;
    bool less(const MCAbstractObjectNode *x, const MCAbstractObjectNode *y) const;
    // less() for the standard algorithms over a list of nodes; cheap to copy, as they do often.
    auto comparator() const
    {
        return [this](const MCNodePtr &x, const MCNodePtr &y) {
            return less(x.data(), y.data());
        };
    }

    // Puts nodes in this order (stable); false, with nodes untouched, when they already were.
    // A large folder is sorted by one number per node where the order allows: sizes, dates,
    // the rank of each distinct kind, and the name ranks the last name sort left on the nodes
    // (a rename or a new node makes them sort by their collation keys again).
    bool sort(MCNodeList &nodes) const;

private:
    struct Keyed
    {
        qint64 value;
        const MCAbstractObjectNode *node;
        int index;
    };
    // One number per node that orders them as less() does, in keyed; false when the order
    // has none (names without a common ranking, local dates).
    bool numbers(const MCNodeList &nodes, QVector<Keyed> &keyed) const;
    // nodes in the order of keyed's indexes.
    static void reorder(MCNodeList &nodes, const QVector<Keyed> &keyed);
    // Remembers the nodes' places by name (equal names share one) for the next name sort.
    void rankNames(const MCNodeList &ascendingOrDescending) const;

    int m_key;
    bool m_ascending;
    QLocale m_locale;
    QString m_localeName;
    QCollator m_collator;
};

#endif // MCNODEORDERING_H
