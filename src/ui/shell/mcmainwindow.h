#ifndef MCMAINWINDOW_H
#define MCMAINWINDOW_H

#include <QMainWindow>

class MCFileActions;
class MCMenuAction;
class MCMenuEdit;
class MCMenuFile;
class MCMenuView;
class MCPathbarController;
class MCSidebarController;
class MCWarningViewController;
class QAction;
class QMenu;
class QSplitter;
class QToolBar;
class QVBoxLayout;

// The main window's furniture: menus, the connectivity banner's place, the sidebar and the
// content area that holds the browser views and the pages, the path bar and the status bar's
// place. The application delegate fills it and reacts to its commands.
class MCMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MCMainWindow(QWidget *parent = nullptr);

    MCSidebarController *sidebar() const { return m_sidebar; }
    MCPathbarController *pathBar() const { return m_pathBar; }
    // Holds the browser views and the pages; one of them is visible at a time.
    QWidget *mainContentView() const { return m_mainContentView; }
    QWidget *bottomView() const { return m_bottomView; }
    QSplitter *splitView() const { return m_splitView; }

    // Adds a page or a browser view to the content area, hidden.
    void addContent(QWidget *content);
    // The banner, made on first use and placed above the split view.
    MCWarningViewController *banner();
    bool hasBanner() const { return m_banner != nullptr; }
    void setBottomContent(QWidget *content);

    // Every item of the menu bar: hidden while the sign-in window is up.
    void setMenusVisible(bool visible);

    // The file menus: File, Edit, the View menu's arranging part and the toolbar's action
    // pop-up. Their commands go through actions (not owned).
    MCMenuFile *fileMenu() const { return m_fileMenu; }
    MCMenuEdit *editMenu() const { return m_editMenu; }
    MCMenuView *viewMenu() const { return m_viewMenu; }
    MCMenuAction *actionMenu() const { return m_actionMenu; }
    void setFileActions(MCFileActions *actions);

    QAction *signOutAction() const { return m_signOut; }
    QAction *quitAction() const { return m_quit; }
    // Go menu: one step back and forward in the history (menuItemBack, menuItemForward).
    QAction *backAction() const { return m_back; }
    QAction *forwardAction() const { return m_forward; }

signals:
    // The window manager's close button.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QVBoxLayout *m_layout;
    QSplitter *m_splitView;
    MCSidebarController *m_sidebar;
    MCPathbarController *m_pathBar;
    QWidget *m_mainContentView;
    QWidget *m_bottomView;
    MCWarningViewController *m_banner = nullptr;
    QList<QMenu *> m_menus;
    MCMenuFile *m_fileMenu;
    MCMenuEdit *m_editMenu;
    MCMenuView *m_viewMenu;
    MCMenuAction *m_actionMenu;
    QToolBar *m_toolbar;
    QAction *m_signOut;
    QAction *m_quit;
    QAction *m_back;
    QAction *m_forward;
};

#endif // MCMAINWINDOW_H
