#ifndef BUNDLEVALUES_H
#define BUNDLEVALUES_H

#include <QProcessEnvironment>
#include <QStringList>
#include <QVariantMap>

// The application's fixed values, written into the build by CMake: bundle identifier and name,
// version texts, build date and the service's root URL. A value type; copies are cheap.
//
// Keys and the type of their values (all QString):
//   "CFBundleIdentifier"          reverse-DNS identifier, also the .desktop file's id
//   "CFBundleName"                application name; the support folder is named after it
//   "CFBundleShortVersionString"  marketing version ("0.1.0")
//   "CFBundleVersion"             build number
//   "BuildDate"                   last commit's time, ISO 8601 UTC ("2026-12-07T14:18:08Z")
//   "MCKerloAPIURL"               the service's root, scheme and host (and path), never a
//                                 trailing slash: "/api/v1" and "/oauth" are appended to it
//
// "MCKerloAPIURL" can be pointed elsewhere (at kerlo-local), the later source winning:
//   built-in default < environment variable MCKerloAPIURL < command line
//   "-MCKerloAPIURL <url>" or "--MCKerloAPIURL=<url>" (the last one given wins).
// An override must be an absolute http or https URL with a host; anything else is refused with
// a warning and the earlier value stays. Trailing slashes of an override are removed.
// The override arguments are not removed from the argument list: a relaunch passes them on.
class BundleValues
{
public:
    static const QString IdentifierKey;   // "CFBundleIdentifier"
    static const QString NameKey;         // "CFBundleName"
    static const QString ShortVersionKey; // "CFBundleShortVersionString"
    static const QString VersionKey;      // "CFBundleVersion"
    static const QString BuildDateKey;    // "BuildDate"
    static const QString KerloAPIURLKey;  // "MCKerloAPIURL"

    // The built-in table, without overrides.
    BundleValues();

    // The built-in table with the environment's and then the arguments' overrides applied.
    // arguments is the whole command line, program name first (QCoreApplication::arguments()).
    static BundleValues
    fromProcess(const QStringList &arguments,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

    // The value for key; an invalid QVariant for a key the table does not have.
    QVariant value(const QString &key) const;
    // value(key) as text; empty for a missing key.
    QString string(const QString &key) const;
    QVariantMap values() const { return m_values; }

    // Replaces one value (tests; MCKerloAPIURL is taken as it stands here).
    void setValue(const QString &key, const QVariant &value);

    // Shorthands of the table.
    QString identifier() const { return string(IdentifierKey); }
    QString name() const { return string(NameKey); }
    QString kerloAPIURL() const { return string(KerloAPIURLKey); }
    // "<short version> (<build>)", the version text of the application string.
    QString versionText() const;

    // The override rule alone: the normalised URL text, or an empty string when text is not
    // an absolute http(s) URL with a host.
    static QString normalizedAPIURL(const QString &text);

private:
    QVariantMap m_values;
};

#endif // BUNDLEVALUES_H
