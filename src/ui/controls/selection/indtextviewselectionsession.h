#ifndef INDTEXTVIEWSELECTIONSESSION_H
#define INDTEXTVIEWSELECTIONSESSION_H

#include "indtextviewselectionrange.h"

#include <QHash>

// One drag gesture: where it began (the view and the character under the press, the anchor)
// and the part of every view it holds, by the views' identifiers.
class INDTextViewSelectionSession
{
public:
    INDTextViewSelectionSession(const QWidget *textView, int characterIndex);

    const QHash<QString, INDTextViewSelectionRange> &selectionRanges() const
    {
        return m_selectionRanges;
    }
    QString textViewIdentifier() const { return m_textViewIdentifier; }
    int characterIndex() const { return m_characterIndex; }

    // Both need an identifier; without one they do nothing.
    void addSelectionRange(const INDTextViewSelectionRange &range);
    void removeSelectionRangeForTextView(const QWidget *textView);

private:
    QHash<QString, INDTextViewSelectionRange> m_selectionRanges;
    QString m_textViewIdentifier;
    int m_characterIndex = 0;
};

#endif // INDTEXTVIEWSELECTIONSESSION_H
