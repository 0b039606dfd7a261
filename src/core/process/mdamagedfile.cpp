#include "mdamagedfile.h"

#include <QDateTime>
#include <QFile>

QString mSetDamagedFileAside(const QString &path)
{
    const QString aside =
        path + QStringLiteral(".broken-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
    if (!QFile::rename(path, aside))
        return QString();
    // Its logs belong to it; left behind, they would be replayed into the new file.
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        const QString log = path + QLatin1String(suffix);
        if (QFile::exists(log) && !QFile::rename(log, aside + QLatin1String(suffix)))
            QFile::remove(log);
    }
    return aside;
}
