#include "mcemoticontextview.h"

#include "mcemoji.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>

MCEmoticonTextView::MCEmoticonTextView(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
}

QString MCEmoticonTextView::shortcodeAt(const QPoint &pos) const
{
    const QPoint inDocument =
        pos + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int index = document()->documentLayout()->hitTest(inDocument, Qt::ExactHit);
    if (index < 0 || index >= document()->characterCount() - 1)
        return QString();
    const QTextBlock block = document()->findBlock(index);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (index >= fragment.position() && index < fragment.position() + fragment.length())
            return fragment.charFormat().property(MCEmoji::ShortcodeProperty).toString();
    }
    return QString();
}

QRect MCEmoticonTextView::rectOf(const QString &shortcode) const
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().property(MCEmoji::ShortcodeProperty).toString() != shortcode)
                continue;
            QTextCursor cursor(document());
            cursor.setPosition(fragment.position());
            const QRect start = cursorRect(cursor);
            cursor.setPosition(fragment.position() + fragment.length());
            const QRect end = cursorRect(cursor);
            if (end.top() != start.top())
                return QRect(start.topLeft(), QSize(20, start.height()));
            return QRect(start.topLeft(), QPoint(end.left() - 1, start.bottom()));
        }
    }
    return QRect();
}

void MCEmoticonTextView::report(const QPoint &pos, bool click)
{
    const QString shortcode = shortcodeAt(pos);
    if (shortcode.isEmpty()) {
        emit noEmoticonSelected();
        return;
    }
    if (click)
        emit emoticonClicked(shortcode);
    else
        emit emoticonMouseOver(shortcode);
}

void MCEmoticonTextView::mousePressEvent(QMouseEvent *event)
{
    QTextEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        report(event->pos(), true);
}

void MCEmoticonTextView::mouseMoveEvent(QMouseEvent *event)
{
    report(event->pos(), false);
}

void MCEmoticonTextView::leaveEvent(QEvent *event)
{
    QTextEdit::leaveEvent(event);
    emit noEmoticonSelected();
}
