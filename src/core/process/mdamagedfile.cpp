#include "mdamagedfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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

QString mUnreadableFileReason(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (!info.exists())
        return QString();
    // Not opened to find out: opening a pipe waits for a writer.
    if (!info.isFile())
        return QStringLiteral("it is not a file");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return QString();
    return file.errorString();
}
