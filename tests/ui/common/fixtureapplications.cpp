#include "fixtureapplications.h"

#include "localfiles.h"
#include "shelltestfixture.h"

#include <QDir>
#include <QFile>
#include <QMap>

namespace ShellTest {

namespace {

QString logFolder()
{
    return root() + QStringLiteral("/logs");
}

} // namespace

bool installApplications(const QList<FixtureApplication> &applications, const QByteArray &defaults)
{
    const QString system = root() + QStringLiteral("/system");
    bool written = QDir().mkpath(system) && QDir().mkpath(logFolder());
    // The MIME database stays the system's; its applications do not.
    written &= QFile::link(QStringLiteral("/usr/share/mime"), system + QStringLiteral("/mime"));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(system));

    // One script for all: the application's id, then the file.
    const QString script = root() + QStringLiteral("/record.sh");
    written &= writeFile(script,
                         "#!/bin/sh\nprintf '%s\\n' \"$2\" >> \"" + QFile::encodeName(logFolder()) +
                             "/$1\"\n",
                         true);
    const QString folder = root() + QStringLiteral("/data/applications/");
    QList<QByteArray> types;
    QMap<QByteArray, QByteArray> index;
    for (const FixtureApplication &application : applications) {
        written &= writeFile(folder + QString::fromUtf8(application.id) + ".desktop",
                             "[Desktop Entry]\nType=Application\nName=" + application.name +
                                 "\nExec=\"" + QFile::encodeName(script) + "\" " + application.id +
                                 " %f\nMimeType=" + application.mimeTypes + "\n");
        for (const QByteArray &type : application.mimeTypes.split(';')) {
            if (type.isEmpty())
                continue;
            if (!index.contains(type))
                types.append(type);
            index[type] += application.id + ".desktop;";
        }
    }
    QByteArray cache = "[MIME Cache]\n";
    for (const QByteArray &type : types)
        cache += type + '=' + index.value(type) + '\n';
    written &= writeFile(folder + QStringLiteral("mimeinfo.cache"), cache);
    written &= writeFile(root() + QStringLiteral("/config/mimeapps.list"),
                         "[Default Applications]\n" + defaults);
    return written;
}

QStringList filesOpenedBy(const QString &id)
{
    return readLines(logFolder() + QLatin1Char('/') + id);
}

} // namespace ShellTest
