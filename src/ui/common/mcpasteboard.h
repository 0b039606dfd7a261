#ifndef MCPASTEBOARD_H
#define MCPASTEBOARD_H

#include <QStringList>

class QMimeData;

// What the clipboard and drags carry. Remote objects travel as a JSON list of their remote
// paths under a private type; local files come from the desktop's file manager as a URI list,
// or as its copied-files form whose first line says "copy" or "cut" (both read as a copy).
namespace MCPasteboard {

extern const char *const RemoteObjectsMimeType; // "application/x-kerlo-objects"
extern const char *const CopiedFilesMimeType;   // "x-special/gnome-copied-files"

// A new payload holding remotePaths, in order; the caller owns it.
QMimeData *mimeDataForRemotePaths(const QStringList &remotePaths);
// The remote paths of a payload; empty when it has none or they cannot be read.
QStringList remotePaths(const QMimeData *data);
// The local files of a payload, in order; URIs that name no local file are left out.
QStringList localFilePaths(const QMimeData *data);

} // namespace MCPasteboard

#endif // MCPASTEBOARD_H
