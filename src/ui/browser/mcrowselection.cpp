#include "mcrowselection.h"

#include <QAbstractItemModel>

MCRowSelection::MCRowSelection(const MCNodePtr &folder, const QVector<QPair<int, int>> &spans,
                               const std::function<bool(const MCAbstractObjectNode *)> &takesPart)
    : m_folder(folder)
    , m_order(folder ? folder->children() : MCNodeList())
{
    const int rows = m_order.size();
    for (const auto &span : spans) {
        int first = -1;
        for (int row = span.first; row <= qMin(span.second, rows - 1); ++row) {
            if (takesPart(m_order.at(row).data())) {
                if (first < 0)
                    first = row;
                continue;
            }
            if (first >= 0)
                m_runs.append({first, row - 1});
            first = -1;
        }
        if (first >= 0)
            m_runs.append({first, qMin(span.second, rows - 1)});
    }
}

MCNodeList MCRowSelection::nodes() const
{
    MCNodeList nodes;
    int total = 0;
    for (const auto &run : m_runs)
        total += run.second - run.first + 1;
    nodes.reserve(total);
    for (const auto &run : m_runs) {
        for (int row = run.first; row <= run.second; ++row)
            nodes.append(m_order.at(row));
    }
    return nodes;
}

bool MCRowSelection::holdsFor(const MCNodePtr &folder) const
{
    return m_folder && folder == m_folder &&
           folder->children().constData() == m_order.constData() &&
           folder->children().size() == m_order.size();
}

QItemSelection MCRowSelection::selection(const QAbstractItemModel *model, int lastColumn) const
{
    QItemSelection selection;
    selection.reserve(m_runs.size());
    for (const auto &run : m_runs)
        selection.append(
            QItemSelectionRange(model->index(run.first, 0), model->index(run.second, lastColumn)));
    return selection;
}

int MCRowSelection::count(const std::function<bool(const MCAbstractObjectNode *)> &takesPart) const
{
    int count = 0;
    for (const auto &run : m_runs) {
        for (int row = run.first; row <= run.second; ++row)
            count += takesPart(m_order.at(row).data()) ? 1 : 0;
    }
    return count;
}
