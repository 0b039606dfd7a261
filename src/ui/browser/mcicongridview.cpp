#include "mcicongridview.h"

namespace {
// Above this many rows in a change, measuring them costs more than repainting the screen.
constexpr int RowsMeasured = 256;
} // namespace

MCIconGridView::MCIconGridView(QWidget *parent)
    : QListView(parent)
{}

QRegion MCIconGridView::visualRegionForSelection(const QItemSelection &selection) const
{
    int rows = 0;
    for (const QItemSelectionRange &range : selection) {
        rows += range.height();
        if (rows > RowsMeasured)
            return QRegion(viewport()->rect());
    }
    return QListView::visualRegionForSelection(selection);
}
