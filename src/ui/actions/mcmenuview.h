#ifndef MCMENUVIEW_H
#define MCMENUVIEW_H

#include <QMenu>

class MCCleanUpByMenu;

// The arranging part of the View menu: Clean Up sorts the folder shown again, Clean Up By picks
// the order (choosing the criterion in force again reverses it). Both are enabled while the
// browser is shown.
class MCMenuView : public QMenu
{
    Q_OBJECT
public:
    explicit MCMenuView(const QString &title, QWidget *parent = nullptr);

    // Enables the items while the browser is shown.
    void updateMenu();

private:
    void cleanUp();

    QAction *menuItemCleanUp;
    QAction *menuItemCleanUpBy;
    MCCleanUpByMenu *menuCleanUpBy;
};

#endif // MCMENUVIEW_H
