#include "mciconfieldcell.h"

#include "mciconnameeditor.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QTimer>

MCIconFieldCell::MCIconFieldCell(QObject *parent)
    : QStyledItemDelegate(parent)
{}

bool MCIconFieldCell::isGroupCell(const QModelIndex &index)
{
    return index.data(Qt::DecorationRole).value<QIcon>().isNull() &&
           index.data(Qt::DecorationRole).value<QPixmap>().isNull() &&
           !index.data(Qt::DisplayRole).toString().isEmpty();
}

bool MCIconFieldCell::hasIcon(const QModelIndex &index) const
{
    const QVariant decoration = index.data(Qt::DecorationRole);
    return !decoration.value<QIcon>().isNull() || !decoration.value<QPixmap>().isNull();
}

QRect MCIconFieldCell::titleRectForBounds(const QRect &bounds, const QModelIndex &index,
                                          const QFont &font) const
{
    const int slice = (hasIcon(index) ? iconSide() : 0) + 3;
    const int textHeight = QFontMetrics(font).height();
    return QRect(bounds.x() + slice + 9, bounds.y() + (bounds.height() - textHeight) / 2,
                 bounds.width() - slice - 10, textHeight + 1);
}

void MCIconFieldCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    const QString text = base.text;
    // The background (selection, hover) as the style draws it; icon and text are ours.
    base.text.clear();
    base.icon = QIcon();
    base.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, widget);
    if (!hasIcon(index) && text.isEmpty())
        return;
    painter->save();
    const QRect frame = option.rect;
    if (hasIcon(index)) {
        const QVariant decoration = index.data(Qt::DecorationRole);
        const QIcon icon = decoration.canConvert<QIcon>() && !decoration.value<QIcon>().isNull()
                               ? decoration.value<QIcon>()
                               : QIcon(decoration.value<QPixmap>());
        const QRect iconRect(frame.x() + 3, frame.y() + (frame.height() - iconSide()) / 2,
                             iconSide(), iconSide());
        icon.paint(painter, iconRect);
    }
    QFont font = option.font;
    if (isGroupCell(index))
        font.setBold(true);
    painter->setFont(font);
    painter->setPen(option.palette.color(
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect title =
        isGroupCell(index) ? frame.adjusted(3, 0, 0, 0) : titleRectForBounds(frame, index, font);
    // A name bounded already ends in its cut: one more goes at that end, never a second one in
    // the middle.
    const Qt::TextElideMode mode = text.endsWith(QChar(0x2026)) ? Qt::ElideRight : Qt::ElideMiddle;
    painter->drawText(title, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                      QFontMetrics(font).elidedText(text, mode, title.width()));
    painter->restore();
}

QSize MCIconFieldCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    const int extra = hasIcon(index) ? iconSide() + 3 : 3;
    return QSize(QFontMetrics(option.font).horizontalAdvance(index.data().toString()) + extra + 19,
                 qMax(base.height(), iconSide() + 4));
}

QWidget *MCIconFieldCell::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                       const QModelIndex &) const
{
    auto *editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("fieldEditor"));
    editor->setFrame(false);
    return editor;
}

void MCIconFieldCell::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *field = qobject_cast<QLineEdit *>(editor);
    if (!field)
        return;
    const QString name = index.data(Qt::EditRole).toString();
    field->setText(name);
    const int length = MCIconNameEditor::baseNameLength(name, false);
    field->setSelection(0, length);
    // The view selects the whole text once the editor is open: select again after it.
    QPointer<QLineEdit> guarded(field);
    QTimer::singleShot(0, field, [guarded, length] {
        if (guarded)
            guarded->setSelection(0, length);
    });
}

void MCIconFieldCell::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    editor->setGeometry(titleRectForBounds(option.rect, index, option.font));
}
