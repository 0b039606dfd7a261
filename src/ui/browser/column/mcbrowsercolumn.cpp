#include "mcbrowsercolumn.h"

MCBrowserColumn::MCBrowserColumn(QWidget *parent)
    : QListView(parent)
{}

void MCBrowserColumn::setSelectionModel(QItemSelectionModel *selectionModel)
{
    m_handingOver = true;
    QListView::setSelectionModel(selectionModel);
    m_handingOver = false;
}

void MCBrowserColumn::commitData(QWidget *editor)
{
    if (!m_handingOver)
        QListView::commitData(editor);
}

void MCBrowserColumn::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (!m_handingOver)
        QListView::closeEditor(editor, hint);
}
