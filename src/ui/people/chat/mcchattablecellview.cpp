#include "mcchattablecellview.h"

#include "mcchatmessageentry.h"
#include "mcchatshowntext.h"
#include "mcchattextview.h"
#include "mcelidedlabel.h"
#include "mcstring.h"

#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <QtMath>

#include "mcemoji.h"

namespace {

const int AccessoryWidth = 64;
const int Picture = 32;

} // namespace

MCChatTableCellView::MCChatTableCellView(const MCChatEntryPtr &entry, bool newEntry,
                                         const QString &senderName, const QPixmap &avatar,
                                         const MCEmoji &emoji, QWidget *parent)
    : MCChatRowView(
          entry, newEntry ? QStringLiteral("textMessage") : QStringLiteral("textMessageAdditional"),
          parent)
    , m_emoji(emoji)
    , m_textView(new MCChatTextView(this))
    , m_accessory(new QLabel(this))
{
    m_accessory->setTextFormat(Qt::PlainText);
    m_accessory->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QFont small = m_accessory->font();
    small.setPixelSize(10);
    m_accessory->setFont(small);
    QPalette grey = m_accessory->palette();
    grey.setColor(QPalette::WindowText, QColor(130, 130, 130));
    m_accessory->setPalette(grey);
    if (entry->itsMe()) {
        // Own messages only: another's message was sent by definition.
        m_notSent = new QToolButton(this);
        m_notSent->setObjectName(QStringLiteral("notSentButton"));
        m_notSent->setAutoRaise(true);
        m_notSent->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_notSent->setPopupMode(QToolButton::InstantPopup);
        m_notSent->setFont(small);
        QPalette red = m_notSent->palette();
        red.setColor(QPalette::ButtonText, QColor(200, 30, 30));
        m_notSent->setPalette(red);
        m_notSent->setToolTip(tr("This message was not sent"));
        auto *menu = new QMenu(m_notSent);
        m_reason = menu->addAction(QString());
        m_reason->setEnabled(false);
        m_reason->setVisible(false);
        m_sendAgain = menu->addAction(tr("Send Again"));
        m_remove = menu->addAction(tr("Remove"));
        m_notSent->setMenu(menu);
        connect(m_sendAgain, &QAction::triggered, this,
                [this] { emit sendAgainRequested(m_entry); });
        connect(m_remove, &QAction::triggered, this, [this] { emit removeRequested(m_entry); });
    }
    refreshAccessory();
    connect(entry.data(), &MCChatEntry::accessoryStringChanged, this,
            &MCChatTableCellView::refreshAccessory);
    if (newEntry) {
        m_name = new MCElidedLabel(this);
        QFont bold = m_name->font();
        bold.setBold(true);
        bold.setPixelSize(12);
        m_name->setFont(bold);
        m_name->setFullText(MCString::stringForName(senderName));
        // Every sender's name starts where the others do, whichever way its letters run.
        m_name->setAlignment(
            Qt::AlignVCenter | Qt::AlignAbsolute |
            (layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft));
        if (!entry->itsMe()) {
            m_picture = new QLabel(this);
            m_picture->setObjectName(QStringLiteral("notMe"));
            m_picture->setFixedSize(Picture, Picture);
            m_picture->setScaledContents(true);
            m_picture->setPixmap(avatar);
        }
    }
    setChatMessage(messageEntry()->textMessage());
}

MCChatMessageEntry *MCChatTableCellView::messageEntry() const
{
    return static_cast<MCChatMessageEntry *>(m_entry.data());
}

QString MCChatTableCellView::accessoryText() const
{
    return m_accessory->text();
}

void MCChatTableCellView::refreshAccessory()
{
    m_accessory->setText(m_entry->accessoryString());
    if (!m_notSent)
        return;
    const bool failed = messageEntry()->sendFailed();
    m_notSent->setText(m_entry->accessoryString());
    // Why, as the service said it: no longer a member of a group, a refusal, no answer.
    const QString reason = messageEntry()->failureReason();
    m_notSent->setToolTip(reason.isEmpty() ? tr("This message was not sent")
                                           : MCString::stringForToolTip(
                                                 tr("This message was not sent: %1").arg(reason)));
    m_reason->setText(MCString::stringByEscapingMnemonics(reason));
    m_reason->setVisible(!reason.isEmpty());
    m_notSent->setVisible(failed);
    m_accessory->setVisible(!failed);
}

void MCChatTableCellView::setChatMessage(const QString &text)
{
    m_textView->setChatMessage(text, m_emoji);
}

int MCChatTableCellView::textWidth(int width) const
{
    return textWidthFor(width, m_imageColumn);
}

int MCChatTableCellView::textWidthFor(int width, bool imageColumn)
{
    return qMax(20, width - (imageColumn ? 44 : 8) - AccessoryWidth - 8);
}

int MCChatTableCellView::measureTextHeight(const QString &text, const MCEmoji &emoji, int textWidth)
{
    static const QFont font = MCEmoji::textFormat().font();
    static const QFont emojiFont = MCEmoji::emojiFormat(QString()).font();
    static const QFontMetrics metrics(font);
    // Most messages are one short line of plain text: no layout for them.
    if (text.size() < 200 && !text.contains(QLatin1Char(':')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) &&
        metrics.horizontalAdvance(text) < textWidth) {
        bool simple = true;
        for (const QChar c : text) {
            if (c.isSurrogate() || c.unicode() >= 0x0590) {
                simple = false;
                break;
            }
        }
        if (simple)
            return metrics.height();
    }
    // A row lays out only the start of a long message, as its view does.
    const MCEmojiText shown = MCChatShownText::of(text, emoji).text;
    // One line with emoji in it: as high as an emoji line, when it fits.
    static const QFontMetrics emojiMetrics(emojiFont);
    static const int emojiLineHeight = [] {
        QTextLayout layout(QStringLiteral("x\U0001F604"), font);
        QTextLayout::FormatRange range;
        range.start = 1;
        range.length = 2;
        range.format.setFont(emojiFont);
        layout.setFormats({range});
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1000);
        layout.endLayout();
        return qCeil(line.height());
    }();
    if (shown.text.size() < 200 && !shown.text.contains(QLatin1Char('\n')) &&
        !shown.text.contains(QLatin1Char('\r'))) {
        int width = 0;
        int from = 0;
        bool simple = true;
        for (const MCEmojiRun &run : shown.emoji) {
            width += metrics.horizontalAdvance(shown.text.mid(from, run.position - from));
            // Colour emoji are pictures the font decodes on every question: ask once each.
            static QHash<QString, int> advances;
            const QString one = shown.text.mid(run.position, run.length);
            auto known = advances.constFind(one);
            if (known == advances.constEnd())
                known = advances.insert(one, emojiMetrics.horizontalAdvance(one));
            width += *known;
            from = run.position + run.length;
        }
        const QString rest = shown.text.mid(from);
        width += metrics.horizontalAdvance(rest);
        for (const QChar c : rest) {
            if (c.isSurrogate() || c.unicode() >= 0x0590) {
                simple = false;
                break;
            }
        }
        if (simple && width < textWidth)
            return shown.emoji.isEmpty() ? metrics.height()
                                         : qMax(metrics.height(), emojiLineHeight);
    }
    // The others are laid out as the view lays them out, without a document.
    QVector<QTextLayout::FormatRange> formats;
    for (const MCEmojiRun &run : shown.emoji) {
        QTextLayout::FormatRange range;
        range.start = run.position;
        range.length = run.length;
        range.format.setFont(emojiFont);
        formats.append(range);
    }
    qreal height = 0;
    // Paragraphs as the document makes them, one layout each.
    QString lines = shown.text;
    for (QChar &c : lines) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == QLatin1Char('\r'))
            c = QLatin1Char('\n');
    }
    const QStringList paragraphs = lines.split(QLatin1Char('\n'));
    int offset = 0;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString &paragraph : paragraphs) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        QVector<QTextLayout::FormatRange> local;
        for (const QTextLayout::FormatRange &range : qAsConst(formats)) {
            const int start = qMax(range.start, offset) - offset;
            const int end = qMin(range.start + range.length, offset + paragraph.size()) - offset;
            if (end > start) {
                QTextLayout::FormatRange part = range;
                part.start = start;
                part.length = end - start;
                local.append(part);
            }
        }
        layout.setFormats(local);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(textWidth);
            height += line.height();
        }
        layout.endLayout();
        offset += paragraph.size() + 1;
    }
    return qCeil(height);
}

int MCChatTableCellView::rowHeight(int width)
{
    messageEntry()->updateHeightForTextHeight(m_textView->heightForWidth(textWidth(width)));
    return int(m_entry->rowHeight());
}

void MCChatTableCellView::setImageColumnShown(bool shown)
{
    MCChatRowView::setImageColumnShown(shown);
    if (m_picture)
        m_picture->setVisible(shown);
    layoutContents(width());
}

void MCChatTableCellView::layoutContents(int width)
{
    const int x = imageColumnWidth();
    const int textTop = m_name ? 22 : 4;
    if (m_picture)
        m_picture->move(6, 6);
    if (m_name)
        m_name->setGeometry(x, 4, qMax(0, width - x - AccessoryWidth - 8), 16);
    m_textView->setGeometry(x, textTop, textWidth(width), qMax(0, height() - textTop - 2));
    m_accessory->setGeometry(width - AccessoryWidth - 6, m_name ? 6 : 4, AccessoryWidth, 14);
    if (m_notSent)
        m_notSent->setGeometry(width - AccessoryWidth - 6, m_name ? 2 : 0, AccessoryWidth, 20);
}

void MCChatTableCellView::resizeEvent(QResizeEvent *event)
{
    MCChatRowView::resizeEvent(event);
    layoutContents(width());
}
