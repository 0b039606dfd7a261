#include "mcbrowser.h"

#include "mcbrowsercolumn.h"

#include <QListView>
#include <QResizeEvent>

MCBrowser::MCBrowser(QWidget *parent)
    : QColumnView(parent)
{
    setObjectName(QStringLiteral("browser"));
}

void MCBrowser::layOutColumns()
{
    // The view places its columns when it is resized; the size is the same.
    QResizeEvent event(size(), size());
    QColumnView::resizeEvent(&event);
}

QAbstractItemView *MCBrowser::createColumn(const QModelIndex &rootIndex)
{
    // As the base class makes a column, of our own class.
    auto *column = new MCBrowserColumn(viewport());
    initializeColumn(column);
    column->setRootIndex(rootIndex);
    if (model()->canFetchMore(rootIndex))
        model()->fetchMore(rootIndex);
    column->setContextMenuPolicy(Qt::CustomContextMenu);
    column->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->setTextElideMode(Qt::ElideMiddle);
    // Rows of one height: a large folder's column is laid out without measuring each row.
    column->setUniformItemSizes(true);
    emit columnCreated(column);
    return column;
}
