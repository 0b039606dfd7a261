#ifndef MCMENUSELECTION_H
#define MCMENUSELECTION_H

#include "mcselectionmenu.h"

class MOStorageObject;
class QUrl;

// The context menu of selected remote items: open, open with, delete, rename, copy, the local
// copy, a share link, entering a package, and the View Options window.
class MCMenuSelection : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuSelection(QWidget *parent = nullptr);

    // The link the service made for this menu's share command.
    void showShareLink(const QUrl &link, const MOStorageObject &object);
    // "Show View Options", or "Hide View Options" while the window is open.
    QAction *viewOptionsItem() const { return menuItemViewOptions; }

signals:
    void viewOptionsRequested();

protected:
    void menuNeedsUpdate() override;

private:
    QAction *menuItemShare;
    QAction *menuItemViewOptions;
};

#endif // MCMENUSELECTION_H
