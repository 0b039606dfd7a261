#ifndef MCSELECTIONMENU_H
#define MCSELECTIONMENU_H

#include "mcabstractobjectnode.h"

#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <array>
#include <functional>
#include <initializer_list>

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

    // The menus' commands, each on selectedItems() (the selection when the menu last opened).
    // A folder that is the only item is entered; files open in their default applications.
    void openFile();
    // Opens every item with the application of that .desktop file; nothing for an empty path.
    void openWith(const QString &applicationPath);
    // Lets the user choose an application, then opens every item with it.
    void openWithOther();
    // The items without a local copy are downloaded into the cache; the cached ones removed.
    void downloadItems();
    void uncacheItems();
    // Asks (unless the user said not to), then deletes every item in one request.
    void doTrashNode();
    // The selected view edits the selected item's name.
    void doRename();
    // An "Untitled Folder" (numbered when taken) in the folder shown, named in place.
    void doNewFolder();
    // Enters the package whose path the Show Package Contents item carries.
    void showPackageContents();
    // A copy of the template, under its label, in the folder shown.
    void createNewFile(const QString &templatePath, const QString &label);
    // The New File templates window ("Customize this menu...").
    void newFileHandler();

protected:
    // The items the menus are made of, each with its title, object name and command (Separator
    // stands for a separator).
    enum class Item {
        NewFolder,
        NewFolderWithSelection,
        NewFile,
        Open,
        OpenWith,
        ShowPackageContents,
        Rename,
        Copy,
        Paste,
        Download,
        Uncache,
        Trash,
        GetInfo,
        QuickLook,
        Separator,
    };
    // What an update does with an item that does not apply to the selection.
    enum class Inapplicable { Hide, Disable };

    // Brings the items up to date for selectedItems(); separators are collapsed afterwards.
    virtual void menuNeedsUpdate() = 0;
    // The selected controller's selection now; empty without one.
    static MCNodeList currentSelection();
    // The browser shows a folder, no page in its place: the folder commands act on it.
    static bool folderShown();
    // Appends the items, in order, connected to their commands.
    void addItems(std::initializer_list<Item> items);
    // The item addItems() added; null if this menu has none.
    QAction *item(Item which) const;
    // A menu's own item at the end; objectName is the item's name for tests and the keyboard.
    QAction *addItem(const QString &text, const QString &objectName);
    // How many local files or remote objects a paste would bring now (files first).
    static qsizetype pasteboardCount();

    // Shows or enables the item, as applies says.
    void setApplicable(Item which, bool applies, Inapplicable inapplicable) const;
    // The updates of the items that need more than one condition, for selectedItems().
    void updateNewFolderWithSelection(Inapplicable inapplicable) const;
    void updateOpenWith(Inapplicable inapplicable) const;
    void updateShowPackageContents() const;
    void updateCopy(Inapplicable inapplicable) const;
    void updatePaste() const;
    void updateCacheItems(Inapplicable inapplicable) const;
    // "Quick Look", "Quick Look \"name\"", "Quick Look 3 Items"; enabled with a selection.
    void updateQuickLook() const;
    // Get Info applies to a selection, or to the folder shown unless it is the root.
    bool getInfoApplies() const;

private:
    QAction *addSharedItem(Item which);
    QAction *addCommand(const QString &text, const QString &objectName,
                        void (MCSelectionMenu::*command)());
    QAction *addCommand(const QString &text, const QString &objectName,
                        void (MCFileActions::*command)(const MCNodeList &));
    QAction *addCommand(const QString &text, const QString &objectName,
                        void (MCFileActions::*command)());
    QAction *addSubmenu(const QString &title, const QString &name,
                        const std::function<void(QMenu *)> &fill);
    // The Open With submenu: the applications for selectedItems(), filled at each opening.
    QAction *addOpenWithMenu();
    // The New File submenu: the user's templates, filled at each opening.
    QAction *addNewFileMenu();

    QPointer<MCFileActions> m_actions;
    MCNodeList m_selectedItems;
    std::array<QAction *, int(Item::Separator)> m_items{};
};

#endif // MCSELECTIONMENU_H
