#ifndef MCSTRING_H
#define MCSTRING_H

#include <QFont>
#include <QSizeF>
#include <QString>

class QCollator;
class QTextDocument;

// String helpers the interface uses wherever it checks a name typed by the user, cleans a remote
// path, shortens a file name for a menu title, counts items, percent-escapes a value or measures
// how much room a text needs. Every function is pure and keeps nothing between calls.
namespace MCString {

// The answer of stringValidForFilename(); the rename and new-folder flows accept only Valid.
enum FilenameValidity : unsigned {
    FilenameValid = 10,
    FilenameOnlyDots = 11,            // also the empty name
    FilenameHasIllegalCharacter = 12, // unassigned code points, noncharacters, lone surrogates
    FilenameHasSymbol = 13,           // Unicode categories Sm, Sc, Sk, So
    FilenameNotAllowed = 14,          // blank, or one of / \ ? % * | " < > :
};

FilenameValidity stringValidForFilename(const QString &name);

// A remote path made absolute and lexical: duplicate slashes, "." and ".." and a trailing slash
// are removed, and ".." never climbs above the root. The local file system is never consulted.
QString stringByCleaningPath(const QString &path);

// Counts the entries of the path's folder whose name begins with its last component, and stores
// the longest of them in *match (a null string when none). Local folders are not listed for
// completion, so this finds no match: 0, and a null *match.
int completePathIntoString(const QString &path, QString *match = nullptr);

// The text with "..." in its middle, at most about maxChars long. A text no longer than
// maxChars comes back unchanged, and a cut never splits a surrogate pair.
QString stringByTruncateMiddleWithMaxChars(const QString &text, int maxChars);

// A collator that compares names as people read them: case-insensitive, numbers by value
// ("file 2" before "File 10"). Under the C locale, whose collation is by code point, it
// collates as English.
QCollator naturalCollator();
// "1 item", "0 items", "2 items".
QString stringWithItemsCount(long count);

// A name from the service as one line of plain text: control characters, line and paragraph
// separators and the explicit direction controls (embeddings, overrides, isolates) each become
// U+FFFD, so that a name can neither break a line nor turn its own letters around. Show names
// through it; never send the result back to the service.
QString stringForName(const QString &name);

// A name taken from the service cut to at most MaxNameLength UTF-16 units, "..." at its end, so
// that no widget is handed an unbounded text; the cut is at a grapheme boundary, so it never
// splits a character as the reader sees it (an emoji sequence, a letter and its marks).
constexpr int MaxNameLength = 256;
QString stringByBoundingName(const QString &name);

// stringForName() isolated (U+2068 ... U+2069) for a sentence: a name written right to left
// leaves the text around it in its order.
QString stringByIsolatingName(const QString &name);

// A service name as menu or button text: isolated as in a sentence, with "&" doubled so that
// it is shown rather than taken for a mnemonic.
QString stringForMenu(const QString &name);

// A name as a tooltip shows it: plain text, as stringForName() makes it, broken into lines
// (between words, else between characters) that fit the screen under the pointer, with an
// invisible word joiner after each "<" and "&", so that Qt never takes it for rich text. Join
// two with "\n" for a tooltip of two lines.
QString stringForToolTip(const QString &name);

// Text as a menu or button shows it, with "&" doubled; for titles built around a name already
// passed through stringByIsolatingName().
QString stringByEscapingMnemonics(const QString &text);

// UTF-8 percent-encoding that leaves only letters, digits and "-._~" as they are.
QString stringByUrlEncoding(const QString &text);

// The size the text takes when laid out, word-wrapped, in a box of width x height logical
// pixels. Pass Unlimited for an extent without limit. An empty text measures (0, 0).
constexpr qreal Unlimited = 3.4028235e38;
QSizeF sizeForWidth(const QTextDocument &text, qreal width, qreal height);
qreal heightForWidth(const QTextDocument &text, qreal width);
qreal widthForHeight(const QTextDocument &text, qreal height);
QSizeF sizeForWidth(const QString &text, qreal width, qreal height, const QFont &font);
qreal heightForWidth(const QString &text, qreal width, const QFont &font);
qreal widthForHeight(const QString &text, qreal height, const QFont &font);

} // namespace MCString

#endif // MCSTRING_H
