#ifndef MCMENUACTION_H
#define MCMENUACTION_H

#include "mcselectionmenu.h"

// The action pop-up of the main window's toolbar: every file command for the selection, or for
// the folder shown when nothing is selected.
class MCMenuAction : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuAction(QWidget *parent = nullptr);

protected:
    void menuNeedsUpdate() override;

private:
    QAction *menuItemNewFolder;
    QAction *menuItemNewFolderWithSelection;
    QAction *menuItemOpen;
    QAction *menuItemOpenWith;
    QAction *menuItemShowPackageContents;
    QAction *menuItemTrash;
    QAction *menuItemDownload;
    QAction *menuItemUncache;
    QAction *menuItemCopy;
    QAction *menuItemPaste;
    QAction *menuItemRename;
};

#endif // MCMENUACTION_H
