#include "mcchattextview.h"

#include "mcchatlink.h"
#include "mcemoji.h"
#include "mclinks.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextOption>
#include <QtMath>

#include <algorithm>

MCChatTextView::MCChatTextView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
    QTextOption option = m_document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document.setDefaultTextOption(option);
    m_document.setDefaultFont(MCEmoji::textFormat().font());
}

void MCChatTextView::setChatMessage(const QString &text, const MCEmoji &emoji)
{
    m_emoji = &emoji;
    m_message = text;
    m_shown = MCChatShownText::of(text, emoji);
    m_text.clear();
    m_textMade = false;
    m_documentMade = false;
    updateGeometry();
    update();
}

void MCChatTextView::layOut(int width) const
{
    // Setting a width lays the whole document out again, even the width it has.
    if (m_document.textWidth() != qMax(1, width))
        m_document.setTextWidth(qMax(1, width));
    if (m_documentMade)
        return;
    // Filled when first needed, at the width it is shown at, in one edit: the text is laid
    // out once, not at a width of its own first and not again after each run of emoji.
    m_documentMade = true;
    m_document.clear();
    QTextCursor cursor(&m_document);
    cursor.beginEditBlock();
    m_shown.text.insertInto(cursor);
    markLinks();
    cursor.endEditBlock();
}

QTextDocument *MCChatTextView::document()
{
    layOut(width());
    return &m_document;
}

QString MCChatTextView::text() const
{
    if (!m_textMade) {
        m_text = m_emoji ? m_emoji->emojify(m_message).text : m_message;
        m_textMade = true;
    }
    return m_text;
}

int MCChatTextView::textIndex(int documentIndex) const
{
    if (m_shown.shortened && documentIndex > m_shown.drawnLength)
        return text().size();
    return qBound(0, documentIndex, m_shown.drawnLength);
}

void MCChatTextView::markLinks() const
{
    // Web and mail addresses only: anything else a message holds stays text. A link ends at a
    // direction mark or a character drawn in place of a control, so that no part of it can be
    // turned around.
    static const QRegularExpression links(
        QStringLiteral("\\b(?:https?://|mailto:)[^\\s<>\"\\x{FFFD}\\x{200B}\\x{200E}\\x{200F}"
                       "\\x{061C}]+"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression rest(QStringLiteral("\\A[^\\s<>\"]*"));
    const QString drawn = m_shown.text.text.left(m_shown.drawnLength);
    if (!drawn.contains(QLatin1Char(':')))
        return;
    QRegularExpressionMatchIterator matches = links.globalMatch(drawn);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        QString link = match.captured(0);
        const int shownLength = match.capturedLength();
        if (m_shown.shortened && match.capturedEnd() == m_shown.drawnLength) {
            // A link the ellipsis cuts goes on in the message; one too long to open is text.
            const QString tail =
                rest.match(m_message.mid(m_shown.messageCut, MCChatLink::maximumLength + 1))
                    .captured(0);
            if (link.size() + tail.size() > MCChatLink::maximumLength ||
                std::any_of(tail.cbegin(), tail.cend(), MCChatShownText::isDirectionControl))
                continue;
            link += tail;
        }
        // Sentence punctuation after a link is not part of it.
        while (!link.isEmpty() && QStringLiteral(".,;:!?)'").contains(link.back()))
            link.chop(1);
        if (link.size() > MCChatLink::maximumLength)
            continue;
        const QUrl url(link, QUrl::StrictMode);
        if (!url.isValid() || !isOpenableLink(url))
            continue;
        QTextCursor cursor(&m_document);
        cursor.setPosition(match.capturedStart());
        cursor.setPosition(match.capturedStart() + qMin(int(link.size()), shownLength),
                           QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(url.toString(QUrl::FullyEncoded));
        format.setFontUnderline(true);
        format.setForeground(palette().link());
        cursor.mergeCharFormat(format);
    }
}

bool MCChatTextView::isOpenableLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("mailto");
}

int MCChatTextView::heightForWidth(int width) const
{
    layOut(width);
    return qCeil(m_document.size().height());
}

void MCChatTextView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_documentMade)
        layOut(width());
}

int MCChatTextView::ind_characterIndexForInsertionAtPoint(const QPoint &point) const
{
    layOut(width());
    return textIndex(m_document.documentLayout()->hitTest(point, Qt::FuzzyHit));
}

QString MCChatTextView::linkAt(const QPoint &pos) const
{
    layOut(width());
    return m_document.documentLayout()->anchorAt(pos);
}

void MCChatTextView::ind_setHighlight(const INDRange &range, const QColor &colour)
{
    if (range == m_highlight && colour == m_highlightColour)
        return;
    m_highlight = range;
    m_highlightColour = colour;
    update();
}

QUrl MCChatTextView::ind_linkAtIndex(int index) const
{
    if (index >= m_shown.drawnLength)
        return QUrl();
    layOut(width());
    QTextCursor cursor(&m_document);
    cursor.setPosition(qBound(0, index + 1, m_document.characterCount() - 1));
    const QString href = cursor.charFormat().anchorHref();
    return href.isEmpty() ? QUrl() : QUrl(href);
}

void MCChatTextView::ind_clickedOnLink(const QUrl &link, int)
{
    if (isOpenableLink(link))
        MCLinks::open(link);
}

void MCChatTextView::paintEvent(QPaintEvent *)
{
    layOut(width());
    QPainter painter(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    if (m_highlight.length > 0) {
        // A range reaching past the drawn part takes the ellipsis.
        const int end = m_document.characterCount() - 1;
        const auto place = [this, end](int index) {
            return index > m_shown.drawnLength ? end : qBound(0, index, end);
        };
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = QTextCursor(&m_document);
        selection.cursor.setPosition(place(m_highlight.location));
        selection.cursor.setPosition(place(m_highlight.end()), QTextCursor::KeepAnchor);
        selection.format.setBackground(m_highlightColour);
        context.selections.append(selection);
    }
    m_document.documentLayout()->draw(&painter, context);
}

void MCChatTextView::mousePressEvent(QMouseEvent *event)
{
    // A view in a selection across messages opens its links through the selection's release.
    const bool inSelection = !INDTextView::ind_uniqueIdentifier(this).isEmpty();
    const QString link =
        event->button() == Qt::LeftButton && !inSelection ? linkAt(event->pos()) : QString();
    const QUrl url(link);
    if (!link.isEmpty() && isOpenableLink(url)) {
        MCLinks::open(url);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void MCChatTextView::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(linkAt(event->pos()).isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
    QWidget::mouseMoveEvent(event);
}
