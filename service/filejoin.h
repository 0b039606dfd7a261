#ifndef FILEJOIN_H
#define FILEJOIN_H

#include <QString>
#include <QStringList>

// Files made of other files, without passing their bytes through user space where the file
// system allows it.
namespace FileJoin {

// The MD5 (lower-case hex) and size of the parts read one after another; false when one
// cannot be read.
bool digest(const QStringList &parts, QString *md5, qint64 *size);

// Writes the parts one after another into a new file that replaces target atomically:
// shares their blocks (a reflink) where the file system can, else copies in the kernel
// (copy_file_range), else through a buffer. False on failure (reported on stderr).
bool join(const QStringList &parts, const QString &target);

enum class Method { Reflink, KernelCopy, BufferCopy };
// How the last join of this process went, at worst; for benchmarks.
Method lastMethod();

} // namespace FileJoin

#endif // FILEJOIN_H
