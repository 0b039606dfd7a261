#ifndef MCPAGES_H
#define MCPAGES_H

#include <QIcon>
#include <QStringList>

// The pages the main window shows instead of the browser, by their pseudo-URL ("account://",
// "transfers://", ...): the title a window, a history menu or the Go menu gives each, and its
// icon. Pure look-ups.
namespace MCPages {

// The seven pseudo-URLs, in the Go menu's order.
QStringList locations();
// A page's title; empty for anything that is not a page.
QString title(const QString &location);
// A page's icon; "home" has the home icon; null for anything else.
QIcon icon(const QString &location);

} // namespace MCPages

#endif // MCPAGES_H
