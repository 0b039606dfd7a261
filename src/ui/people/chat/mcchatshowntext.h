#ifndef MCCHATSHOWNTEXT_H
#define MCCHATSHOWNTEXT_H

#include "mcemoji.h"

// What a message row draws of a message. Another user may send megabytes in one message, so a
// row lays out at most MaxChars UTF-16 units, MaxLines lines and MaxEmoji emoji of it, then an
// ellipsis; the whole text stays with the message for copying. The text drawn before the
// ellipsis is the start of the whole text as shown (emojify() of all of it), unit for unit, so
// a place in one is the same place in the other. Direction controls (embeddings, overrides,
// isolates) are drawn as U+FFFD, as names are: a message cannot turn its own letters or its links
// around. A carriage return before a line feed is drawn as a zero-width space, so that the pair
// breaks the line once and every unit keeps its place in the text document.
struct MCChatShownText
{
    static constexpr int MaxChars = 2000;
    static constexpr int MaxLines = 40;
    static constexpr int MaxEmoji = 32;

    // The text to lay out: the drawn part, then the ellipsis when shortened.
    MCEmojiText text;
    // The length of the drawn part in text, and where it ends in the message.
    int drawnLength = 0;
    int messageCut = 0;
    bool shortened = false;

    static MCChatShownText of(const QString &message, const MCEmoji &emoji);
    // A direction control that the drawn text replaces.
    static bool isDirectionControl(QChar c);
};

#endif // MCCHATSHOWNTEXT_H
