#include "mcchattablecellview.h"

#include "mcchatmessageentry.h"
#include "mcchattextview.h"
#include "mcstring.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTextCursor>
#include <QTextDocument>
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
    m_accessory->setText(entry->accessoryString());
    connect(entry.data(), &MCChatEntry::accessoryStringChanged, m_accessory,
            [this] { m_accessory->setText(m_entry->accessoryString()); });
    if (newEntry) {
        m_name = new QLabel(this);
        m_name->setTextFormat(Qt::PlainText);
        QFont bold = m_name->font();
        bold.setBold(true);
        bold.setPixelSize(12);
        m_name->setFont(bold);
        m_name->setText(MCString::stringForName(senderName));
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
    static const QFontMetrics metrics(font);
    // Emoji are drawn larger than the text; a line holding one is measured for real.
    const bool plainLine = !text.contains(QLatin1Char(':')) && !text.contains(QLatin1Char('\n'));
    if (plainLine && text.size() < 400 && metrics.horizontalAdvance(text) < textWidth) {
        bool simple = true;
        for (const QChar c : text) {
            if (c.isSurrogate() || c.unicode() >= 0x2000) {
                simple = false;
                break;
            }
        }
        if (simple)
            return metrics.height();
    }
    static QTextDocument *document = [] {
        auto *made = new QTextDocument;
        made->setDocumentMargin(0);
        made->setUndoRedoEnabled(false);
        QTextOption option = made->defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        made->setDefaultTextOption(option);
        made->setDefaultFont(font);
        return made;
    }();
    document->clear();
    QTextCursor cursor(document);
    emoji.emojify(text).insertInto(cursor);
    document->setTextWidth(textWidth);
    return qCeil(document->size().height());
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
}

void MCChatTableCellView::resizeEvent(QResizeEvent *event)
{
    MCChatRowView::resizeEvent(event);
    layoutContents(width());
}
