#ifndef MCMAINWINDOW_H
#define MCMAINWINDOW_H

#include <QHash>
#include <QMainWindow>

#include <functional>

class MCFileActions;
class MCMainToolbar;
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
class QVBoxLayout;

// The main window's furniture: menus, the toolbar, the connectivity banner's place, the sidebar
// and the content area that holds the browser views and the pages, the path bar and the status
// bar's place. The application delegate fills it and reacts to its commands.
class MCMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The commands that open the application's other windows. Each stays disabled until the
    // window that carries it hands its handler in (setCommandHandler()).
    enum Command { About, GetInfo, Preferences, QuickLook, WelcomeTour, CreateGroup };
    Q_ENUM(Command)

    // The sidebar's narrowest width, and the divider position that collapses it.
    static constexpr int SideBarMinimumWidth = 140;
    static constexpr int SideBarCollapsePosition = 50;

    explicit MCMainWindow(QWidget *parent = nullptr);

    MCSidebarController *sidebar() const { return m_sidebar; }
    MCPathbarController *pathBar() const { return m_pathBar; }
    MCMainToolbar *toolbar() const { return m_toolbar; }
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
    // Go menu: back and forward in the history (menuItemBack, menuItemForward), the folder
    // holding the one shown, Go to Folder, and one item per place ("home", "transfers://", ...)
    // whose data is that place.
    QAction *backAction() const { return m_back; }
    QAction *forwardAction() const { return m_forward; }
    QAction *enclosingFolderAction() const { return m_enclosingFolder; }
    QAction *goToFolderAction() const { return m_goToFolder; }
    QAction *goAction(const QString &place) const { return m_goItems.value(place); }
    QList<QAction *> goActions() const { return m_goItems.values(); }

    // The bar commands of the View menu; their titles say what choosing them does.
    QAction *statusBarAction() const { return m_hideStatusBar; }
    QAction *pathBarAction() const { return m_hidePathBar; }
    QAction *sideBarAction() const { return m_hideSideBar; }
    QAction *hiddenFilesAction() const { return m_hiddenFiles; }
    QAction *reloadAction() const { return m_reload; }

    // The bars: hidden or shown at once, the window's size kept; the item titles follow.
    bool isStatusBarHidden() const;
    void setStatusBarHidden(bool hidden);
    bool isPathBarVisible() const;
    void setPathBarVisible(bool visible);
    // The sidebar collapsed to nothing, or back at its width before (at least the minimum).
    bool isSideBarCollapsed() const;
    void setSideBarCollapsed(bool collapsed);
    // The sidebar's width; 0 while collapsed.
    int sideBarWidth() const;
    // Puts the divider where a user would drag it: below the collapse threshold the sidebar
    // collapses, otherwise it is kept between the minimum and two thirds of the window.
    void moveSideBarDivider(int position);

    // A command's action: in the menus, except Get Info and Quick Look, which the File menu
    // carries for its selection and the toolbar's buttons trigger.
    QAction *commandAction(Command command) const { return m_commands.value(command); }
    // Connects a command to its window from now on; the delegate enables it where it applies.
    void setCommandHandler(Command command, std::function<void()> handler);
    bool hasCommandHandler(Command command) const { return m_handlers.contains(command); }

signals:
    // The window manager's close button.
    void closeRequested();
    // A command was handed its window.
    void commandHandlersChanged();
    // The user dragged the sidebar's divider.
    void sideBarStateChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildGoMenu(QMenu *go);
    void buildViewMenu();
    QAction *addCommand(QMenu *menu, Command command, const QString &title,
                        const QString &objectName);
    void clampSideBar();
    void updateSideBarItem();

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
    MCMainToolbar *m_toolbar;
    QAction *m_signOut;
    QAction *m_quit;
    QAction *m_back;
    QAction *m_forward;
    QAction *m_enclosingFolder;
    QAction *m_goToFolder;
    QHash<QString, QAction *> m_goItems;
    QAction *m_hideStatusBar;
    QAction *m_hidePathBar;
    QAction *m_hideSideBar;
    QAction *m_hiddenFiles;
    QAction *m_reload;
    QHash<int, QAction *> m_commands;
    QHash<int, std::function<void()>> m_handlers;
    int m_sideBarWidthBeforeCollapse = 180;
    bool m_statusBarHidden = false;
};

#endif // MCMAINWINDOW_H
