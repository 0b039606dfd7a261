#include "mfilenames.h"

#include "mobjectslistcache.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QRegularExpression &suffixPattern(Tolvo::FileNameSuffixStyle style)
{
    static const QString bracketed = QStringLiteral("\\s\\%1\\d\\%2$");
    static const QRegularExpression plain(QStringLiteral("\\s\\d$"));
    static const QRegularExpression parenthesis(
        bracketed.arg(QLatin1Char('(')).arg(QLatin1Char(')')));
    static const QRegularExpression bracket(bracketed.arg(QLatin1Char('[')).arg(QLatin1Char(']')));
    switch (style) {
    case Tolvo::PlainSuffix:
        return plain;
    case Tolvo::ParenthesisSuffix:
        return parenthesis;
    default:
        return bracket;
    }
}

QString firstSuffix(Tolvo::FileNameSuffixStyle style)
{
    switch (style) {
    case Tolvo::PlainSuffix:
        return QStringLiteral(" 2");
    case Tolvo::ParenthesisSuffix:
        return QStringLiteral(" (2)");
    default:
        return QStringLiteral(" [2]");
    }
}

} // namespace

bool mPathHasParentComponent(const QString &path)
{
    const QVector<QStringRef> components = path.splitRef(QLatin1Char('/'));
    for (const QStringRef &component : components) {
        if (component == QLatin1String(".."))
            return true;
    }
    return false;
}

bool mIsPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool mPathIsUnder(const QString &filePath, const QString &basePath)
{
    if (filePath == basePath)
        return true;
    const QString prefix =
        basePath.endsWith(QLatin1Char('/')) ? basePath : basePath + QLatin1Char('/');
    return filePath.startsWith(prefix);
}

QString mIncrementNumericFileNameSuffix(const QString &path, Tolvo::FileNameSuffixStyle style)
{
    if (mPathHasParentComponent(path))
        return QString();
    const QFileInfo info(QDir::cleanPath(path));
    QString name = info.baseName();
    const QRegularExpressionMatch match = suffixPattern(style).match(name);
    if (!match.hasMatch()) {
        name += firstSuffix(style);
    } else {
        // The pattern holds exactly one digit; only the match itself is rewritten, so an equal
        // text earlier in the name stays.
        const int start = match.capturedStart();
        QString suffix = match.captured();
        static const QRegularExpression digitPattern(QStringLiteral("\\d"));
        const int digit = suffix.indexOf(digitPattern);
        suffix.replace(digit, 1, QString::number(suffix.at(digit).digitValue() + 1));
        name.replace(start, match.capturedLength(), suffix);
    }
    const QString suffix = info.completeSuffix();
    if (!suffix.isEmpty())
        name += QLatin1Char('.') + suffix;
    // Cleaned as a whole: a file of the root gives "/a 2.txt", not "//a 2.txt".
    return QDir::cleanPath(info.path() + QLatin1Char('/') + name);
}

QString mSuggestedFilePath(const QString &path, const MObjectsListCache &cache,
                           Tolvo::FileNameSuffixStyle style)
{
    if (mPathHasParentComponent(path))
        return QString();
    QString candidate = path;
    while (cache.containsObject(candidate))
        candidate = mIncrementNumericFileNameSuffix(candidate, style);
    return candidate;
}
