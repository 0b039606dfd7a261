#ifndef MCMENUNOSELECTION_H
#define MCMENUNOSELECTION_H

#include "mcselectionmenu.h"

class MCViewChoice;

// The context menu of a browser view's background: a new folder or file in the folder shown,
// Paste, the order, the View submenu that picks the browser view, and the View Options window.
class MCMenuNoSelection : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuNoSelection(QWidget *parent = nullptr);

    MCViewChoice *viewChoice() const { return m_viewChoice; }

protected:
    void menuNeedsUpdate() override;

private:
    MCViewChoice *m_viewChoice;
};

#endif // MCMENUNOSELECTION_H
