#include "mcnodeordering.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <numeric>

namespace {

// Qt's collator compares code points under the C locale (numeric mode and all), so a session
// without a locale would put "file 10" before "File 2": collate as English there.
QLocale sortLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                           : locale;
}

// Name ranks made by one sort carry one stamp; nodes sort by rank only when they all carry it.
std::atomic<quint64> lastNameRankStamp{0};

} // namespace

MCNodeOrdering::MCNodeOrdering(int key, bool ascending)
    : m_key(key)
    , m_ascending(ascending)
    , m_locale(sortLocale())
    , m_localeName(m_locale.bcp47Name())
    , m_collator(m_locale)
{
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

void MCNodeOrdering::prepare(const MCAbstractObjectNode *node) const
{
    if (m_key == MCAbstractObjectNode::SortByName &&
        (!node->m_nameKey || node->m_nameKeyLocale != m_localeName)) {
        node->m_nameKey.emplace(m_collator.sortKey(node->m_fileName));
        node->m_nameKeyLocale = m_localeName;
        node->m_nameRankStamp = 0;
    }
}

bool MCNodeOrdering::less(const MCAbstractObjectNode *x, const MCAbstractObjectNode *y) const
{
    int c = 0;
    switch (m_key) {
    case MCAbstractObjectNode::SortByName:
        // Names compare as people read them; equal-looking names still get a fixed order.
        prepare(x);
        prepare(y);
        c = x->m_nameKey->compare(*y->m_nameKey);
        if (!c)
            c = x->m_fileName.compare(y->m_fileName);
        break;
    case MCAbstractObjectNode::SortBySize:
        c = x->m_fileSize < y->m_fileSize ? -1 : x->m_fileSize > y->m_fileSize ? 1 : 0;
        break;
    case MCAbstractObjectNode::SortByKind:
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

bool MCNodeOrdering::numbers(const MCNodeList &nodes, QVector<Keyed> &keyed) const
{
    keyed.resize(nodes.size());
    switch (m_key) {
    case MCAbstractObjectNode::SortByName: {
        // One ranking made them all under one locale; a new name or locale clears a node's
        // stamp, so the first node tells the locale of all.
        const MCAbstractObjectNode *first = nodes.first().data();
        const quint64 stamp = first->m_nameRankStamp;
        if (!stamp || !first->m_nameKey || first->m_nameKeyLocale != m_localeName)
            return false;
        for (int i = 0; i < nodes.size(); ++i) {
            const MCAbstractObjectNode *node = nodes.at(i).data();
            if (node->m_nameRankStamp != stamp)
                return false;
            keyed[i] = {node->m_nameRank, node, i};
        }
        return true;
    }
    case MCAbstractObjectNode::SortBySize:
        for (int i = 0; i < nodes.size(); ++i)
            keyed[i] = {nodes.at(i)->m_fileSize, nodes.at(i).data(), i};
        return true;
    case MCAbstractObjectNode::SortByKind: {
        // A folder holds few kinds: each distinct one ranked once, equal-collating ones alike.
        // Neighbours mostly share theirs, so each node's is found from the last one's.
        QStringList kinds;
        QHash<QString, int> known;
        QVector<int> kindOf(nodes.size());
        int last = -1;
        for (int i = 0; i < nodes.size(); ++i) {
            const QString &kind = nodes.at(i)->m_fileKind;
            if (last < 0 || kinds.at(last) != kind) {
                last = known.value(kind, -1);
                if (last < 0) {
                    last = kinds.size();
                    kinds.append(kind);
                    known.insert(kind, last);
                }
            }
            kindOf[i] = last;
        }
        QVector<int> byName(kinds.size());
        std::iota(byName.begin(), byName.end(), 0);
        std::sort(byName.begin(), byName.end(), [this, &kinds](int a, int b) {
            return m_collator.compare(kinds.at(a), kinds.at(b)) < 0;
        });
        QVector<qint64> rankOf(kinds.size());
        qint64 rank = 0;
        for (int i = 0; i < byName.size(); ++i) {
            if (i > 0 &&
                m_collator.compare(kinds.at(byName.at(i - 1)), kinds.at(byName.at(i))) != 0)
                ++rank;
            rankOf[byName.at(i)] = rank;
        }
        for (int i = 0; i < nodes.size(); ++i)
            keyed[i] = {rankOf.at(kindOf.at(i)), nodes.at(i).data(), i};
        return true;
    }
    default:
        // Local times compare by their wall clock, which one number per node cannot follow.
        for (int i = 0; i < nodes.size(); ++i) {
            const QDateTime &date = nodes.at(i)->m_fileDateModified;
            if (!date.isValid() || date.timeSpec() == Qt::LocalTime)
                return false;
            keyed[i] = {date.toMSecsSinceEpoch(), nodes.at(i).data(), i};
        }
        return true;
    }
}

void MCNodeOrdering::rankNames(const MCNodeList &nodes) const
{
    if (m_key != MCAbstractObjectNode::SortByName || nodes.isEmpty())
        return;
    const quint64 stamp = ++lastNameRankStamp;
    qint64 rank = 0;
    const int count = nodes.size();
    for (int i = 0; i < count; ++i) {
        // From the first by name to the last, whichever way the nodes run.
        const MCAbstractObjectNode *node = nodes.at(m_ascending ? i : count - 1 - i).data();
        if (i > 0 && node->m_fileName != nodes.at(m_ascending ? i - 1 : count - i)->m_fileName)
            ++rank;
        node->m_nameRank = rank;
        node->m_nameRankStamp = stamp;
    }
}

void MCNodeOrdering::reorder(MCNodeList &nodes, const QVector<Keyed> &keyed)
{
    if (std::all_of(keyed.cbegin(), keyed.cend(), [&keyed](const Keyed &entry) {
            return &entry - keyed.cbegin() == entry.index;
        }))
        return;
    MCNodeList ordered;
    ordered.reserve(nodes.size());
    for (const Keyed &entry : keyed)
        ordered.append(std::move(nodes[entry.index]));
    nodes.swap(ordered);
}

bool MCNodeOrdering::sort(MCNodeList &nodes) const
{
    if (nodes.size() < 2)
        return false;
    QVector<Keyed> keyed;
    if (numbers(nodes, keyed)) {
        const auto lessKeyed = [this](const Keyed &a, const Keyed &b) {
            return m_ascending ? a.value < b.value : a.value > b.value;
        };
        if (std::is_sorted(keyed.cbegin(), keyed.cend(), lessKeyed))
            return false;
        std::stable_sort(keyed.begin(), keyed.end(), lessKeyed);
    } else {
        for (const MCNodePtr &node : qAsConst(nodes))
            prepare(node.data());
        const auto lessNodes = [this](const Keyed &a, const Keyed &b) {
            return less(a.node, b.node);
        };
        for (int i = 0; i < nodes.size(); ++i)
            keyed[i] = {0, nodes.at(i).data(), i};
        const bool sorted = std::is_sorted(keyed.cbegin(), keyed.cend(), lessNodes);
        if (!sorted)
            std::stable_sort(keyed.begin(), keyed.end(), lessNodes);
        reorder(nodes, keyed);
        // The names' places, for the next name sort of these nodes.
        rankNames(nodes);
        return !sorted;
    }
    reorder(nodes, keyed);
    return true;
}
