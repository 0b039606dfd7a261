#ifndef MCMENUFILE_H
#define MCMENUFILE_H

#include "mcselectionmenu.h"

// The File menu of the menu bar: the file commands, enabled for what is selected. The window
// appends its own items (sign out, quit) after them.
class MCMenuFile : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuFile(QWidget *parent = nullptr);

    // Binds the commands' keys in window (New Folder, Open, Rename, Move to Trash).
    void bindKeys(QWidget *window);

protected:
    void menuNeedsUpdate() override;
};

#endif // MCMENUFILE_H
