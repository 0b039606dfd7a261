#include "mcchatshowntext.h"

#include <QRegularExpression>
#include <QVector>

#include <algorithm>

namespace {

// Longer than any shortcode of the table: a longer one is never an emoji.
const int LongestShortcode = 64;

bool breaksLine(const QString &text, int i)
{
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r'))
        return i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n');
    return c == QLatin1Char('\n') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

bool MCChatShownText::isDirectionControl(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

MCChatShownText MCChatShownText::of(const QString &message, const MCEmoji &emoji)
{
    MCChatShownText shown;
    int cut = qMin(int(message.size()), MaxChars);
    int lines = 1;
    for (int i = 0; i < cut; ++i) {
        if (breaksLine(message, i) && ++lines > MaxLines) {
            cut = i;
            break;
        }
    }
    shown.shortened = cut < message.size();
    if (shown.shortened) {
        if (cut > 0 && message.at(cut - 1).isHighSurrogate())
            --cut;
        // A shortcode across the cut would be drawn as typed here and as its emoji in the
        // whole text: the cut goes before it.
        QRegularExpressionMatchIterator matches =
            emoji.regex().globalMatch(message.left(cut + LongestShortcode));
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            if (match.capturedStart() >= cut)
                break;
            if (match.capturedEnd() > cut) {
                cut = match.capturedStart();
                break;
            }
        }
    }
    // A colour emoji is a picture decoded each time its line is shaped: a row shapes a bounded
    // number of them. Shortcodes shown as emoji and characters outside the basic plane count.
    QVector<int> pictures;
    QRegularExpressionMatchIterator codes = emoji.regex().globalMatch(message.left(cut));
    while (codes.hasNext()) {
        const QRegularExpressionMatch code = codes.next();
        const QString picture = emoji.emojiForCode(code.captured(0));
        if (!picture.isNull() && picture != code.captured(0))
            pictures.append(code.capturedStart());
    }
    for (int i = 0; i < cut; ++i) {
        if (message.at(i).isHighSurrogate())
            pictures.append(i);
    }
    if (pictures.size() > MaxEmoji) {
        std::nth_element(pictures.begin(), pictures.begin() + MaxEmoji, pictures.end());
        cut = pictures.at(MaxEmoji);
        shown.shortened = true;
    }
    shown.text = emoji.emojify(shown.shortened ? message.left(cut) : message);
    QString &text = shown.text.text;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        // U+FDD0 and U+FDD1 stand for frame edges in a text document.
        if (isDirectionControl(c) || u == 0xFDD0 || u == 0xFDD1)
            text[i] = QChar::ReplacementCharacter;
        else if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                 text.at(i + 1) == QLatin1Char('\n'))
            text[i] = QChar(0x200B);
    }
    shown.drawnLength = text.size();
    shown.messageCut = cut;
    if (shown.shortened)
        text += QChar(0x2026);
    return shown;
}
