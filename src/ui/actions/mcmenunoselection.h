#ifndef MCMENUNOSELECTION_H
#define MCMENUNOSELECTION_H

#include "mcselectionmenu.h"

// The context menu of a browser view's background: a new folder or file in the folder shown,
// and Paste.
class MCMenuNoSelection : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuNoSelection(QWidget *parent = nullptr);

protected:
    void menuNeedsUpdate() override;
};

#endif // MCMENUNOSELECTION_H
