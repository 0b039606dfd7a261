#include "indtextviewselectionrange.h"

INDTextViewSelectionRange::INDTextViewSelectionRange(const QWidget *textView,
                                                     const INDRange &selectedRange)
    : m_textViewIdentifier(INDTextView::ind_uniqueIdentifier(textView))
    , m_range(selectedRange)
    , m_attributedText(
          INDTextView::string(textView).mid(selectedRange.location, selectedRange.length))
{}
