#include "mccontactcellview.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionViewItem>

MCContactCellView::MCContactCellView(QWidget *parent)
    : QWidget(parent)
    , m_contactName(new QLabel(this))
    , m_statusImageView(new QLabel(this))
    , m_boxImage(new QFrame(this))
{
    m_contactName->setTextFormat(Qt::PlainText);
    m_statusImageView->setScaledContents(true);
    m_boxImage->setFrameShape(QFrame::StyledPanel);
}

QRect MCContactCellView::boxRect(const QRect &cell)
{
    const int side = qBound(0, cell.height() - 4, 32);
    return QRect(cell.left() + Margin, cell.top() + (cell.height() - side) / 2, side, side);
}

QRect MCContactCellView::statusRect(const QRect &cell)
{
    return QRect(cell.right() + 1 - Margin - StatusSide,
                 cell.top() + (cell.height() - StatusSide) / 2, StatusSide, StatusSide);
}

QRect MCContactCellView::nameRect(const QRect &cell)
{
    const int left = boxRect(cell).right() + 1 + Spacing;
    const int right = statusRect(cell).left() - Spacing;
    return QRect(left, cell.top(), qMax(0, right - left), cell.height());
}

QSize MCContactCellView::sizeHint() const
{
    // A 32-pixel picture with its margins, and room for a name.
    return QSize(2 * Margin + 32 + 2 * Spacing + m_contactName->sizeHint().width() + StatusSide,
                 36);
}

void MCContactCellView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_boxImage->setGeometry(boxRect(rect()));
    m_contactName->setGeometry(nameRect(rect()));
    m_statusImageView->setGeometry(statusRect(rect()));
}

void MCContactCellView::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QPixmap &status)
{
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    QStyleOptionViewItem background = option;
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~QStyleOptionViewItem::HasDecoration;
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    painter->save();
    // The frame is the picture's: a row without one shows neither.
    if (!option.icon.isNull()) {
        const QRect box = boxRect(option.rect);
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        option.icon.paint(painter, box.adjusted(2, 2, -2, -2));
    }
    if (!status.isNull()) {
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawPixmap(statusRect(option.rect), status);
    }
    painter->restore();

    // The name beside the picture, in the selection's text colour when the row is selected.
    QStyleOptionViewItem name = background;
    name.rect = nameRect(option.rect);
    name.text = option.text;
    name.backgroundBrush = Qt::NoBrush;
    name.showDecorationSelected = false;
    name.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (option.state & QStyle::State_Selected)
        name.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    style->drawControl(QStyle::CE_ItemViewItem, &name, painter, widget);
}
