#ifndef MCMENUVIEW_H
#define MCMENUVIEW_H

#include <QMenu>

class QActionGroup;

// The arranging part of the View menu: Clean Up sorts the folder shown again, Clean Up By picks
// the order (choosing the criterion in force again reverses it). Both are enabled while the
// browser is shown.
class MCMenuView : public QMenu
{
    Q_OBJECT
public:
    explicit MCMenuView(const QString &title, QWidget *parent = nullptr);

    // Ticks the Clean Up By item of the selected view's order; enables the items.
    void updateMenu();

private:
    void cleanUp();
    void cleanUpBy(QAction *item);

    QAction *menuItemCleanUp;
    QAction *menuItemCleanUpBy;
    QMenu *menuCleanUpBy;
};

#endif // MCMENUVIEW_H
