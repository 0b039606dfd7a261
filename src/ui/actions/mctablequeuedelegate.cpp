#include "mctablequeuedelegate.h"

#include "mcoperation.h"
#include "mctablequeuemodel.h"
#include "mctablequeuestopcell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int RowHeight = 48;

} // namespace

MCTableQueueDelegate::MCTableQueueDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QRect MCTableQueueDelegate::buttonRect(const QRect &cell, Button button)
{
    return MCTableQueueStopCell::buttonRect(cell, button == AbortButton
                                                      ? MCTableQueueStopCell::AbortButton
                                                      : MCTableQueueStopCell::PauseButton);
}

QString MCTableQueueDelegate::identifierOf(const QModelIndex &index, Button button)
{
    if (button == AbortButton)
        return QStringLiteral("abort");
    return index.data(MCTableQueueModel::PauseButtonRole).toString();
}

QString MCTableQueueDelegate::toolTipFor(const QString &identifier)
{
    if (identifier == QLatin1String("resume"))
        return tr("Resume transfer");
    if (identifier == QLatin1String("stop"))
        return tr("Pause transfer");
    if (identifier == QLatin1String("abort"))
        return tr("Abort transfer");
    return QString();
}

bool MCTableQueueDelegate::isButtonEnabled(const QModelIndex &index, Button button)
{
    if (!index.data(MCTableQueueModel::ButtonsVisibleRole).toBool())
        return false;
    const qint64 status = index.data(MCTableQueueModel::StatusRole).toLongLong();
    if (status == MCOperation::AbortRequested)
        return false;
    return button == AbortButton ||
           (status != MCOperation::Pausing && status != MCOperation::Resuming &&
            !index.data(MCTableQueueModel::WaitingRole).toBool());
}

QSize MCTableQueueDelegate::sizeHint(const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(RowHeight);
    if (index.column() == MCTableQueueModel::InteractionColumn)
        size.setWidth(MCTableQueueStopCell::cellWidth());
    return size;
}

void MCTableQueueDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    switch (index.column()) {
    case MCTableQueueModel::InteractionColumn: {
        const bool shown = index.data(MCTableQueueModel::ButtonsVisibleRole).toBool();
        const int hovered = m_hoveredIndex == index ? m_hoveredButton : -1;
        MCTableQueueStopCell::paint(
            painter, option, shown ? identifierOf(index, PauseButton) : QString(), hovered,
            isButtonEnabled(index, PauseButton), isButtonEnabled(index, AbortButton));
        return;
    }
    case MCTableQueueModel::StatusColumn: {
        QStyleOptionViewItem background = option;
        QApplication::style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter,
                                             option.widget);
        paintStatus(painter, option, index);
        return;
    }
    default: {
        QStyleOptionViewItem centred = option;
        centred.decorationAlignment = Qt::AlignCenter;
        centred.decorationSize =
            index.column() == MCTableQueueModel::IconColumn ? QSize(32, 32) : QSize(16, 16);
        centred.displayAlignment = Qt::AlignCenter;
        QStyledItemDelegate::paint(painter, centred, index);
        return;
    }
    }
}

void MCTableQueueDelegate::paintStatus(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    const QString first = index.data(Qt::DisplayRole).toString();
    const QString second = index.data(MCTableQueueModel::SecondLineRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorRole textRole = selected ? QPalette::HighlightedText : QPalette::Text;
    const QRect area = option.rect.adjusted(4, 3, -6, -3);
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const QFontMetrics metrics(option.font);

    painter->save();
    painter->setPen(option.palette.color(textRole));
    painter->setFont(bold);
    painter->drawText(QRect(area.left(), area.top(), area.width(), boldMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      boldMetrics.elidedText(first, Qt::ElideMiddle, area.width()));
    int y = area.top() + boldMetrics.height();
    if (index.data(MCTableQueueModel::ProgressVisibleRole).toBool()) {
        const double progress = index.data(MCTableQueueModel::ProgressRole).toDouble();
        QStyleOptionProgressBar bar;
        bar.rect = QRect(area.left(), y + 1, area.width(), 6);
        bar.minimum = 0;
        bar.maximum = progress < 0 ? 0 : 1000;
        bar.progress = progress < 0 ? 0 : int(progress * 10);
        bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
        bar.palette = option.palette;
        QApplication::style()->drawControl(QStyle::CE_ProgressBarGroove, &bar, painter,
                                           option.widget);
        QApplication::style()->drawControl(QStyle::CE_ProgressBarContents, &bar, painter,
                                           option.widget);
        y += 8;
    }
    if (!second.isEmpty()) {
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Disabled, textRole));
        painter->drawText(QRect(area.left(), y, area.width(), metrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(second, Qt::ElideRight, area.width()));
    }
    painter->restore();
}

void MCTableQueueDelegate::setHover(QAbstractItemView *view, const QModelIndex &index, int button)
{
    const QModelIndex hovered = button >= 0 ? index : QModelIndex();
    if (m_hoveredIndex == hovered && m_hoveredButton == button)
        return;
    const QPersistentModelIndex previous = m_hoveredIndex;
    m_hoveredIndex = hovered;
    m_hoveredButton = button;
    if (previous.isValid())
        view->update(previous);
    if (hovered.isValid())
        view->update(hovered);
}

bool MCTableQueueDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                       const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (index.column() != MCTableQueueModel::InteractionColumn ||
        !index.data(MCTableQueueModel::ButtonsVisibleRole).toBool())
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    for (Button button : {PauseButton, AbortButton}) {
        if (!buttonRect(option.rect, button).contains(mouse->pos()))
            continue;
        if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
            isButtonEnabled(index, button))
            emit buttonClicked(index, identifierOf(index, button));
        return true;
    }
    return false;
}

bool MCTableQueueDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                     const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() == QEvent::ToolTip &&
        index.column() == MCTableQueueModel::InteractionColumn &&
        index.data(MCTableQueueModel::ButtonsVisibleRole).toBool()) {
        for (Button button : {PauseButton, AbortButton}) {
            if (buttonRect(option.rect, button).contains(event->pos())) {
                QToolTip::showText(event->globalPos(), toolTipFor(identifierOf(index, button)),
                                   view);
                return true;
            }
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
