#ifndef MCMENUSELECTION_H
#define MCMENUSELECTION_H

#include "mcselectionmenu.h"

class MOStorageObject;
class QUrl;

// The context menu of selected remote items: open, open with, delete, rename, copy, the local
// copy, a share link, and entering a package.
class MCMenuSelection : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuSelection(QWidget *parent = nullptr);

    // The link the service made for this menu's share command.
    void showShareLink(const QUrl &link, const MOStorageObject &object);

protected:
    void menuNeedsUpdate() override;

private:
    QAction *menuItemShare;
};

#endif // MCMENUSELECTION_H
