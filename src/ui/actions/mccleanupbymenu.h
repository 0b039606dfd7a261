#ifndef MCCLEANUPBYMENU_H
#define MCCLEANUPBYMENU_H

#include <QMenu>

class MCBrowsableViewController;

// The Clean Up By submenu of the View, background and action menus: one item per sort
// criterion of the browser views (name, kind, date modified, date added, size). Before it opens it
// ticks the criterion in force, with its direction; choosing a criterion sorts ascending by it,
// choosing the one in force again reverses it.
class MCCleanUpByMenu : public QMenu
{
    Q_OBJECT
public:
    explicit MCCleanUpByMenu(QWidget *parent = nullptr);

    // Marks the item of the selected view's sort code (10 + 2 * criterion, one more when
    // descending); another code marks nothing.
    void prepareCleanUpBy();
    // The view on screen when it can be sorted; null otherwise.
    static MCBrowsableViewController *sortableView();

private:
    void cleanUpBy(QAction *item);
};

#endif // MCCLEANUPBYMENU_H
