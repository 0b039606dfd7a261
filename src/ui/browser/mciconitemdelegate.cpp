#include "mciconitemdelegate.h"

#include "mciconitemmodel.h"
#include "mcimageview.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

namespace {
constexpr int LabelLines = 2;
constexpr int Spacing = 4;
} // namespace

MCIconItemDelegate::MCIconItemDelegate(QObject *parent)
    : MCNameEditingDelegate(parent)
{}

QRect MCIconItemDelegate::iconRect(const QRect &itemRect) const
{
    if (m_labelPosition == LabelRight)
        return QRect(itemRect.x() + Spacing, itemRect.y() + (itemRect.height() - m_iconSize) / 2,
                     m_iconSize, m_iconSize);
    return QRect(itemRect.x() + (itemRect.width() - m_iconSize) / 2, itemRect.y() + Spacing,
                 m_iconSize, m_iconSize);
}

QRect MCIconItemDelegate::labelRect(const QRect &itemRect) const
{
    const QRect icon = iconRect(itemRect);
    const int lineHeight = QFontMetrics(QApplication::font()).lineSpacing();
    if (m_labelPosition == LabelRight) {
        const int height = lineHeight * LabelLines + 4;
        // The text starts 4 pixels inside the label.
        return QRect(icon.right() + 1 + Spacing, itemRect.y() + (itemRect.height() - height) / 2,
                     itemRect.right() - icon.right() - Spacing, height);
    }
    return QRect(itemRect.x() + 2, icon.bottom() + 1 + Spacing, itemRect.width() - 4,
                 lineHeight * LabelLines + 4);
}

QColor MCIconItemDelegate::unselectedTextColor(bool busy) const
{
    if (m_viewStyle == 1)
        return busy ? QColor(Qt::gray) : QColor(Qt::black);
    return Qt::white;
}

QVector<qreal> MCIconItemDelegate::lineWidths(const QString &text, const QFont &font, qreal width,
                                              bool *continues)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QVector<qreal> widths;
    layout.beginLayout();
    int end = 0;
    while (widths.size() < LabelLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        widths.append(line.naturalTextWidth());
        end = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (continues)
        *continues = end < text.size();
    return widths;
}

QRectF MCIconItemDelegate::textArea(const QRect &labelRect) const
{
    return m_labelPosition == LabelRight ? QRectF(labelRect).adjusted(4, 0, -4, 0)
                                         : QRectF(labelRect).adjusted(2, 0, -2, 0);
}

MCLabelHighlight MCIconItemDelegate::highlightFor(const QString &text, const QFont &font,
                                                  const QRect &labelRect) const
{
    bool continues = false;
    const bool right = m_labelPosition == LabelRight;
    const QVector<qreal> widths = lineWidths(text, font, textArea(labelRect).width(), &continues);
    return MCLabelHighlight(labelRect, widths, continues,
                            right ? MCLabelHighlight::Left : MCLabelHighlight::Centred);
}

void MCIconItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    painter->save();
    const bool busy = index.data(MCIconItemModel::BusyRole).toBool();
    const QRect icon = iconRect(option.rect);
    const QVariant decoration = index.data(Qt::DecorationRole);
    const bool thumbnail = index.data(MCIconItemModel::IsThumbnailRole).toBool();
    if (decoration.canConvert<QPixmap>() && decoration.type() == QVariant::Pixmap) {
        QPixmap pixmap = decoration.value<QPixmap>();
        if (busy)
            pixmap = QIcon(pixmap).pixmap(pixmap.size(), QIcon::Disabled);
        MCImageView::paintImage(painter, icon, pixmap, thumbnail);
    } else {
        const QIcon fileIcon = decoration.value<QIcon>();
        fileIcon.paint(painter, icon, Qt::AlignCenter, busy ? QIcon::Disabled : QIcon::Normal);
    }
    const QPixmap badge = index.data(MCIconItemModel::BadgeRole).value<QPixmap>();
    if (!badge.isNull()) {
        const int side = qMax(12, m_iconSize / 4);
        painter->drawPixmap(QRect(icon.right() - side + 1, icon.bottom() - side + 1, side, side),
                            badge);
    }

    const QString name = index.data(Qt::DisplayRole).toString();
    const QRect label = labelRect(option.rect);
    const bool selected = option.state & QStyle::State_Selected;
    const bool active = option.state & QStyle::State_Active;
    QColor textColor = unselectedTextColor(busy);
    const bool right = m_labelPosition == LabelRight;
    // The lines are laid out at the width the highlight measured them at, selected or not.
    QRectF inner = textArea(label);
    bool oneLine = false;
    if (selected) {
        const QColor highlight = active
                                     ? option.palette.color(QPalette::Active, QPalette::Highlight)
                                     : QColor::fromRgbF(qreal(0.8f), qreal(0.8f), qreal(0.8f), 1.0);
        textColor = active ? QColor(Qt::white) : QColor(Qt::black);
        const MCLabelHighlight shape = highlightFor(name, option.font, label);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(highlight);
        painter->setBrush(highlight);
        painter->drawPath(shape.path());
        // A one-line name is drawn inside its pill.
        oneLine = shape.rows().size() == 1;
        if (oneLine)
            inner = right ? shape.textRect().adjusted(4, 0, 0, 0) : shape.textRect();
    }
    painter->setPen(textColor);
    painter->setFont(option.font);
    // At most two lines; the rest is cut with an ellipsis.
    const QFontMetricsF metrics(option.font);
    bool continues = false;
    int nameLines = 1;
    if (!oneLine)
        nameLines = qBound(1, int(lineWidths(name, option.font, inner.width(), &continues).size()),
                           int(LabelLines));
    QString shown = name;
    if (continues) {
        QTextLayout layout(name, option.font);
        QTextOption wrapping;
        wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrapping);
        layout.beginLayout();
        QTextLine first = layout.createLine();
        first.setLineWidth(inner.width());
        layout.endLayout();
        const int cut = first.textStart() + first.textLength();
        shown = name.left(cut) + QChar(QChar::LineSeparator) +
                metrics.elidedText(name.mid(cut), Qt::ElideMiddle, inner.width());
    }
    // Wrapped as the lines were measured: at word boundaries, inside a word only when it is
    // longer than a line.
    QTextOption textOption((right ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignTop);
    textOption.setWrapMode(oneLine ? QTextOption::NoWrap
                                   : QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter->drawText(inner, shown, textOption);
    const QString info = m_additionalInfo
                             ? index.data(MCIconItemModel::AdditionalInfoRole).toString()
                             : QString();
    if (!info.isEmpty()) {
        // One smaller line right under the name, in the accent colour.
        QFont small = option.font;
        small.setPointSizeF(option.font.pointSizeF() * 0.85);
        const QFontMetricsF smallMetrics(small);
        const QRectF line(inner.left(), inner.top() + nameLines * metrics.lineSpacing(),
                          inner.width(), smallMetrics.lineSpacing());
        painter->setFont(small);
        painter->setPen(QColor(0x1c, 0x5f, 0xb8));
        painter->drawText(line, (right ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignTop,
                          smallMetrics.elidedText(info, Qt::ElideRight, line.width()));
    }
    painter->restore();
}

QSize MCIconItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    int lineHeight = QFontMetrics(option.font).lineSpacing();
    if (m_additionalInfo) {
        // Room for the info line: half a name line more per name line.
        lineHeight += lineHeight / 2;
    }
    if (m_labelPosition == LabelRight)
        return QSize(m_iconSize + Spacing * 3 + 160,
                     qMax(m_iconSize, lineHeight * 2 + 4) + 2 * Spacing);
    return QSize(qMax(m_iconSize + 2 * Spacing, 96), m_iconSize + 2 * Spacing + lineHeight * 2 + 8);
}

void MCIconItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &) const
{
    const QRect label = labelRect(option.rect);
    editor->setGeometry(label.x(), label.y(), label.width(),
                        qMax(editor->sizeHint().height(), label.height() / 2));
}
