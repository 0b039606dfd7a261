#include "mciconitemdelegate.h"

#include "mciconitemmodel.h"
#include "mcimageview.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTextLayout>

namespace {
constexpr int LabelLines = 2;
constexpr int MaxExtensionLength = 16;
const char EditorLabelRect[] = "labelRect";
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

int MCIconItemDelegate::extensionStart(const QString &name)
{
    // A short suffix after the last dot; a leading dot names a hidden file, not a kind.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1 || name.size() - dot > MaxExtensionLength)
        return -1;
    for (int i = dot + 1; i < name.size(); ++i) {
        if (name.at(i).isSpace())
            return -1;
    }
    return dot;
}

QStringList MCIconItemDelegate::labelLines(const QString &text, const QFont &font, qreal width,
                                           bool *continues)
{
    // Lines break between words; a word longer than a line breaks where it must, but never
    // inside the extension, which goes to the next line whole.
    const int extension = extensionStart(text);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QStringList lines;
    int start = 0;
    int lastStart = 0;
    while (lines.size() < LabelLines && start < text.size()) {
        QTextLayout layout(text.mid(start), font);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(width);
        int end = start + qMax(1, line.textLength());
        layout.endLayout();
        if (extension > start && end > extension && end < text.size())
            end = extension;
        lastStart = start;
        lines.append(text.mid(start, end - start));
        start = end;
    }
    if (lines.isEmpty())
        lines.append(QString()); // an empty name still has its (empty) line
    const bool more = start < text.size();
    if (more) {
        // The rest of the name joins the last line, shortened before the extension, which
        // stays whole when it fits at all.
        const QFontMetricsF metrics(font);
        const QString tail = extension >= lastStart ? text.mid(extension) : QString();
        const qreal tailWidth = metrics.horizontalAdvance(tail);
        const qreal ellipsis = metrics.horizontalAdvance(QChar(0x2026));
        lines.last() = !tail.isEmpty() && tailWidth + ellipsis <= width
                           ? metrics.elidedText(text.mid(lastStart, extension - lastStart),
                                                Qt::ElideRight, width - tailWidth) +
                                 tail
                           : metrics.elidedText(text.mid(lastStart), Qt::ElideMiddle, width);
    }
    if (continues)
        *continues = more;
    return lines;
}

QVector<qreal> MCIconItemDelegate::lineWidths(const QString &text, const QFont &font, qreal width,
                                              bool *continues)
{
    const QFontMetricsF metrics(font);
    QVector<qreal> widths;
    for (const QString &line : labelLines(text, font, width, continues))
        widths.append(qMin(width, metrics.horizontalAdvance(line.trimmed())));
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
    // At most two lines, broken as the highlight measured them; the rest is cut with an
    // ellipsis.
    const QFontMetricsF metrics(option.font);
    const QStringList lines =
        oneLine ? QStringList{name} : labelLines(name, option.font, inner.width(), nullptr);
    const int nameLines = qMax(1, int(lines.size()));
    // The name being edited is drawn by its editor alone.
    if (!isEditing(index)) {
        const Qt::Alignment alignment = (right ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignTop;
        for (int i = 0; i < lines.size(); ++i) {
            const QRectF line(inner.left(), inner.top() + i * metrics.lineSpacing(), inner.width(),
                              metrics.lineSpacing());
            painter->drawText(line, int(alignment) | Qt::TextSingleLine, lines.at(i).trimmed());
        }
    }
    const QString info =
        m_additionalInfo ? index.data(MCIconItemModel::AdditionalInfoRole).toString() : QString();
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

QWidget *MCIconItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    QWidget *editor = MCNameEditingDelegate::createEditor(parent, option, index);
    // The field widens as the name grows.
    if (auto *field = qobject_cast<QLineEdit *>(editor))
        connect(field, &QLineEdit::textChanged, field, [field] { fitEditor(field); });
    return editor;
}

void MCIconItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &) const
{
    editor->setProperty(EditorLabelRect, labelRect(option.rect));
    if (auto *field = qobject_cast<QLineEdit *>(editor))
        fitEditor(field);
}

void MCIconItemDelegate::fitEditor(QLineEdit *field)
{
    // Over the whole name: at least the label's width, wide enough for the text and the
    // field's own frame and margins, never wider than the view; centred under the icon.
    const QRect label = field->property(EditorLabelRect).toRect();
    const QFontMetrics metrics(field->font());
    const int chrome = field->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    const int room = field->parentWidget() ? field->parentWidget()->width() : label.width();
    const int width = qMax(label.width(), qMin(room, metrics.horizontalAdvance(field->text()) +
                                                         chrome + metrics.averageCharWidth()));
    const int x = qBound(0, label.center().x() + 1 - width / 2, qMax(0, room - width));
    field->setGeometry(x, label.y(), width, field->sizeHint().height());
}
