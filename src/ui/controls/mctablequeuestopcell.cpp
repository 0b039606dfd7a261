#include "mctablequeuestopcell.h"

#include "mcbutton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>

MCTableQueueStopCell::MCTableQueueStopCell(QWidget *parent)
    : QWidget(parent)
    , m_buttonPause(new MCButton(this))
    , m_buttonAbort(new MCButton(this))
{
    m_buttonPause->setObjectName(QStringLiteral("buttonPause"));
    m_buttonAbort->setObjectName(QStringLiteral("buttonAbort"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    layout->addWidget(m_buttonPause);
    layout->addWidget(m_buttonAbort);
    layout->addStretch();
}

QRect MCTableQueueStopCell::buttonRect(const QRect &cell, Button button)
{
    const int top = cell.top() + (cell.height() - ButtonSide) / 2;
    const int left = cell.left() + 4 + (button == AbortButton ? ButtonSide + 4 : 0);
    return QRect(left, top, ButtonSide, ButtonSide);
}

void MCTableQueueStopCell::paintButton(QPainter *painter, const QRect &rect,
                                       const QString &identifier, bool hovered, bool enabled)
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

void MCTableQueueStopCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QString &pauseIdentifier, int hoveredButton,
                                 bool pauseEnabled, bool abortEnabled)
{
    QApplication::style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter,
                                         option.widget);
    if (pauseIdentifier.isEmpty())
        return;
    paintButton(painter, buttonRect(option.rect, PauseButton), pauseIdentifier,
                hoveredButton == PauseButton, pauseEnabled);
    paintButton(painter, buttonRect(option.rect, AbortButton), QStringLiteral("abort"),
                hoveredButton == AbortButton, abortEnabled);
}
