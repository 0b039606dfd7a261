#include "mcchattextview.h"

#include "mcemoji.h"
#include "mclinks.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextOption>
#include <QtMath>

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
    m_document.clear();
    QTextCursor cursor(&m_document);
    emoji.emojify(text).insertInto(cursor);
    markLinks();
    updateGeometry();
    update();
}

void MCChatTextView::markLinks()
{
    // Web and mail addresses only: anything else a message holds stays text.
    static const QRegularExpression links(QStringLiteral("\\b(?:https?://|mailto:)[^\\s<>\"]+"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString text = m_document.toPlainText();
    if (!text.contains(QLatin1Char(':')))
        return;
    QRegularExpressionMatchIterator matches = links.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        QString link = match.captured(0);
        // Sentence punctuation after a link is not part of it.
        while (!link.isEmpty() && QStringLiteral(".,;:!?)'").contains(link.back()))
            link.chop(1);
        const QUrl url(link, QUrl::StrictMode);
        if (!url.isValid() || !isOpenableLink(url))
            continue;
        QTextCursor cursor(&m_document);
        cursor.setPosition(match.capturedStart());
        cursor.setPosition(match.capturedStart() + link.size(), QTextCursor::KeepAnchor);
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
    m_document.setTextWidth(qMax(1, width));
    return qCeil(m_document.size().height());
}

void MCChatTextView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_document.setTextWidth(qMax(1, width()));
}

int MCChatTextView::ind_characterIndexForInsertionAtPoint(const QPoint &point) const
{
    m_document.setTextWidth(qMax(1, width()));
    const int index = m_document.documentLayout()->hitTest(point, Qt::FuzzyHit);
    return qBound(0, index, text().size());
}

QString MCChatTextView::linkAt(const QPoint &pos) const
{
    m_document.setTextWidth(qMax(1, width()));
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
    QPainter painter(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    if (m_highlight.length > 0) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = QTextCursor(&m_document);
        selection.cursor.setPosition(qBound(0, m_highlight.location, text().size()));
        selection.cursor.setPosition(qBound(0, m_highlight.end(), text().size()),
                                     QTextCursor::KeepAnchor);
        selection.format.setBackground(m_highlightColour);
        context.selections.append(selection);
    }
    m_document.setTextWidth(qMax(1, width()));
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
