#include "mconfinedfolder.h"

#include "mfilenames.h"
#include "mheldfile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Renamed over an existing file, ext4 writes the new file out before the call returns, to keep
// the old content safe from a crash: about 0.4 s per GiB. An older copy in the cache is not worth
// that, so a file there is swapped with the new one and the old content removed.
bool swapOut(int fromFolder, const char *from, int folder, const char *name)
{
    struct stat existing;
    if (::fstatat(folder, name, &existing, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(existing.st_mode) ||
        ::renameat2(fromFolder, from, folder, name, RENAME_EXCHANGE) != 0)
        return false;
    ::unlinkat(fromFolder, from, 0);
    return true;
}

// Copies what source reads into a new file name of the folder folder.
bool copyIntoFolder(QFile &source, int folder, const QByteArray &name)
{
    const int fd = ::openat(folder, name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    QFile target;
    if (!target.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    QByteArray block;
    while (!(block = source.read(1024 * 1024)).isEmpty()) {
        if (target.write(block) != block.size())
            return false;
    }
    return source.error() == QFile::NoError && target.flush();
}

// Puts what source reads at name in folder through a hidden sibling, for a move across file
// systems.
bool copyOnto(QFile &source, int folder, const QByteArray &name)
{
    const QByteArray copy = '.' + name + ".moving-" + QByteArray::number(qint64(::getpid()));
    if (!copyIntoFolder(source, folder, copy) ||
        (!swapOut(folder, copy.constData(), folder, name.constData()) &&
         ::renameat(folder, copy.constData(), folder, name.constData()) != 0)) {
        ::unlinkat(folder, copy.constData(), 0);
        return false;
    }
    return true;
}

} // namespace

MConfinedFolder::MConfinedFolder(const QString &root, Intruders intruders)
    : m_root(QDir::cleanPath(root))
    , m_intruders(intruders)
{}

bool MConfinedFolder::contains(const QString &path) const
{
    return !m_root.isEmpty() && mPathIsUnder(QDir::cleanPath(path), m_root);
}

bool MConfinedFolder::componentsOf(const QString &path, QStringList *components) const
{
    const QString clean = QDir::cleanPath(path);
    if (!contains(clean) || mPathHasParentComponent(clean))
        return false;
    *components = clean.mid(m_root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return true;
}

bool MConfinedFolder::reachesThroughLink(const QString &path) const
{
    QStringList components;
    if (!componentsOf(path, &components))
        return false;
    QString walked = m_root;
    for (int i = 0; i < components.size() - 1; ++i) {
        walked += QLatin1Char('/') + components.at(i);
        struct stat info;
        if (::lstat(QFile::encodeName(walked).constData(), &info) != 0)
            return false;
        if (S_ISLNK(info.st_mode))
            return true;
    }
    return false;
}

int MConfinedFolder::openFolder(const QStringList &components, bool create) const
{
    int fd = ::open(QFile::encodeName(m_root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QString &component : components) {
        if (fd < 0)
            return -1;
        const QByteArray name = QFile::encodeName(component);
        if (create && ::mkdirat(fd, name.constData(), 0777) != 0 && errno != EEXIST) {
            ::close(fd);
            return -1;
        }
        // A link here fails the open (ELOOP) instead of being followed.
        int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && create && m_intruders == RemoveIntruders &&
            (errno == ELOOP || errno == ENOTDIR) && ::unlinkat(fd, name.constData(), 0) == 0 &&
            ::mkdirat(fd, name.constData(), 0777) == 0)
            next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(fd);
        errno = error;
        fd = next;
    }
    return fd;
}

bool MConfinedFolder::makeFolders(const QString &folder) const
{
    QStringList components;
    if (!componentsOf(folder, &components))
        return false;
    const Descriptor opened(openFolder(components, true));
    return opened.get() >= 0;
}

bool MConfinedFolder::moveInto(const QString &from, const QString &path) const
{
    QStringList components;
    if (!componentsOf(path, &components) || components.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(components.takeLast());
    const Descriptor folder(openFolder(components, true));
    if (folder.get() < 0)
        return false;
    const QByteArray source = QFile::encodeName(from);
    if (swapOut(AT_FDCWD, source.constData(), folder.get(), name.constData()) ||
        ::renameat(AT_FDCWD, source.constData(), folder.get(), name.constData()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    QFile file(from);
    if (!file.open(QIODevice::ReadOnly) || !copyOnto(file, folder.get(), name))
        return false;
    file.remove();
    return true;
}

bool MConfinedFolder::moveInto(const MHeldFile &file, const QString &path) const
{
    QStringList components;
    if (!file.isInPlace() || !componentsOf(path, &components) || components.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(components.takeLast());
    const Descriptor folder(openFolder(components, true));
    if (folder.get() < 0)
        return false;
    const int from = file.folderHandle();
    const QByteArray fromName = file.name();
    if (swapOut(from, fromName.constData(), folder.get(), name.constData()) ||
        ::renameat(from, fromName.constData(), folder.get(), name.constData()) == 0) {
        // A file put in its place between the check and the move was moved instead: it goes.
        if (file.isAt(folder.get(), name))
            return true;
        ::unlinkat(folder.get(), name.constData(), 0);
        return false;
    }
    if (errno != EXDEV)
        return false;
    QFile source;
    const int copy = ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0 || !source.open(copy, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (copy >= 0)
            ::close(copy);
        return false;
    }
    if (!source.seek(0) || !copyOnto(source, folder.get(), name))
        return false;
    if (file.isInPlace())
        ::unlinkat(from, fromName.constData(), 0);
    return true;
}

int MConfinedFolder::openParent(const QString &path, bool create, QByteArray *name) const
{
    QStringList components;
    if (!componentsOf(path, &components) || components.isEmpty()) {
        errno = EINVAL;
        return -1;
    }
    *name = QFile::encodeName(components.takeLast());
    return openFolder(components, create);
}

MHeldFile MConfinedFolder::holdFile(const QString &path, int flags) const
{
    QByteArray name;
    const int folder = openParent(path, true, &name);
    if (folder < 0)
        return MHeldFile();
    const int fd = ::openat(folder, name.constData(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1)
        return MHeldFile(folder, name, fd);
    const int error = fd < 0 ? errno : EPERM;
    if (fd >= 0)
        ::close(fd);
    ::close(folder);
    errno = error;
    return MHeldFile();
}

qint64 MConfinedFolder::fileSize(const QString &path) const
{
    QByteArray name;
    const Descriptor folder(openParent(path, false, &name));
    struct stat info;
    if (folder.get() < 0 ||
        ::fstatat(folder.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return -1;
    return qint64(info.st_size);
}

bool MConfinedFolder::remove(const QString &path) const
{
    QByteArray name;
    const Descriptor folder(openParent(path, false, &name));
    if (folder.get() < 0)
        return errno == ENOENT;
    return ::unlinkat(folder.get(), name.constData(), 0) == 0 || errno == ENOENT;
}

bool MConfinedFolder::rename(const QString &from, const QString &to, bool replace) const
{
    QByteArray fromName;
    QByteArray toName;
    const Descriptor fromFolder(openParent(from, false, &fromName));
    const Descriptor toFolder(openParent(to, true, &toName));
    struct stat info;
    if (fromFolder.get() < 0 || toFolder.get() < 0 ||
        ::fstatat(fromFolder.get(), fromName.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return false;
    return ::renameat2(fromFolder.get(), fromName.constData(), toFolder.get(), toName.constData(),
                       replace ? 0 : RENAME_NOREPLACE) == 0;
}
