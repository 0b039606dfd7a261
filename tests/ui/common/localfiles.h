#ifndef LOCALFILES_H
#define LOCALFILES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Files on the test's own disk: what a suite puts where the shell will find it, and what the
// shell left there.
namespace ShellTest {

// The whole file; "<missing>" when it cannot be read, so that a comparison names the fault.
QByteArray readFile(const QString &path);

// The file's non-empty lines; none when it cannot be read (a log nothing has written yet).
QStringList readLines(const QString &path);

// Replaces the file (making its folder when missing) with contents, executable by its owner
// when asked. False when any of it failed.
bool writeFile(const QString &path, const QByteArray &contents, bool executable = false);

} // namespace ShellTest

#endif // LOCALFILES_H
