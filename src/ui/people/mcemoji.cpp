#include "mcemoji.h"

#include "mcemojitable.h"

#include <QFont>
#include <QSet>
#include <QTextCursor>

namespace {

QStringList listOf(const char *const *shortcodes, int count)
{
    QStringList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list.append(QString::fromLatin1(shortcodes[i]));
    return list;
}

QSet<QString> listedShortcodes()
{
    QSet<QString> listed;
    for (const QStringList &list : {MCEmoji::people(), MCEmoji::nature(), MCEmoji::objects(),
                                    MCEmoji::places(), MCEmoji::symbols()})
        listed.unite(QSet<QString>(list.cbegin(), list.cend()));
    return listed;
}

constexpr char32_t VariationSelector16 = 0xFE0F;
constexpr char32_t ZeroWidthJoiner = 0x200D;
constexpr char32_t CombiningKeycap = 0x20E3;

bool isRegionalIndicator(char32_t c)
{
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

bool isSkinToneModifier(char32_t c)
{
    return c >= 0x1F3FB && c <= 0x1F3FF;
}

// The code point at i and its length in UTF-16 units; 0 past the end.
char32_t codePointAt(const QString &text, int i, int *length = nullptr)
{
    if (i >= text.size()) {
        if (length)
            *length = 0;
        return 0;
    }
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        if (length)
            *length = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    if (length)
        *length = 1;
    return c.unicode();
}

} // namespace

void MCEmojiText::insertInto(QTextCursor &cursor) const
{
    int from = 0;
    for (const MCEmojiRun &run : emoji) {
        cursor.insertText(text.mid(from, run.position - from), MCEmoji::textFormat());
        cursor.insertText(text.mid(run.position, run.length), MCEmoji::emojiFormat(run.shortcode));
        from = run.position + run.length;
    }
    cursor.insertText(text.mid(from), MCEmoji::textFormat());
}

QHash<QString, QString> MCEmoji::getAllEmoticons()
{
    QHash<QString, QString> table;
    table.reserve(MCEmojiTable::rowCount);
    for (int i = 0; i < MCEmojiTable::rowCount; ++i)
        table.insert(QString::fromLatin1(MCEmojiTable::rows[i].shortcode),
                     QString::fromUtf8(MCEmojiTable::rows[i].emoji));
    return table;
}

MCEmoji::MCEmoji()
    : m_regex(QStringLiteral(":[a-z0-9_+-]+:"), QRegularExpression::CaseInsensitiveOption)
    , m_emoticons(getAllEmoticons())
{
    const QSet<QString> listed = listedShortcodes();
    // Rows come in ascending order of shortcode. Where keys share an emoji, unemojify() writes
    // the first one the chooser offers, so that what is sent is what the user picked.
    for (int i = 0; i < MCEmojiTable::rowCount; ++i) {
        const QString shortcode = QString::fromLatin1(MCEmojiTable::rows[i].shortcode);
        const QString emoji = QString::fromUtf8(MCEmojiTable::rows[i].emoji);
        if (emoji == shortcode)
            continue; // shown as typed: nothing to turn back
        const auto known = m_shortcodes.constFind(emoji);
        if (known == m_shortcodes.cend() ||
            (!listed.contains(*known) && listed.contains(shortcode)))
            m_shortcodes.insert(emoji, shortcode);
    }
}

QString MCEmoji::emojiForCode(const QString &shortcode) const
{
    return m_emoticons.value(shortcode);
}

QString MCEmoji::codeForEmoji(const QString &emoji) const
{
    return m_shortcodes.value(emoji);
}

MCEmojiText MCEmoji::emojify(const QString &text) const
{
    MCEmojiText result;
    if (!text.contains(QLatin1Char(':'))) {
        result.text = text;
        return result;
    }
    return emojifyAndReturn(m_regex.globalMatch(text), text);
}

MCEmojiText MCEmoji::emojifyAndReturn(QRegularExpressionMatchIterator matches,
                                      const QString &text) const
{
    MCEmojiText result;
    result.text.reserve(text.size());
    int from = 0;
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QString shortcode = match.captured(0);
        const QString emoji = emojiForCode(shortcode);
        // Unknown shortcodes, shortcodes in capitals and the rows that stand for their own text
        // stay as typed.
        if (emoji.isNull() || emoji == shortcode)
            continue;
        result.text += QStringView(text).mid(from, match.capturedStart() - from);
        result.emoji.append({result.text.size(), int(emoji.size()), shortcode});
        result.text += emoji;
        from = match.capturedEnd();
    }
    result.text += QStringView(text).mid(from);
    return result;
}

QString MCEmoji::unemojify(const QString &text) const
{
    if (text.isEmpty())
        return text;
    QString result;
    result.reserve(text.size());
    int i = 0;
    char32_t previous = 0;
    while (i < text.size()) {
        int length = 0;
        const char32_t c = codePointAt(text, i, &length);
        QString emoji;
        int consumed = length;
        if (isRegionalIndicator(c)) {
            // Flags are pairs counted from the start of a run of indicators, so two flags side
            // by side never read as the pair across their boundary.
            int secondLength = 0;
            if (isRegionalIndicator(codePointAt(text, i + length, &secondLength)))
                consumed += secondLength;
            emoji = text.mid(i, consumed);
        } else {
            emoji = text.mid(i, length);
            int next = i + length;
            int nextLength = 0;
            char32_t following = codePointAt(text, next, &nextLength);
            if (following == VariationSelector16) {
                next += nextLength;
                following = codePointAt(text, next, &nextLength);
            }
            if (following == CombiningKeycap) {
                emoji += QChar(CombiningKeycap);
                next += nextLength;
                following = codePointAt(text, next, &nextLength);
            }
            // A modifier or a joined sequence is an emoji the table cannot name: keep it whole.
            if (previous == ZeroWidthJoiner || following == ZeroWidthJoiner ||
                isSkinToneModifier(following))
                emoji.clear();
            else
                consumed = next - i;
        }
        const QString shortcode = emoji.isEmpty() ? QString() : codeForEmoji(emoji);
        if (shortcode.isNull()) {
            // An unknown flag goes whole, anything else one code point at a time.
            const int kept = isRegionalIndicator(c) ? consumed : length;
            result += QStringView(text).mid(i, kept);
            previous = c;
            i += kept;
        } else {
            result += shortcode;
            previous = 0;
            i += consumed;
        }
    }
    return result;
}

QStringList MCEmoji::people()
{
    return listOf(MCEmojiTable::categoryPeople, MCEmojiTable::categoryPeopleCount);
}

QStringList MCEmoji::nature()
{
    return listOf(MCEmojiTable::categoryNature, MCEmojiTable::categoryNatureCount);
}

QStringList MCEmoji::objects()
{
    return listOf(MCEmojiTable::categoryObjects, MCEmojiTable::categoryObjectsCount);
}

QStringList MCEmoji::places()
{
    return listOf(MCEmojiTable::categoryPlaces, MCEmojiTable::categoryPlacesCount);
}

QStringList MCEmoji::symbols()
{
    return listOf(MCEmojiTable::categorySymbols, MCEmojiTable::categorySymbolsCount);
}

void MCEmoji::addRecentUsed(const QString &shortcode)
{
    if (m_emoticons.contains(shortcode) && !m_recentUsed.contains(shortcode))
        m_recentUsed.append(shortcode);
}

QTextCharFormat MCEmoji::textFormat()
{
    QFont font(QStringLiteral("Helvetica"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    QTextCharFormat format;
    format.setFont(font);
    return format;
}

QTextCharFormat MCEmoji::emojiFormat(const QString &shortcode)
{
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(20);
    QTextCharFormat format;
    format.setFont(font);
    format.setProperty(ShortcodeProperty, shortcode);
    return format;
}
