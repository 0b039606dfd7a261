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
    MCSelectionMenu(const QString &title, const QString &objectName, QWidget *parent = nullptr);

    MCFileActions *fileActions() const;
    void setFileActions(MCFileActions *actions);
    MCNodeList selectedItems() const { return m_selectedItems; }

    // Reads the selection and brings every item up to date; runs before each opening.
    void updateMenu();
    // Gives item its key; the key is active wherever window has the focus.
    void bindKey(QAction *item, const QKeySequence &key, QWidget *window);

protected:
    // The items several menus share, each with its title, object name and command.
    enum class Item {
        NewFolder,
        NewFolderWithSelection,
        Open,
        ShowPackageContents,
        Rename,
        Copy,
        Paste,
        Download,
        Uncache,
        Trash,
    };
    // What an update does with an item that does not apply to the selection.
    enum class Inapplicable { Hide, Disable };

    // Brings the items up to date for selectedItems(); separators are collapsed afterwards.
    virtual void menuNeedsUpdate() = 0;
    // The selected controller's selection now; empty without one.
    static MCNodeList currentSelection();
    // A new item at the end; objectName is the item's name for tests and the keyboard.
    QAction *addItem(const QString &text, const QString &objectName);
    // One of the shared items at the end, connected to its command.
    QAction *addItem(Item item);
    // The Open With submenu: the applications for selectedItems(), filled at each opening.
    QAction *addOpenWithMenu();
    // The New File submenu: the user's templates, filled at each opening.
    QAction *addNewFileMenu();
    // How many local files or remote objects a paste would bring now (files first).
    static qsizetype pasteboardCount();

    // Shows item, or enables it, as applies says.
    static void setApplicable(QAction *item, bool applies, Inapplicable inapplicable);
    // The updates of the shared items (and Open With) for selectedItems().
    void updateNewFolderWithSelection(QAction *item, Inapplicable inapplicable) const;
    void updateOpenWith(QAction *item, Inapplicable inapplicable) const;
    void updateShowPackageContents(QAction *item) const;
    void updateCopy(QAction *item, Inapplicable inapplicable) const;
    void updatePaste(QAction *item) const;
    void updateCacheItems(QAction *uncache, QAction *download, Inapplicable inapplicable) const;

private:
    QAction *addCommand(const QString &text, const QString &objectName,
                        void (MCFileActions::*command)(const MCNodeList &));
    QAction *addCommand(const QString &text, const QString &objectName,
                        void (MCFileActions::*command)());
    QAction *addSubmenu(const QString &title, const QString &name,
                        const std::function<void(QMenu *)> &fill);

    QPointer<MCFileActions> m_actions;
    MCNodeList m_selectedItems;
};

#endif // MCSELECTIONMENU_H
