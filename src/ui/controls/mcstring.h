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
// the longest of them in *match (a null string when none). The folder listing of MCFunctions
// lists nothing, so this finds no match today.
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

// The text between U+2068 and U+2069, so that a name in a sentence keeps its own direction
// and leaves the sentence's alone.
QString isolated(const QString &text);

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
