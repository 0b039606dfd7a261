#include "mcenglishplurals.h"

MCEnglishPlurals::MCEnglishPlurals(QObject *parent)
    : QTranslator(parent)
{}

QString MCEnglishPlurals::translate(const char *, const char *sourceText, const char *, int n) const
{
    // Only counted texts; every other text is left to the translations (or its source).
    if (n < 0 || !sourceText)
        return QString();
    QString text = QString::fromUtf8(sourceText);
    if (!text.contains(QLatin1String("(s)")))
        return QString();
    return text.replace(QLatin1String("(s)"), n == 1 ? QString() : QStringLiteral("s"));
}

bool MCEnglishPlurals::isEmpty() const
{
    return false;
}
