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
    m_editor = editor;
    return editor;
}

void MCNameEditingDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *field = qobject_cast<MCIconNameEditor *>(editor);
    if (!field) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const MCNodePtr node = index.data(NodeRole).value<MCNodePtr>();
    field->begin(node, index.data(Qt::EditRole).toString(), node && node->isDir());
}

void MCNameEditingDelegate::setModelData(QWidget *editor, QAbstractItemModel *,
                                         const QModelIndex &) const
{
    if (auto *field = qobject_cast<MCIconNameEditor *>(editor))
        emit nameEdited(field->node(), field->text());
}

bool MCNameEditingDelegate::isEditing(const QModelIndex &index) const
{
    // By node: the edited row may move while its name is being typed.
    return m_editor && !m_editor->isHidden() && m_editor->hasBegun() &&
           m_editor->node() == index.data(NodeRole).value<MCNodePtr>();
}

bool MCNameEditingDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *field = qobject_cast<MCIconNameEditor *>(object);
    if (field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape)
            emit nameEditCancelled(field->node());
        // The name is taken as it stands when Return is pressed. Qt would commit it from the
        // event loop, where a listing that replaced the row meanwhile drops it unsaid.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit commitData(field);
            emit closeEditor(field, SubmitModelCache);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
