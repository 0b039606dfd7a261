#include "indtextviewselectionsession.h"

#include "mccontrolslog.h"

INDTextViewSelectionSession::INDTextViewSelectionSession(const QWidget *textView,
                                                         int characterIndex)
    : m_textViewIdentifier(INDTextView::ind_uniqueIdentifier(textView))
    , m_characterIndex(characterIndex)
{}

void INDTextViewSelectionSession::addSelectionRange(const INDTextViewSelectionRange &range)
{
    if (range.textViewIdentifier().isEmpty()) {
        qCCritical(lcControls, "Invalid parameter not satisfying: %s", "range.textViewIdentifier");
        return;
    }
    m_selectionRanges.insert(range.textViewIdentifier(), range);
}

void INDTextViewSelectionSession::removeSelectionRangeForTextView(const QWidget *textView)
{
    const QString identifier = INDTextView::ind_uniqueIdentifier(textView);
    if (identifier.isEmpty()) {
        qCCritical(lcControls, "Invalid parameter not satisfying: %s",
                   "textView.ind_uniqueIdentifier");
        return;
    }
    m_selectionRanges.remove(identifier);
}
