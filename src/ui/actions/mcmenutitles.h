#ifndef MCMENUTITLES_H
#define MCMENUTITLES_H

#include "mcabstractobjectnode.h"

#include <QString>

class QAction;
class QMenu;

// The titles the file menus give their items for the selection, and the counts they follow.
// Pure functions, shared by every menu so that they all speak alike.
namespace MCMenuTitles {

// A node's name as a title shows it: shortened in the middle to 30 characters from 31 on.
QString shownName(const MCNodePtr &node);
// "Copy \"name\"", the name isolated and its "&" shown as such.
QString forOne(const QString &word, const MCNodePtr &node);
// "Copy 3 Items".
QString forCount(const QString &word, qsizetype count);
// "word" for nothing, forOne() for one node, forCount() for several.
QString forSelection(const QString &word, const MCNodeList &nodes);
// "New Folder with Selection (3 items)".
QString newFolderWithSelection(qsizetype count);
// "Download 2 Items", "Remove from cache 1 Item": the part of a mixed selection it acts on.
QString partial(const QString &word, qsizetype count);
// "Paste Item", "Paste 4 Items"; "Paste" for nothing.
QString paste(qsizetype count);

// What a selection holds, for the cache items.
struct Counts
{
    qsizetype cached = 0;
    qsizetype uncached = 0;
    bool anyFolder = false;
};
Counts count(const MCNodeList &nodes);

// Titles and enables the two cache items for the nodes: plain and one-sided when every node or
// none is cached (both disabled for no nodes), with the partial counts when mixed. Download is
// then disabled when a folder is among them. Visibility is the caller's.
void titleCacheItems(QAction *uncache, QAction *download, const Counts &counts);

// Shows the separators where they divide visible items and hides the rest (two in a row, a
// leading or a trailing one): a menu's separators follow its items.
void collapseSeparators(QMenu *menu);

} // namespace MCMenuTitles

#endif // MCMENUTITLES_H
