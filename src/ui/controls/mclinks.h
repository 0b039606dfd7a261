#ifndef MCLINKS_H
#define MCLINKS_H

#include <QUrl>

// Opening links that come from text the service or another user wrote. Only web and mail links
// are handed to the desktop: a "file:" or custom-scheme link in a message must not start a
// local program.
namespace MCLinks {

bool isOpenable(const QUrl &url);
// Whether the desktop names an application for the link's scheme. Handing a link over only
// starts a launcher, which succeeds with nothing to open the link: a window that says a page
// was opened asks this too.
bool hasDesktopHandler(const QUrl &url);
// Opens the link with the desktop's handler when it is openable; false otherwise. A mail link
// is opened as its address alone, without its query or fragment.
bool open(const QUrl &url);

} // namespace MCLinks

#endif // MCLINKS_H
