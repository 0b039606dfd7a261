#ifndef DOWNLOADMARK_H
#define DOWNLOADMARK_H

#include <QString>

// Marks a file that a download is filling: its completed fraction as an extended attribute in
// the "user." namespace, for file managers and scripts that look for it. Linux cannot set a
// file's birth time, so the mark is the attribute alone. Every call fails quietly (false) when
// the file system keeps no user attributes.
namespace DownloadMark {

// "user.kerlo.progress.fractionCompleted"
extern const char *const AttributeName;

// Writes fraction as "%f" text (six decimals, no terminating NUL).
bool setFractionCompleted(const QString &path, double fraction);
// The attribute's text; null when absent or unreadable.
QString fractionCompleted(const QString &path);
bool clear(const QString &path);
// Whether the file at path can carry user attributes (not on some tmpfs and overlays).
bool isSupported(const QString &path);

} // namespace DownloadMark

#endif // DOWNLOADMARK_H
