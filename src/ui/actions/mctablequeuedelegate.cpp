#include "mctablequeuedelegate.h"

#include "mcoperation.h"
#include "mctablequeuemodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QPainterPath>

namespace {

constexpr int ButtonSide = 20;
constexpr int RowHeight = 48;

void drawGlyph(QPainter *painter, const QRect &rect, const QString &identifier, bool hovered,
               bool enabled)
{
    // Our own artwork: a round button with the action's sign, coloured while hovered.
    QColor fill = QColor(0xC8, 0xC8, 0xC8);
    if (hovered && enabled) {
        if (identifier == QLatin1String("abort"))
            fill = QColor(0xE0, 0x4B, 0x3A);
        else if (identifier == QLatin1String("resume"))
            fill = QColor(0x3A, 0xA5, 0x5D);
        else
            fill = QColor(0xF0, 0xA0, 0x30);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setOpacity(enabled ? 1.0 : 0.4);
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawEllipse(rect.adjusted(1, 1, -1, -1));
    painter->setBrush(Qt::white);
    const QRectF inner = QRectF(rect).adjusted(6, 6, -6, -6);
    if (identifier == QLatin1String("abort")) {
        painter->setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
        painter->drawLine(inner.topLeft(), inner.bottomRight());
        painter->drawLine(inner.topRight(), inner.bottomLeft());
    } else if (identifier == QLatin1String("resume")) {
        QPainterPath triangle;
        triangle.moveTo(inner.left() + 1, inner.top());
        triangle.lineTo(inner.right() + 1, inner.center().y());
        triangle.lineTo(inner.left() + 1, inner.bottom());
        triangle.closeSubpath();
        painter->drawPath(triangle);
    } else {
        const qreal bar = inner.width() / 3.0;
        painter->drawRect(QRectF(inner.left(), inner.top(), bar, inner.height()));
        painter->drawRect(QRectF(inner.right() - bar, inner.top(), bar, inner.height()));
    }
    painter->restore();
}

} // namespace

MCTableQueueDelegate::MCTableQueueDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QRect MCTableQueueDelegate::buttonRect(const QRect &cell, Button button)
{
    const int top = cell.top() + (cell.height() - ButtonSide) / 2;
    const int left = cell.left() + 4 + (button == AbortButton ? ButtonSide + 4 : 0);
    return QRect(left, top, ButtonSide, ButtonSide);
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
           (status != MCOperation::Pausing && status != MCOperation::Resuming);
}

QSize MCTableQueueDelegate::sizeHint(const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(RowHeight);
    if (index.column() == MCTableQueueModel::InteractionColumn)
        size.setWidth(2 * ButtonSide + 12);
    return size;
}

void MCTableQueueDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    switch (index.column()) {
    case MCTableQueueModel::InteractionColumn: {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, QModelIndex());
        QApplication::style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter,
                                             option.widget);
        paintButtons(painter, option, index);
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

void MCTableQueueDelegate::paintButtons(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (!index.data(MCTableQueueModel::ButtonsVisibleRole).toBool())
        return;
    for (Button button : {PauseButton, AbortButton}) {
        const bool hovered = m_hoveredIndex == index && m_hoveredButton == button;
        drawGlyph(painter, buttonRect(option.rect, button), identifierOf(index, button), hovered,
                  isButtonEnabled(index, button));
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
    if (event->type() == QEvent::ToolTip && index.column() == MCTableQueueModel::InteractionColumn &&
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
