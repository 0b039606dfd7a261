#ifndef MCSELECTIONMENU_H
#define MCSELECTIONMENU_H

#include "mcabstractobjectnode.h"

#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <functional>

class MCFileActions;

// The base of the file menus: before it opens, a menu reads the browser's selection, keeps it
// as its selectedItems() (its commands act on that, even if the selection changes later) and
// retitles, shows, hides and enables its items. A key bound with bindKey() works as choosing the
// item from a freshly updated menu would, whatever the menu showed last.
class MCSelectionMenu : public QMenu
{
    Q_OBJECT
public:
    explicit MCSelectionMenu(const QString &title, QWidget *parent = nullptr);

    MCFileActions *fileActions() const;
    void setFileActions(MCFileActions *actions);
    MCNodeList selectedItems() const { return m_selectedItems; }

    // Reads the selection and brings every item up to date; runs before each opening.
    void updateMenu();
    // Gives item its key; the key is active wherever window has the focus.
    void bindKey(QAction *item, const QKeySequence &key, QWidget *window);

protected:
    virtual void menuNeedsUpdate() = 0;
    // The selected controller's selection now; empty without one.
    static MCNodeList currentSelection();
    // A new item at the end; objectName is the item's name for tests and the keyboard.
    QAction *addItem(const QString &text, const QString &objectName);
    // The Open With submenu: the applications for selectedItems(), filled at each opening.
    QAction *addOpenWithMenu();
    // The New File submenu: the user's templates, filled at each opening.
    QAction *addNewFileMenu();
    // How many local files or remote objects a paste would bring now (files first).
    static qsizetype pasteboardCount();
    void setSelectedItems(const MCNodeList &items) { m_selectedItems = items; }

private:
    QPointer<MCFileActions> m_actions;
    MCNodeList m_selectedItems;
};

#endif // MCSELECTIONMENU_H
