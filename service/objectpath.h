#ifndef OBJECTPATH_H
#define OBJECTPATH_H

#include <QString>

#include <optional>
#include <string>

// Paths of the remote store: "/" for the root, otherwise "/" followed by names joined with
// "/". Names never reach the file system (contents are stored by hash), yet "." and ".."
// are refused so that no client can make a path mean something other than it says.
namespace ObjectPath {

// Longest name and path, in UTF-8 bytes, as common file systems allow.
constexpr int maximumNameBytes = 255;
constexpr int maximumPathBytes = 4096;

// The canonical form of a path a client sent, with or without the leading "/"; repeated
// and trailing "/" are dropped. nullopt when a name is "." or "..", holds a NUL or is longer
// than maximumNameBytes, or the canonical path is longer than maximumPathBytes.
std::optional<QString> normalized(const QString &path);
// The same for the decoded bytes of a request path; nullopt also for bytes that are not
// UTF-8.
std::optional<QString> fromUtf8(const std::string &path);

QString parent(const QString &path); // "/" for the root
QString name(const QString &path);   // "/" for the root
QString child(const QString &folder, const QString &name);
// Whether path is ancestor or below it, comparing whole names.
bool isWithin(const QString &path, const QString &ancestor);
// path, which is within from, moved to within to.
QString rebased(const QString &path, const QString &from, const QString &to);

} // namespace ObjectPath

#endif // OBJECTPATH_H
