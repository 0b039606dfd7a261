#ifndef INDTEXTVIEWSELECTIONRANGE_H
#define INDTEXTVIEWSELECTIONRANGE_H

#include "indtextview.h"

// The part of one view's text a selection holds, with that text as it read when the part was
// taken: a row view reused for another message later does not change what is copied.
class INDTextViewSelectionRange
{
public:
    INDTextViewSelectionRange() = default;
    INDTextViewSelectionRange(const QWidget *textView, const INDRange &selectedRange);

    QString textViewIdentifier() const { return m_textViewIdentifier; }
    INDRange range() const { return m_range; }
    QString attributedText() const { return m_attributedText; }

private:
    QString m_textViewIdentifier;
    INDRange m_range;
    QString m_attributedText;
};

#endif // INDTEXTVIEWSELECTIONRANGE_H
