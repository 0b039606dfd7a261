#ifndef MCNAMEEDITINGDELEGATE_H
#define MCNAMEEDITINGDELEGATE_H

#include "mcabstractobjectnode.h"

#include <QPointer>
#include <QStyledItemDelegate>

class MCIconNameEditor;

// The base of the browser views' item delegates: in-place naming. The editor is an
// MCIconNameEditor that opens with the base name selected; what is typed is not written to the
// model but handed on (nameEdited), and the view's controller decides what happens to it. The
// edited row's node is read from NodeRole, which every browser item model answers.
class MCNameEditingDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The role under which the browser item models give a row's MCNodePtr.
    static constexpr int NodeRole = Qt::UserRole + 1;

    explicit MCNameEditingDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

signals:
    // The edit of node's name ended with text (Return, or the field lost the focus).
    void nameEdited(const MCNodePtr &node, const QString &text) const;
    // The edit was cancelled with Escape.
    void nameEditCancelled(const MCNodePtr &node) const;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
    // The editor's text alignment: centred under an icon, left in a row.
    virtual Qt::Alignment editorAlignment() const { return Qt::AlignLeft | Qt::AlignVCenter; }
    // The row's name is being edited (its editor is open over it).
    bool isEditing(const QModelIndex &index) const;

private:
    mutable QPointer<MCIconNameEditor> m_editor;
};

#endif // MCNAMEEDITINGDELEGATE_H
