#ifndef MCEMOJI_H
#define MCEMOJI_H

#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QVector>

class QTextCursor;

// One emoji that emojify() put in place of its shortcode.
struct MCEmojiRun
{
    int position = 0; // in MCEmojiText::text, in UTF-16 units
    int length = 0;
    QString shortcode;
};

// A chat text ready for display: plain text with emoji, and where the emoji stand.
struct MCEmojiText
{
    QString text;
    QVector<MCEmojiRun> emoji;

    // Inserts the text as plain text, the emoji in the colour emoji font.
    void insertInto(QTextCursor &cursor) const;
};

// The chat's emoji table. Chat text travels with emoji written as shortcodes (":smile:");
// emojify() shows them as emoji, unemojify() turns typed emoji back into shortcodes. The table
// never changes; the recently chosen shortcodes live as long as the object. Main thread only.
class MCEmoji
{
public:
    // The text-format property holding an emoji's shortcode, as the emoticon chooser sets it.
    static constexpr int ShortcodeProperty = QTextFormat::UserProperty + 1;

    MCEmoji();

    // Builds the table, shortcode -> emoji; the constructor keeps it in allEmoticons().
    static QHash<QString, QString> getAllEmoticons();
    const QHash<QString, QString> &allEmoticons() const { return m_emoticons; }
    const QRegularExpression &regex() const { return m_regex; }

    // The emoji of a shortcode written with its colons (exact, case-sensitive), or a null string.
    QString emojiForCode(const QString &shortcode) const;
    // The shortcode unemojify() writes for an emoji, or a null string.
    QString codeForEmoji(const QString &emoji) const;

    MCEmojiText emojify(const QString &text) const;
    // emojify()'s worker: the text with the shortcodes among matches (of regex()) replaced.
    MCEmojiText emojifyAndReturn(QRegularExpressionMatchIterator matches,
                                 const QString &text) const;
    QString unemojify(const QString &text) const;

    // The emoticon chooser's tabs, in display order.
    static QStringList people();
    static QStringList nature();
    static QStringList objects();
    static QStringList places();
    static QStringList symbols();

    // Shortcodes chosen in the emoticon chooser, oldest first.
    QStringList recentUsed() const { return m_recentUsed; }
    void addRecentUsed(const QString &shortcode);

    static QTextCharFormat textFormat();
    static QTextCharFormat emojiFormat(const QString &shortcode);

private:
    QRegularExpression m_regex;
    QHash<QString, QString> m_emoticons;
    QHash<QString, QString> m_shortcodes; // emoji -> the one shortcode written for it
    QStringList m_recentUsed;
};

#endif // MCEMOJI_H
