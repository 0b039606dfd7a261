#include "filejoin.h"

#include "md5digest.h"
#include "secrets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t bufferSize = 1 << 20;
std::atomic<int> lastJoin{int(FileJoin::Method::Reflink)};

// Closes its descriptor at scope end.
struct Descriptor
{
    explicit Descriptor(int fd)
        : fd(fd)
    {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int fd;
};

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

bool bufferCopy(int from, int to, off_t length)
{
    std::vector<char> buffer(bufferSize);
    if (::lseek(from, 0, SEEK_SET) < 0)
        return false;
    while (length > 0) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !writeAll(to, buffer.data(), size_t(got)))
            return false;
        length -= got;
    }
    return true;
}

// False with errno when the kernel cannot copy between these files; the caller falls back.
bool kernelCopy(int from, int to, off_t length, off_t at)
{
    off_t in = 0;
    off_t out = at;
    while (length > 0) {
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, size_t(length), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            return false;
        length -= copied;
    }
    return true;
}

// Appends the part at offset at, by the cheapest method left; a method that failed once
// is not tried again for this file.
bool append(int from, int to, off_t length, off_t at, FileJoin::Method *method)
{
    if (*method == FileJoin::Method::Reflink) {
        file_clone_range range{};
        range.src_fd = from;
        range.dest_offset = __u64(at);
        // 0: to the end of the source, which lets an unaligned last part be shared too.
        if (::ioctl(to, FICLONERANGE, &range) == 0)
            return true;
        *method = FileJoin::Method::KernelCopy;
    }
    if (*method == FileJoin::Method::KernelCopy) {
        if (kernelCopy(from, to, length, at))
            return true;
        // Nothing of this part may have landed where the next method starts.
        if (::ftruncate(to, at) != 0)
            return false;
        *method = FileJoin::Method::BufferCopy;
    }
    return ::lseek(to, at, SEEK_SET) == at && bufferCopy(from, to, length);
}

} // namespace

bool FileJoin::digest(const QStringList &parts, QString *md5, qint64 *size)
{
    Md5Digest hash;
    *size = 0;
    std::vector<char> buffer(bufferSize);
    for (const QString &part : parts) {
        Descriptor file(::open(QFile::encodeName(part).constData(), O_RDONLY | O_CLOEXEC));
        if (file.fd < 0)
            return false;
        ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        for (;;) {
            const ssize_t got = ::read(file.fd, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            hash.add(buffer.data(), size_t(got));
            *size += got;
        }
    }
    *md5 = hash.hex();
    return true;
}

bool FileJoin::join(const QStringList &parts, const QString &target)
{
    const QString folder = QFileInfo(target).path();
    const QString temporary = target + QStringLiteral(".part-") + Secrets::randomHex(8);
    const QByteArray temporaryName = QFile::encodeName(temporary);
    Method method = Method::Reflink;
    bool joined = QDir().mkpath(folder);
    {
        Descriptor out(joined ? ::open(temporaryName.constData(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)
                              : -1);
        joined = out.fd >= 0;
        off_t at = 0;
        for (const QString &part : parts) {
            if (!joined)
                break;
            Descriptor in(::open(QFile::encodeName(part).constData(), O_RDONLY | O_CLOEXEC));
            struct stat status;
            joined = in.fd >= 0 && ::fstat(in.fd, &status) == 0 &&
                     append(in.fd, out.fd, status.st_size, at, &method);
            at += joined ? status.st_size : 0;
        }
    }
    // Another upload of the same bytes may rename the same blob into place: both are whole.
    if (joined && ::rename(temporaryName.constData(), QFile::encodeName(target).constData()) == 0) {
        lastJoin = int(method);
        return true;
    }
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(target),
                 std::strerror(errno));
    ::unlink(temporaryName.constData());
    return false;
}

FileJoin::Method FileJoin::lastMethod()
{
    return Method(lastJoin.load());
}
