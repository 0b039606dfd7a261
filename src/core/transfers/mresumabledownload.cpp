#include "mresumabledownload.h"

#include "mconfinedfolder.h"
#include "mfilenames.h"
#include "mheldfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxFreeNameAttempts = 10000;

bool copyInto(QFile &source, QSaveFile &target)
{
    QByteArray block;
    while (!(block = source.read(1024 * 1024)).isEmpty()) {
        if (target.write(block) != block.size())
            return false;
    }
    return source.error() == QFile::NoError;
}

} // namespace

bool MResumableDownload::isContentHash(const QString &hash)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-fA-F]{32}$"));
    return pattern.match(hash).hasMatch();
}

QString MResumableDownload::downloadPath(const MConfinedFolder &temp, const MStorageObject &object)
{
    const QString hash = object.contentHash().toLower();
    if (!isContentHash(hash))
        return QString();
    const QString directory =
        temp.root() + QLatin1Char('/') + hash.left(2) + QLatin1Char('/') + hash.mid(2, 2);
    temp.makeFolders(directory);
    return directory + QLatin1Char('/') + hash;
}

QString MResumableDownload::partialPath(const MConfinedFolder &temp, qint64 transferId)
{
    const QString directory = temp.root() + QStringLiteral("/downloads");
    temp.makeFolders(directory);
    return directory + QStringLiteral("/%1.part").arg(transferId);
}

bool MResumableDownload::adopt(const MConfinedFolder &temp, const QString &parked,
                               const QString &own)
{
    // Only a file is taken over: a link left there goes, what it points to stays.
    if (temp.fileSize(parked) < 0) {
        temp.remove(parked);
        return false;
    }
    return temp.rename(parked, own, false);
}

void MResumableDownload::park(const MConfinedFolder &temp, const QString &own,
                              const QString &parked)
{
    if (parked.isEmpty() || temp.fileSize(own) <= 0 || !temp.rename(own, parked, true))
        temp.remove(own);
}

MHeldFile MResumableDownload::openPartial(const MConfinedFolder &temp, const QString &path,
                                          QFile *file)
{
    const MHeldFile held = temp.holdFile(path, O_RDWR | O_CREAT);
    const int fd = held.isValid() ? ::fcntl(held.handle(), F_DUPFD_CLOEXEC, 0) : -1;
    if (fd < 0)
        return MHeldFile();
    if (!file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return MHeldFile();
    }
    return held;
}

QUrl MResumableDownload::downloadUrl(const QUrl &apiUrl, const QString &sourcePath)
{
    QUrl url(apiUrl);
    url.setPath(
        QDir::cleanPath(apiUrl.path(QUrl::FullyDecoded) + QStringLiteral("/object/") + sourcePath),
        QUrl::DecodedMode);
    return url;
}

QString MResumableDownload::reserveFreeName(const QString &path)
{
    QString candidate = path;
    for (int attempt = 0; attempt < MaxFreeNameAttempts && !candidate.isEmpty(); ++attempt) {
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return candidate;
        if (!file.exists())
            return QString();
        candidate = mIncrementNumericFileNameSuffix(candidate, Tolvo::PlainSuffix);
    }
    return QString();
}

bool MResumableDownload::replace(const MHeldFile &verified, const QString &destination)
{
    if (!verified.isInPlace())
        return false;
    const int folder = verified.folderHandle();
    const QByteArray from = verified.name();
    const QByteArray to = QFile::encodeName(destination);
    // Renamed over an existing file, ext4 writes the new file out before the call returns, to
    // keep the old content safe from a crash: about half a second per GiB. An empty file (the
    // name a download reserved) has nothing to keep, so it is swapped out and removed instead.
    const QFileInfo existing(destination);
    if (existing.isFile() && !existing.isSymLink() && existing.size() == 0 &&
        ::renameat2(folder, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        struct stat swapped;
        if (::fstatat(folder, from.constData(), &swapped, AT_SYMLINK_NOFOLLOW) == 0 &&
            swapped.st_size == 0) {
            ::unlinkat(folder, from.constData(), 0);
            return true;
        }
        // It was written to meanwhile: it is put back and replaced like any other file.
        if (::renameat2(AT_FDCWD, to.constData(), folder, from.constData(), RENAME_EXCHANGE) != 0)
            return false;
    }
    if (::renameat(folder, from.constData(), AT_FDCWD, to.constData()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    QFile source;
    const int fd = ::fcntl(verified.handle(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0 || !source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    QSaveFile target(destination);
    if (!source.seek(0) || !target.open(QIODevice::WriteOnly) || !copyInto(source, target) ||
        !target.commit())
        return false;
    if (verified.isInPlace())
        ::unlinkat(folder, from.constData(), 0);
    return true;
}
