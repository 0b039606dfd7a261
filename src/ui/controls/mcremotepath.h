#ifndef MCREMOTEPATH_H
#define MCREMOTEPATH_H

#include <QString>

// Lexical helpers for the service's paths ("/Documents/Report.pdf"), shared by the file
// commands, drag and drop and the transfer sheets. Only keyed() cleans: the others take paths as
// the service or the browser gives them.
namespace MCRemotePath {

// name inside folder: "/" + "a" is "/a", "/b" + "a" is "/b/a".
QString joined(const QString &folder, const QString &name);
// The folder holding path: "/" for "/a" and for a path without any "/".
QString parentOf(const QString &path);
// What follows the last "/" (the whole path without one).
QString lastComponent(const QString &path);
// The form under which a folder is compared and remembered: the root for an empty path, else
// QDir::cleanPath's ("/a/b/", "/a//b" and "/a/./b" are all "/a/b").
QString keyed(const QString &path);
// A path a user typed, made absolute and resolved component by component: "." goes, ".."
// removes the folder before it and never climbs above "/". "Photos/../Documents" is
// "/Documents"; "/../.." is "/".
QString resolvedInsideStore(const QString &typed);
// Whether a name from the service is safe as one component of a local or remote path: not
// empty, not "." or "..", no "/" and no NUL. Anything else would name another file.
bool isSafeName(const QString &name);

} // namespace MCRemotePath

#endif // MCREMOTEPATH_H
