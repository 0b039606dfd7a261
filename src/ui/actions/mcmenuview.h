#ifndef MCMENUVIEW_H
#define MCMENUVIEW_H

#include <QMenu>

class MCCleanUpByMenu;
class MCViewChoice;

// The View menu: the browser view to show and its options window (MCViewChoice), and the
// arranging part: Clean Up sorts the folder shown again, Clean Up By picks the order (choosing
// the criterion in force again reverses it). All are enabled while the browser is shown.
class MCMenuView : public QMenu
{
    Q_OBJECT
public:
    explicit MCMenuView(const QString &title, QWidget *parent = nullptr);

    // Enables the items while the browser is shown.
    void updateMenu();
    MCViewChoice *viewChoice() const { return m_viewChoice; }

private:
    void cleanUp();

    QAction *menuItemCleanUp;
    QAction *menuItemCleanUpBy;
    MCCleanUpByMenu *menuCleanUpBy;
    MCViewChoice *m_viewChoice;
};

#endif // MCMENUVIEW_H
