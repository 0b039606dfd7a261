#include "mcstring.h"

#include <QCollator>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>
#include <QUrl>
#include <QVector>

namespace MCString {

namespace {

// A tooltip's lines: about as long as a reader takes in at a glance, and inside the screen with
// the tooltip's frame.
const int ToolTipLineCharacters = 80;
const int ToolTipScreenMargin = 32;

bool isNoncharacter(uint codePoint)
{
    return (codePoint >= 0xFDD0 && codePoint <= 0xFDEF) || (codePoint & 0xFFFE) == 0xFFFE;
}

bool isSymbolCategory(QChar::Category category)
{
    return category == QChar::Symbol_Math || category == QChar::Symbol_Currency ||
           category == QChar::Symbol_Modifier || category == QChar::Symbol_Other;
}

// Walks the text by code point; a lone surrogate is reported as itself with illegal = true.
template<class Visitor> void forEachCodePoint(const QString &text, Visitor visit)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(c, text.at(i + 1)), false);
            ++i;
        } else {
            visit(c.unicode(), c.isSurrogate());
        }
    }
}

bool isEmojiLike(uint codePoint)
{
    return codePoint >= 0x1F000 || codePoint == 0xFE0F ||
           QChar::category(codePoint) == QChar::Symbol_Other;
}

// A character after which a joiner changes how a cursive or Indic script draws: one that
// joins on its left, or a virama.
bool shapesWithJoiner(uint codePoint)
{
    const QChar::JoiningType joining = QChar::joiningType(codePoint);
    return joining == QChar::Joining_Dual || joining == QChar::Joining_Left ||
           QChar::combiningClass(codePoint) == 9;
}

// Whether the format character at index draws as part of what surrounds it: a joiner inside
// an emoji sequence or a cursive word, or a tag of a flag's tag sequence.
bool joinsVisibly(const QVector<uint> &points, int index)
{
    const uint u = points.at(index);
    const uint before = index > 0 ? points.at(index - 1) : 0;
    const uint after = index + 1 < points.size() ? points.at(index + 1) : 0;
    if (u == 0x200D && isEmojiLike(before) && after != 0 && isEmojiLike(after))
        return true;
    if ((u == 0x200C || u == 0x200D) && index > 0 && shapesWithJoiner(before))
        return true;
    if (u >= 0xE0020 && u <= 0xE007F) {
        int start = index;
        while (start > 0 && points.at(start - 1) >= 0xE0020 && points.at(start - 1) <= 0xE007F)
            --start;
        return start > 0 && points.at(start - 1) == 0x1F3F4;
    }
    return false;
}

} // namespace

FilenameValidity stringValidForFilename(const QString &name)
{
    bool onlyDots = true;
    for (const QChar c : name) {
        if (c != QLatin1Char('.')) {
            onlyDots = false;
            break;
        }
    }
    if (onlyDots)
        return FilenameOnlyDots;

    bool illegal = false;
    bool symbol = false;
    forEachCodePoint(name, [&](uint codePoint, bool loneSurrogate) {
        if (loneSurrogate || isNoncharacter(codePoint) ||
            QChar::category(codePoint) == QChar::Other_NotAssigned)
            illegal = true;
        else if (isSymbolCategory(QChar::category(codePoint)))
            symbol = true;
    });
    if (illegal)
        return FilenameHasIllegalCharacter;
    if (symbol)
        return FilenameHasSymbol;
    if (name.trimmed().isEmpty())
        return FilenameNotAllowed;
    static const QString forbidden = QStringLiteral("/\\?%*|\"<>:");
    for (const QChar c : name) {
        if (forbidden.contains(c))
            return FilenameNotAllowed;
    }
    return FilenameValid;
}

QString stringByCleaningPath(const QString &path)
{
    QStringList components;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!components.isEmpty())
                components.removeLast();
            continue;
        }
        components.append(part);
    }
    return QLatin1Char('/') + components.join(QLatin1Char('/'));
}

int completePathIntoString(const QString &, QString *match)
{
    // Local folders are not listed for completion (MCFunctions::getFilesListAtPath lists
    // nothing), so no entry begins with the typed name.
    if (match)
        *match = QString();
    return 0;
}

QString stringByTruncateMiddleWithMaxChars(const QString &text, int maxChars)
{
    const int length = text.size();
    if (length <= maxChars)
        return text;
    const int half = maxChars / 2;
    const int middle = length / 2 - 1;
    QString left = text.left(qMax(0, middle));
    while (left.size() > half && left.size() >= 2)
        left.chop(2);
    QString right = text.mid(qMax(0, middle));
    while (right.size() > half && right.size() >= 2)
        right.remove(0, 1);
    if (!left.isEmpty() && left.at(left.size() - 1).isHighSurrogate())
        left.chop(1);
    if (!right.isEmpty() && right.at(0).isLowSurrogate())
        right.remove(0, 1);
    return left + QStringLiteral("...") + right;
}

QCollator naturalCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

QString stringWithItemsCount(long count)
{
    const char *word = count == 1 ? "item" : "items";
    return QStringLiteral("%1 %2").arg(count).arg(QCoreApplication::translate("MCString", word));
}

QString stringForName(const QString &name)
{
    // Code points, so that format characters beyond the first plane (tags) are seen too.
    QVector<uint> points;
    points.reserve(name.size());
    forEachCodePoint(name, [&points](uint codePoint, bool) { points.append(codePoint); });
    QString shown;
    shown.reserve(name.size());
    for (int i = 0; i < points.size(); ++i) {
        const uint u = points.at(i);
        const QChar::Category category = QChar::category(u);
        const bool control = category == QChar::Other_Control;
        const bool separator = u == 0x2028 || u == 0x2029;
        // Invisible format characters (zero-width spaces, direction marks and overrides, the
        // byte-order mark) would let a name pass for another; those that join an emoji
        // sequence or a cursive script draw something and stay.
        const bool invisible = category == QChar::Other_Format && !joinsVisibly(points, i);
        if (control || separator || invisible) {
            shown += QChar(QChar::ReplacementCharacter);
        } else if (QChar::requiresSurrogates(u)) {
            shown += QChar(QChar::highSurrogate(u));
            shown += QChar(QChar::lowSurrogate(u));
        } else {
            shown += QChar(ushort(u));
        }
    }
    return shown;
}

QString stringByBoundingName(const QString &name)
{
    if (name.size() <= MaxNameLength)
        return name;
    // The last grapheme boundary that leaves room for the ellipsis: a cut inside an emoji
    // sequence or before a combining mark would show a character the name does not hold.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    graphemes.setPosition(MaxNameLength - 1);
    int kept = graphemes.isAtBoundary() ? graphemes.position() : graphemes.toPreviousBoundary();
    // One grapheme longer than the bound (a letter under hundreds of marks): cut between its
    // code points rather than show nothing of it.
    if (kept <= 0) {
        kept = MaxNameLength - 1;
        if (name.at(kept - 1).isHighSurrogate())
            --kept;
    }
    return name.left(kept) + QChar(0x2026);
}

QString stringByIsolatingName(const QString &name)
{
    return QChar(0x2068) + stringForName(name) + QChar(0x2069);
}

QString stringForMenu(const QString &name)
{
    return stringByEscapingMnemonics(stringByIsolatingName(name));
}

QString stringForToolTip(const QString &name)
{
    const QString plain = stringForName(name);
    if (plain.isEmpty())
        return plain;
    // A tooltip of plain text is one line per line break, however wide: the breaks are put in
    // here, where a reader would (between words, else between characters), so that it stays
    // on the screen the pointer is on.
    const QFont font = QToolTip::font();
    qreal width = ToolTipLineCharacters * QFontMetricsF(font).averageCharWidth();
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        width = qMin(width, qreal(screen->availableGeometry().width() - ToolTipScreenMargin));
    QTextLayout layout(plain, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(width, qreal(1)));
        // A space a line ends at stays, unseen: the lines joined are the name.
        lines.append(plain.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    // Qt shows a tooltip as rich text when it thinks it looks like it: a tag it knows after a
    // "<", an "&lt;". A word joiner after each "<" and "&" makes neither, and is not seen.
    QString tip = lines.join(QLatin1Char('\n'));
    tip.replace(QLatin1Char('<'), QStringLiteral("<\u2060"));
    tip.replace(QLatin1Char('&'), QStringLiteral("&\u2060"));
    return tip;
}

QString stringByEscapingMnemonics(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString stringByUrlEncoding(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QSizeF sizeForWidth(const QTextDocument &text, qreal width, qreal height)
{
    if (text.isEmpty())
        return QSizeF(0, 0);
    QScopedPointer<QTextDocument> document(text.clone());
    document->setDocumentMargin(0);
    if (width < Unlimited)
        document->setTextWidth(width);
    const qreal usedWidth =
        width < Unlimited ? qMin(document->idealWidth(), width) : document->idealWidth();
    return QSizeF(usedWidth, qMin(document->size().height(), height));
}

qreal heightForWidth(const QTextDocument &text, qreal width)
{
    return sizeForWidth(text, width, Unlimited).height();
}

qreal widthForHeight(const QTextDocument &text, qreal height)
{
    return sizeForWidth(text, Unlimited, height).width();
}

QSizeF sizeForWidth(const QString &text, qreal width, qreal height, const QFont &font)
{
    QTextDocument document;
    document.setDefaultFont(font);
    document.setPlainText(text);
    return sizeForWidth(document, width, height);
}

qreal heightForWidth(const QString &text, qreal width, const QFont &font)
{
    return sizeForWidth(text, width, Unlimited, font).height();
}

qreal widthForHeight(const QString &text, qreal height, const QFont &font)
{
    return sizeForWidth(text, Unlimited, height, font).width();
}

} // namespace MCString
