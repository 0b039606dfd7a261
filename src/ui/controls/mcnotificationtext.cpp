#include "mcnotificationtext.h"

namespace MCNotificationText {

QString body(const QString &text)
{
    QString shown;
    // Only what is kept is copied: a huge body costs one pass up to the cut.
    shown.reserve(qMin(text.size(), MaximumBodyLength + 1));
    for (const QChar c : text) {
        if (shown.size() > MaximumBodyLength)
            break;
        const ushort u = c.unicode();
        if (u == '\n' || u == '\r' || u == '\t' || u == 0x2028 || u == 0x2029) {
            shown.append(QLatin1Char(' '));
            continue;
        }
        const bool control = c.category() == QChar::Other_Control;
        const bool direction = (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) ||
                               u == 0x200E || u == 0x200F || u == 0x061C;
        if (!control && !direction)
            shown.append(c);
    }
    if (shown.size() > MaximumBodyLength) {
        int cut = MaximumBodyLength;
        if (shown.at(cut - 1).isHighSurrogate())
            --cut;
        shown.truncate(cut);
        shown.append(QChar(0x2026));
    }
    return QChar(0x2068) + shown + QChar(0x2069);
}

} // namespace MCNotificationText
