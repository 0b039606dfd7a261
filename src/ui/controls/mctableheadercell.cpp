#include "mctableheadercell.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionHeader>

namespace {

QFont headerFont(const QFont &base)
{
    QFont font(base);
    font.setBold(true);
    font.setPixelSize(11);
    return font;
}

} // namespace

MCTableHeaderCell::MCTableHeaderCell(QWidget *parent)
    // The titles of an active table: in a disabled control's grey they read as switched off.
    : MCTableHeaderCell(4, QApplication::palette().color(QPalette::Active, QPalette::WindowText),
                        parent)
{}

MCTableHeaderCell::MCTableHeaderCell(int leadingBlanks, const QColor &titleColor, QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_leadingBlanks(leadingBlanks)
    , m_titleColor(titleColor)
{
    setFixedHeight(22);
    setSectionsClickable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QString MCTableHeaderCell::headerTitle(const QString &title) const
{
    return title.isEmpty() ? title : QString(m_leadingBlanks, QLatin1Char(' ')) + title;
}

QColor MCTableHeaderCell::titleColor() const
{
    return m_titleColor;
}

void MCTableHeaderCell::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    painter->save();
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.1, QColor::fromRgbF(1.0, 1.0, 1.0));
    gradient.setColorAt(0.9, QColor::fromRgbF(0.95, 0.95, 0.95));
    painter->fillRect(rect, gradient);

    const QString title = headerTitle(
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString());
    QRect textRect = rect;
    const bool sorted = isSortIndicatorShown() && sortIndicatorSection() == logicalIndex;
    if (sorted)
        textRect.setRight(rect.right() - 16);
    if (!title.isEmpty()) {
        painter->setFont(headerFont(font()));
        painter->setPen(m_titleColor);
        painter->drawText(
            textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            painter->fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()));
    }
    if (sorted) {
        QStyleOptionHeader arrow;
        arrow.initFrom(this);
        arrow.rect = QRect(rect.right() - 14, rect.top() + (rect.height() - 8) / 2, 9, 8);
        // Qt's header draws the up arrow for a descending order; so do we, for one look.
        arrow.sortIndicator = sortIndicatorOrder() == Qt::AscendingOrder
                                  ? QStyleOptionHeader::SortDown
                                  : QStyleOptionHeader::SortUp;
        style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
    }
    painter->setPen(Qt::gray);
    painter->drawLine(QPoint(rect.right(), rect.top() + 3),
                      QPoint(rect.right(), rect.bottom() - 3));
    painter->drawLine(QPoint(rect.left(), rect.bottom()), QPoint(rect.right(), rect.bottom()));
    painter->restore();
}

QSize MCTableHeaderCell::sectionSizeFromContents(int logicalIndex) const
{
    const QString title = headerTitle(
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString());
    const QFontMetrics metrics(headerFont(font()));
    return QSize(metrics.horizontalAdvance(title) + 24, 22);
}
