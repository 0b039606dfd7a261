#include "mcbrowser.h"

MCBrowser::MCBrowser(QWidget *parent)
    : QColumnView(parent)
{
    setObjectName(QStringLiteral("browser"));
}

QAbstractItemView *MCBrowser::createColumn(const QModelIndex &rootIndex)
{
    QAbstractItemView *column = QColumnView::createColumn(rootIndex);
    column->setContextMenuPolicy(Qt::CustomContextMenu);
    column->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->setTextElideMode(Qt::ElideMiddle);
    emit columnCreated(column);
    return column;
}
