#ifndef MCLINKS_H
#define MCLINKS_H

#include <QUrl>

// Opening links that come from text the service or another user wrote. Only web and mail links
// are handed to the desktop: a "file:" or custom-scheme link in a message must not start a
// local program.
namespace MCLinks {

bool isOpenable(const QUrl &url);
// Opens the link with the desktop's handler when it is openable; false otherwise.
bool open(const QUrl &url);

} // namespace MCLinks

#endif // MCLINKS_H
