#include "indtextview.h"

#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

namespace {

const char IdentifierProperty[] = "ind_uniqueIdentifier";

// The highlight state a view carries, as a child object so that it lives and dies with it.
class INDHighlightState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    std::optional<QList<QTextEdit::ExtraSelection>> backgroundSelections;
    INDRange highlightedRange;
    QColor colour;
    bool painted = false;
};

INDHighlightState *stateOf(const QWidget *view, bool create)
{
    auto *state = view->findChild<INDHighlightState *>(QString(), Qt::FindDirectChildrenOnly);
    if (!state && create)
        state = new INDHighlightState(const_cast<QWidget *>(view));
    return state;
}

QTextDocument *documentOf(const QWidget *view)
{
    if (auto *edit = qobject_cast<const QTextEdit *>(view))
        return edit->document();
    if (auto *plain = qobject_cast<const QPlainTextEdit *>(view))
        return plain->document();
    return nullptr;
}

const INDSelectableText *selectable(const QWidget *view)
{
    return dynamic_cast<const INDSelectableText *>(view);
}

QList<QTextEdit::ExtraSelection> extraSelections(const QWidget *view)
{
    if (auto *edit = qobject_cast<const QTextEdit *>(view))
        return edit->extraSelections();
    return static_cast<const QPlainTextEdit *>(view)->extraSelections();
}

void setExtraSelections(QWidget *view, const QList<QTextEdit::ExtraSelection> &selections)
{
    if (auto *edit = qobject_cast<QTextEdit *>(view))
        edit->setExtraSelections(selections);
    else
        static_cast<QPlainTextEdit *>(view)->setExtraSelections(selections);
}

void paint(QWidget *view, INDHighlightState *state, const INDRange &range, const QColor &colour)
{
    if (auto *own = dynamic_cast<INDSelectableText *>(view)) {
        own->ind_setHighlight(range, colour);
        return;
    }
    QList<QTextEdit::ExtraSelection> selections =
        state->backgroundSelections.value_or(QList<QTextEdit::ExtraSelection>());
    if (range.length > 0) {
        QTextEdit::ExtraSelection highlight;
        highlight.cursor = QTextCursor(documentOf(view));
        highlight.cursor.setPosition(range.location);
        highlight.cursor.setPosition(range.end(), QTextCursor::KeepAnchor);
        highlight.format.setBackground(colour);
        selections.append(highlight);
    }
    setExtraSelections(view, selections);
}

} // namespace

namespace INDTextView {

bool isTextView(const QWidget *widget)
{
    return widget && (documentOf(widget) || selectable(widget));
}

bool isSelectable(const QWidget *view)
{
    if (!isTextView(view) || !view->isEnabled())
        return false;
    if (auto *edit = qobject_cast<const QTextEdit *>(view))
        return edit->textInteractionFlags() & Qt::TextSelectableByMouse;
    if (auto *plain = qobject_cast<const QPlainTextEdit *>(view))
        return plain->textInteractionFlags() & Qt::TextSelectableByMouse;
    return true;
}

QString ind_uniqueIdentifier(const QWidget *view)
{
    return view ? view->property(IdentifierProperty).toString() : QString();
}

void ind_setUniqueIdentifier(QWidget *view, const QString &identifier)
{
    view->setProperty(IdentifierProperty, identifier.isNull() ? QVariant() : identifier);
}

QString string(const QWidget *view)
{
    if (const QTextDocument *document = documentOf(view))
        return document->toPlainText();
    if (const INDSelectableText *own = selectable(view))
        return own->ind_string();
    return QString();
}

int length(const QWidget *view)
{
    if (const QTextDocument *document = documentOf(view))
        return document->characterCount() - 1;
    return string(view).size();
}

int characterIndexForInsertionAtGlobalPoint(const QWidget *view, const QPoint &globalPoint)
{
    int index = 0;
    if (auto *edit = qobject_cast<const QTextEdit *>(view))
        index = edit->cursorForPosition(edit->viewport()->mapFromGlobal(globalPoint)).position();
    else if (auto *plain = qobject_cast<const QPlainTextEdit *>(view))
        index = plain->cursorForPosition(plain->viewport()->mapFromGlobal(globalPoint)).position();
    else if (const INDSelectableText *own = selectable(view))
        index = own->ind_characterIndexForInsertionAtPoint(view->mapFromGlobal(globalPoint));
    // Format characters (zero-width spaces and joiners, direction marks) take no room, so the
    // pointer cannot tell the places around them apart: a place with only those between it
    // and an end of the text is that end, or a selection dragged to the end would leave them
    // out.
    const QString text = string(view);
    const auto invisible = [&text](int i) {
        return text.at(i).category() == QChar::Other_Format;
    };
    index = qBound(0, index, int(text.size()));
    int after = index;
    while (after < text.size() && invisible(after))
        ++after;
    if (after == text.size())
        return after;
    int before = index;
    while (before > 0 && invisible(before - 1))
        --before;
    return before == 0 ? 0 : index;
}

QUrl linkAtIndex(const QWidget *view, int index)
{
    if (const QTextDocument *document = documentOf(view)) {
        QTextCursor cursor(const_cast<QTextDocument *>(document));
        cursor.setPosition(index + 1);
        const QString href = cursor.charFormat().anchorHref();
        return href.isEmpty() ? QUrl() : QUrl(href);
    }
    if (const INDSelectableText *own = selectable(view))
        return own->ind_linkAtIndex(index);
    return QUrl();
}

void clickedOnLink(QWidget *view, const QUrl &link, int index)
{
    if (auto *browser = qobject_cast<QTextBrowser *>(view))
        emit browser->anchorClicked(link);
    else if (auto *own = dynamic_cast<INDSelectableText *>(view))
        own->ind_clickedOnLink(link, index);
}

void ind_highlightSelectedTextInRange(QWidget *view, const INDRange &range, bool drawActive)
{
    INDHighlightState *state = stateOf(view, true);
    if (!state->backgroundSelections && documentOf(view))
        state->backgroundSelections = extraSelections(view);
    const QColor colour = drawActive ? view->palette().color(QPalette::Active, QPalette::Highlight)
                                     : QColor::fromRgbF(0.83, 0.83, 0.83, 1.0);
    // Dragging repeats the same range many times; only a change is painted.
    if (state->painted && state->highlightedRange == range && state->colour == colour)
        return;
    state->highlightedRange = range;
    state->colour = colour;
    state->painted = true;
    paint(view, state, range, colour);
}

void ind_deselectHighlightedText(QWidget *view)
{
    INDHighlightState *state = stateOf(view, false);
    if (!state || !state->painted)
        return;
    if (auto *own = dynamic_cast<INDSelectableText *>(view))
        own->ind_setHighlight(INDRange(), QColor());
    else
        setExtraSelections(
            view, state->backgroundSelections.value_or(QList<QTextEdit::ExtraSelection>()));
    delete state;
}

INDRange ind_highlightedRange(const QWidget *view)
{
    const INDHighlightState *state = stateOf(view, false);
    return state ? state->highlightedRange : INDRange();
}

} // namespace INDTextView

#include "indtextview.moc"
