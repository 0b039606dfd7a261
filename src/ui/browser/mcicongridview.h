#pragma once

#include <QListView>

// The icon view's grid. A change to a large selection repaints the whole viewport: the list
// view measures every row of the change to find the few on screen.
class MCIconGridView : public QListView
{
    Q_OBJECT

public:
    explicit MCIconGridView(QWidget *parent = nullptr);

protected:
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
};
