#include "mheldfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct MHeldFile::Handles
{
    Handles(int folder, const QByteArray &name, int file)
        : folder(folder)
        , name(name)
        , file(file)
    {}
    ~Handles()
    {
        ::close(file);
        ::close(folder);
    }
    Handles(const Handles &) = delete;
    Handles &operator=(const Handles &) = delete;

    const int folder;
    const QByteArray name;
    const int file;
};

MHeldFile::MHeldFile(int folder, const QByteArray &name, int file)
    : d(std::make_shared<const Handles>(folder, name, file))
{}

int MHeldFile::handle() const
{
    return d ? d->file : -1;
}

int MHeldFile::folderHandle() const
{
    return d ? d->folder : -1;
}

QByteArray MHeldFile::name() const
{
    return d ? d->name : QByteArray();
}

bool MHeldFile::isAt(int folder, const QByteArray &name) const
{
    struct stat held;
    struct stat entry;
    return d && ::fstat(d->file, &held) == 0 && held.st_nlink == 1 &&
           ::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
           entry.st_dev == held.st_dev && entry.st_ino == held.st_ino;
}

bool MHeldFile::isInPlace() const
{
    return d && isAt(d->folder, d->name);
}
