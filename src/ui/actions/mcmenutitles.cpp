#include "mcmenutitles.h"

#include "mcstring.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace MCMenuTitles {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("MCMenuTitles", text);
}
} // namespace

QString shownName(const MCNodePtr &node)
{
    const QString name = node ? node->fileName() : QString();
    return name.size() > 30 ? MCString::stringByTruncateMiddleWithMaxChars(name, 30) : name;
}

QString forOne(const QString &word, const MCNodePtr &node)
{
    return QStringLiteral("%1 \"%2\"").arg(word, MCString::stringForMenu(shownName(node)));
}

QString forCount(const QString &word, qsizetype count)
{
    return QStringLiteral("%1 %2 Items").arg(word).arg(count);
}

QString forSelection(const QString &word, const MCNodeList &nodes)
{
    if (nodes.isEmpty())
        return word;
    return nodes.size() == 1 ? forOne(word, nodes.first()) : forCount(word, nodes.size());
}

QString newFolderWithSelection(qsizetype count)
{
    return QStringLiteral("%1 (%2 items)").arg(tr("New Folder with Selection")).arg(count);
}

QString partial(const QString &word, qsizetype count)
{
    const QString items =
        QStringLiteral("%1 %2").arg(count).arg(count == 1 ? tr("Item") : tr("Items"));
    return QStringLiteral("%1 %2").arg(word, items);
}

QString paste(qsizetype count)
{
    // The word is the same in every language here, as the other menus expect.
    const QString word = QStringLiteral("Paste");
    if (count <= 0)
        return word;
    return count == 1 ? QStringLiteral("%1 Item").arg(word) : forCount(word, count);
}

Counts count(const MCNodeList &nodes)
{
    Counts counts;
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        counts.anyFolder = counts.anyFolder || node->isDir();
        if (node->states() & MCAbstractObjectNode::Cached)
            ++counts.cached;
        else
            ++counts.uncached;
    }
    return counts;
}

void titleCacheItems(QAction *uncache, QAction *download, const Counts &counts)
{
    const QString remove = tr("Remove from cache");
    const QString get = tr("Download");
    if (counts.uncached == 0) {
        uncache->setText(remove);
        uncache->setEnabled(counts.cached > 0);
        download->setText(get);
        download->setEnabled(false);
    } else if (counts.cached == 0) {
        uncache->setText(remove);
        uncache->setEnabled(false);
        download->setText(get);
        download->setEnabled(true);
    } else {
        uncache->setText(partial(remove, counts.cached));
        uncache->setEnabled(true);
        download->setText(partial(get, counts.uncached));
        download->setEnabled(true);
    }
    if (counts.anyFolder)
        download->setEnabled(false);
}

void collapseSeparators(QMenu *menu)
{
    QAction *previous = nullptr; // the last visible item so far
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->isSeparator())
            action->setVisible(true);
    }
    for (QAction *action : actions) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator() && (!previous || previous->isSeparator())) {
            action->setVisible(false);
            continue;
        }
        previous = action;
    }
    if (previous && previous->isSeparator())
        previous->setVisible(false);
}

} // namespace MCMenuTitles
