#include "mcelidedlabel.h"

#include "mcstring.h"

#include <QEvent>

namespace {

// The most a label asks for: about a line of a page, however long its text.
const int PreferredChars = 60;

} // namespace

MCElidedLabel::MCElidedLabel(QWidget *parent, Qt::TextElideMode mode)
    : QLabel(parent)
    , m_mode(mode)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void MCElidedLabel::setFullText(const QString &text)
{
    if (text == m_fullText && !text.isEmpty())
        return;
    m_fullText = text;
    updateGeometry();
    elide();
}

QSize MCElidedLabel::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    const int wanted =
        qMin(metrics.horizontalAdvance(m_fullText), metrics.averageCharWidth() * PreferredChars);
    return QSize(wanted + margins.left() + margins.right() + 2 * margin(),
                 metrics.height() + margins.top() + margins.bottom() + 2 * margin());
}

QSize MCElidedLabel::minimumSizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    const int least = qMin(metrics.horizontalAdvance(m_fullText),
                           metrics.horizontalAdvance(QStringLiteral("M\u2026")));
    return QSize(least + margins.left() + margins.right() + 2 * margin(),
                 metrics.height() + margins.top() + margins.bottom() + 2 * margin());
}

void MCElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void MCElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void MCElidedLabel::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    elide();
}

void MCElidedLabel::elide()
{
    // Until it is laid out the label has no width of its own to cut to.
    if (!isVisible()) {
        QLabel::setText(m_fullText);
        setToolTip(QString());
        return;
    }
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(m_fullText, m_mode, qMax(0, room));
    if (shown != text())
        QLabel::setText(shown);
    setToolTip(shown == m_fullText ? QString() : MCString::stringForToolTip(m_fullText));
}
