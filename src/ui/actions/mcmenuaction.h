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
};

#endif // MCMENUACTION_H
