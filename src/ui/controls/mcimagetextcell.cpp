#include "mcimagetextcell.h"

#include "mccolor.h"
#include "mciconnameeditor.h"
#include "mcimageview.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

namespace {

bool hasImage(const QModelIndex &index)
{
    return !index.data(Qt::DecorationRole).value<QIcon>().isNull();
}

} // namespace

MCImageTextCell::MCImageTextCell(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QRect MCImageTextCell::imageRectForBounds(const QRect &bounds, bool image)
{
    if (!image)
        return QRect();
    return QRect(bounds.x() + ImageInset, bounds.y() + (bounds.height() - ImageSide + 1) / 2,
                 ImageSide, ImageSide);
}

QRect MCImageTextCell::titleRectForBounds(const QRect &bounds, bool image)
{
    if (!image)
        return bounds;
    return bounds.adjusted(ImageSide + ImageInset, 0, 0, 0);
}

bool MCImageTextCell::isContentHit(const QPoint &point, const QRect &bounds, bool image)
{
    return image && imageRectForBounds(bounds, true).contains(point);
}

void MCImageTextCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.textElideMode = Qt::ElideRight;
    paintCell(painter, opt, m_addBorder);
}

void MCImageTextCell::paintCell(QPainter *painter, const QStyleOptionViewItem &option,
                                bool addBorder)
{
    QStyleOptionViewItem opt = option;
    const bool image = !opt.icon.isNull();
    const QIcon icon = opt.icon;
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // The row's background and selection over the whole cell, then the text beside the icon.
    QStyleOptionViewItem background = opt;
    background.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    if (image) {
        QIcon::Mode mode = opt.state & QStyle::State_Selected ? QIcon::Selected : QIcon::Normal;
        if (!(opt.state & QStyle::State_Enabled))
            mode = QIcon::Disabled;
        QRect iconRect = imageRectForBounds(opt.rect, true);
        if (addBorder) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            QRectF box(iconRect);
            QRectF shadow = box.translated(0, 1);
            painter->fillPath(MCImageView::shadowBoxPathForRect(&shadow, 2), Qt::gray);
            box.adjust(0.5, 0.5, -0.5, -0.5);
            painter->setPen(QPen(MCColor::silver(), 1));
            painter->setBrush(Qt::white);
            painter->drawRect(box);
            box.adjust(1, 1, -1, -1);
            painter->setPen(QPen(Qt::black, 0.25));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(box);
            painter->restore();
            iconRect.adjust(2, 2, -2, -2);
        }
        icon.paint(painter, iconRect, Qt::AlignCenter, mode);
    }
    opt.rect = titleRectForBounds(opt.rect, image);
    opt.backgroundBrush = Qt::NoBrush;
    opt.state &= ~QStyle::State_HasFocus;
    QStyleOptionViewItem text = opt;
    text.showDecorationSelected = false;
    text.state &= ~QStyle::State_Selected;
    if (opt.state & QStyle::State_Selected)
        text.palette.setColor(QPalette::Text, opt.palette.color(QPalette::HighlightedText));
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, widget);
}

QSize MCImageTextCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    QSize size = QStyledItemDelegate::sizeHint(opt, index);
    size.rwidth() += (hasImage(index) ? ImageSide : 0) + ImageInset;
    size.setHeight(qMax(size.height(), ImageSide));
    return size;
}

void MCImageTextCell::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    QStyledItemDelegate::setEditorData(editor, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        QPalette palette = line->palette();
        palette.setColor(QPalette::Text, Qt::black);
        line->setPalette(palette);
        line->setSelection(0, MCIconNameEditor::baseNameLength(line->text(), false));
    }
}

void MCImageTextCell::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    const QRect title = titleRectForBounds(option.rect, hasImage(index));
    editor->setGeometry(title.adjusted(ImageInset, 0, ImageInset, -2));
}
