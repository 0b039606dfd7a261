#include "mcnameeditingdelegate.h"

#include "mciconnameeditor.h"

#include <QKeyEvent>

MCNameEditingDelegate::MCNameEditingDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QWidget *MCNameEditingDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                             const QModelIndex &) const
{
    auto *editor = new MCIconNameEditor(parent);
    editor->setAlignment(editorAlignment());
    return editor;
}

void MCNameEditingDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *field = qobject_cast<MCIconNameEditor *>(editor);
    if (!field) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    field->begin(index.data(NodeRole).value<MCNodePtr>(), index.data(Qt::EditRole).toString());
}

void MCNameEditingDelegate::setModelData(QWidget *editor, QAbstractItemModel *,
                                         const QModelIndex &) const
{
    if (auto *field = qobject_cast<MCIconNameEditor *>(editor))
        emit nameEdited(field->node(), field->text());
}

bool MCNameEditingDelegate::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        if (auto *field = qobject_cast<MCIconNameEditor *>(object))
            emit nameEditCancelled(field->node());
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
