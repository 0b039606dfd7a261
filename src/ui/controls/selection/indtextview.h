#ifndef INDTEXTVIEW_H
#define INDTEXTVIEW_H

#include <QColor>
#include <QString>
#include <QUrl>

class QPoint;
class QWidget;

// A run of UTF-16 units in a view's plain text.
struct INDRange
{
    static constexpr int NotFound = -1;
    int location = 0;
    int length = 0;
    int end() const { return location + length; }
    bool operator==(const INDRange &other) const
    {
        return location == other.location && length == other.length;
    }
    bool operator!=(const INDRange &other) const { return !(*this == other); }
};

// A read-only text widget of the owner's own making that the selection manager can select in:
// inherit it besides QWidget. QTextEdit, QTextBrowser and QPlainTextEdit need nothing of this:
// the manager reads and highlights them as they are. (A QLabel cannot tell which character lies
// under a point, so it cannot take part.)
class INDSelectableText
{
public:
    virtual ~INDSelectableText() = default;
    // The text as the view shows it, plain; ranges and indexes count its UTF-16 units.
    virtual QString ind_string() const = 0;
    // Where a caret would go for point, in the widget's coordinates: 0 to the text's length.
    virtual int ind_characterIndexForInsertionAtPoint(const QPoint &point) const = 0;
    // Paints range (empty: nothing) behind the text in colour, over the view's own background.
    virtual void ind_setHighlight(const INDRange &range, const QColor &colour) = 0;
    // The link carried by the character at index, if any, and what a click on it does.
    virtual QUrl ind_linkAtIndex(int index) const
    {
        Q_UNUSED(index)
        return {};
    }
    virtual void ind_clickedOnLink(const QUrl &link, int index)
    {
        Q_UNUSED(link)
        Q_UNUSED(index)
    }
};

// What the selection manager asks of a text view (a QTextEdit, QPlainTextEdit or
// INDSelectableText widget). The identifier and the highlight live on the view, so that a
// highlight stays painted after the view leaves the manager, until it is deselected.
namespace INDTextView {

// Whether the widget is a text view the manager can work with.
bool isTextView(const QWidget *widget);
// A text view that is enabled and lets the mouse select its text.
bool isSelectable(const QWidget *view);

QString ind_uniqueIdentifier(const QWidget *view);
void ind_setUniqueIdentifier(QWidget *view, const QString &identifier);

QString string(const QWidget *view);
int length(const QWidget *view);
int characterIndexForInsertionAtGlobalPoint(const QWidget *view, const QPoint &globalPoint);
QUrl linkAtIndex(const QWidget *view, int index);
// A QTextBrowser emits anchorClicked; an INDSelectableText widget is told.
void clickedOnLink(QWidget *view, const QUrl &link, int index);

// Paints range in the active colour (the view's highlight) or the inactive grey, over the
// view's own extra selections, which are saved before the first highlight.
void ind_highlightSelectedTextInRange(QWidget *view, const INDRange &range, bool drawActive);
// Takes the highlight away and gives the view its own extra selections back.
void ind_deselectHighlightedText(QWidget *view);
// The range painted; (0, 0) when none.
INDRange ind_highlightedRange(const QWidget *view);

} // namespace INDTextView

#endif // INDTEXTVIEW_H
