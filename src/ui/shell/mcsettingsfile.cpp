#include "mcsettingsfile.h"

#include "mcshelllogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const QString &what, const QString &path)
{
    return QStringLiteral("%1 %2: %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

QSettings *MCSettingsFile::open(const QString &name, QObject *parent)
{
    auto *settings =
        new QSettings(QSettings::NativeFormat, QSettings::UserScope, name, name, parent);
    const QString failure = makePrivate(settings->fileName());
    if (!failure.isEmpty())
        qCWarning(lcShell) << "The settings file could not be made private:" << failure;
    return settings;
}

QString MCSettingsFile::makePrivate(const QString &fileName)
{
    const QString folder = QFileInfo(fileName).absolutePath();
    // Missing folders on the way are made private too, as the desktop's base folders should be.
    QString current;
    for (const QString &part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(current).constData(), S_IRWXU) != 0 && errno != EEXIST)
            return systemError(QStringLiteral("cannot create"), current);
    }
    const QByteArray folderPath = QFile::encodeName(folder);
    struct stat folderInfo;
    if (::lstat(folderPath.constData(), &folderInfo) != 0)
        return systemError(QStringLiteral("cannot read"), folder);
    // A link would take the settings elsewhere: it is left alone.
    if (!S_ISDIR(folderInfo.st_mode))
        return QStringLiteral("%1 is not a folder").arg(folder);
    if ((folderInfo.st_mode & 07777) != S_IRWXU && ::chmod(folderPath.constData(), S_IRWXU) != 0)
        return systemError(QStringLiteral("cannot restrict"), folder);

    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return systemError(QStringLiteral("cannot open"), fileName);
    const bool restricted = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    const QString failure =
        restricted ? QString() : systemError(QStringLiteral("cannot restrict"), fileName);
    ::close(fd);
    return failure;
}
