#include "mccheckboxcellview.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QStyleOption>

namespace {

QStyle *styleOf(const QWidget *widget)
{
    return widget ? widget->style() : QApplication::style();
}

} // namespace

MCCheckboxCellView::MCCheckboxCellView(QWidget *parent)
    : QWidget(parent)
    , m_buttonCheckBox(new QCheckBox(this))
{
    m_buttonCheckBox->setObjectName(QStringLiteral("buttonCheckBox"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(Margin, 0, Margin, 0);
    layout->addWidget(m_buttonCheckBox);
}

QRect MCCheckboxCellView::checkRect(const QRect &cell, const QWidget *widget)
{
    const QStyle *style = styleOf(widget);
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    return QRect(cell.left() + Margin, cell.top() + (cell.height() - height) / 2, width, height);
}

QSize MCCheckboxCellView::cellSize(const QWidget *widget)
{
    const QRect box = checkRect(QRect(), widget);
    return QSize(box.width() + 2 * Margin, box.height() + 2);
}

void MCCheckboxCellView::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               Qt::CheckState state)
{
    QStyle *style = styleOf(option.widget);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, option.widget);
    QStyleOptionButton box;
    box.rect = checkRect(option.rect, option.widget);
    box.palette = option.palette;
    box.direction = option.direction;
    box.fontMetrics = option.fontMetrics;
    box.state = option.state & QStyle::State_Enabled;
    box.state |= state == Qt::Checked            ? QStyle::State_On
                 : state == Qt::PartiallyChecked ? QStyle::State_NoChange
                                                 : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, option.widget);
}
