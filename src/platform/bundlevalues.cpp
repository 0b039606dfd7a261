#include "bundlevalues.h"

#include "bundlevaluesbuild.h"
#include "platformlogging.h"

#include <QUrl>

const QString BundleValues::IdentifierKey = QStringLiteral("CFBundleIdentifier");
const QString BundleValues::NameKey = QStringLiteral("CFBundleName");
const QString BundleValues::ShortVersionKey = QStringLiteral("CFBundleShortVersionString");
const QString BundleValues::VersionKey = QStringLiteral("CFBundleVersion");
const QString BundleValues::BuildDateKey = QStringLiteral("BuildDate");
const QString BundleValues::KerloAPIURLKey = QStringLiteral("MCKerloAPIURL");

BundleValues::BundleValues()
{
    m_values.insert(IdentifierKey, QStringLiteral(LUMARIN_BUNDLE_IDENTIFIER));
    m_values.insert(NameKey, QStringLiteral(LUMARIN_BUNDLE_NAME));
    m_values.insert(ShortVersionKey, QStringLiteral(LUMARIN_SHORT_VERSION));
    m_values.insert(VersionKey, QStringLiteral(LUMARIN_BUILD_NUMBER));
    m_values.insert(BuildDateKey, QStringLiteral(LUMARIN_BUILD_DATE));
    m_values.insert(KerloAPIURLKey, QStringLiteral(LUMARIN_KERLO_API_URL));
}

BundleValues BundleValues::fromProcess(const QStringList &arguments,
                                       const QProcessEnvironment &environment)
{
    BundleValues values;
    auto apply = [&values](const QString &text, const char *origin) {
        const QString url = normalizedAPIURL(text);
        if (url.isEmpty()) {
            qCWarning(lcBundle, "Ignoring %s %s: not an http or https URL with a host: \"%s\"",
                      origin, qPrintable(KerloAPIURLKey), qPrintable(text));
            return;
        }
        values.m_values.insert(KerloAPIURLKey, url);
    };

    if (environment.contains(KerloAPIURLKey))
        apply(environment.value(KerloAPIURLKey), "environment variable");

    const QString option = QLatin1Char('-') + KerloAPIURLKey;
    const QString longOption = QLatin1Char('-') + option + QLatin1Char('=');
    // The program name is not an option.
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == option || argument == QLatin1Char('-') + option) {
            if (i + 1 >= arguments.size()) {
                qCWarning(lcBundle, "Ignoring %s: no URL follows it", qPrintable(argument));
                break;
            }
            apply(arguments.at(++i), "argument");
        } else if (argument.startsWith(longOption)) {
            apply(argument.mid(longOption.size()), "argument");
        }
    }
    return values;
}

QVariant BundleValues::value(const QString &key) const
{
    return m_values.value(key);
}

QString BundleValues::string(const QString &key) const
{
    return m_values.value(key).toString();
}

void BundleValues::setValue(const QString &key, const QVariant &value)
{
    m_values.insert(key, value);
}

QString BundleValues::versionText() const
{
    return QStringLiteral("%1 (%2)").arg(string(ShortVersionKey), string(VersionKey));
}

QString BundleValues::normalizedAPIURL(const QString &text)
{
    QString trimmed = text.trimmed();
    while (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    return trimmed;
}
