#include "mcmainwindow.h"

#include "mcmaintoolbar.h"
#include "mcmenuaction.h"
#include "mcmenuedit.h"
#include "mcmenufile.h"
#include "mcmenuview.h"
#include "mcpages.h"
#include "mcpathbarcontroller.h"
#include "mcsidebarcontroller.h"
#include "mcwarningviewcontroller.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

MCMainWindow::MCMainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_splitView(new QSplitter(Qt::Horizontal))
    , m_sidebar(new MCSidebarController)
    , m_pathBar(new MCPathbarController)
    , m_mainContentView(new QWidget)
    , m_bottomView(new QWidget)
    , m_fileMenu(new MCMenuFile(this))
    , m_editMenu(new MCMenuEdit(this))
    , m_viewMenu(new MCMenuView(tr("&View"), this))
    , m_actionMenu(new MCMenuAction(this))
    , m_toolbar(new MCMainToolbar(m_actionMenu, this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(tr("Kerlo Home"));
    setWindowIcon(QIcon(QStringLiteral(":/shell/images/lumarin.svg")));
    resize(960, 600);

    MCMenuFile *file = m_fileMenu;
    menuBar()->addMenu(file);
    file->bindKeys(this);
    file->addSeparator();
    // The File menu's own Get Info and Quick Look items act on its selection; these two are
    // the toolbar's.
    addCommand(nullptr, GetInfo, tr("Get Info"), QStringLiteral("commandGetInfo"));
    addCommand(nullptr, QuickLook, tr("Quick Look"), QStringLiteral("commandQuickLook"));
    file->addSeparator();
    m_signOut = file->addAction(tr("Sign Out"));
    m_signOut->setObjectName(QStringLiteral("menuItemSignOut"));
    file->addSeparator();
    m_quit = file->addAction(tr("&Quit"));
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setObjectName(QStringLiteral("menuItemQuit"));
    menuBar()->addMenu(m_editMenu);
    m_editMenu->bindKeys(this);
    m_editMenu->addSeparator();
    addCommand(m_editMenu, Preferences, tr("Preferences..."), QStringLiteral("menuItemPreferences"))
        ->setShortcut(QKeySequence::Preferences);
    menuBar()->addMenu(m_viewMenu);
    buildViewMenu();
    QMenu *go = menuBar()->addMenu(tr("&Go"));
    buildGoMenu(go);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    addCommand(help, WelcomeTour, tr("Welcome Tour"), QStringLiteral("menuItemWelcomeTour"));
    addCommand(help, About, tr("About Kerlo"), QStringLiteral("menuItemAbout"));
    m_menus = {file, m_editMenu, m_viewMenu, go, help};

    addToolBar(m_toolbar);
    m_toolbar->buttonInfo()->setEnabled(false);
    connect(m_toolbar->buttonInfo(), &QAbstractButton::clicked, m_commands.value(GetInfo),
            &QAction::trigger);
    connect(m_toolbar->buttonQuickLook(), &QAbstractButton::clicked, m_commands.value(QuickLook),
            &QAction::trigger);
    connect(m_toolbar->buttonReload(), &QAbstractButton::clicked, m_reload, &QAction::trigger);

    // The content area stacks its children; only one is visible at a time.
    auto *stack = new QStackedLayout(m_mainContentView);
    stack->setStackingMode(QStackedLayout::StackAll);
    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(m_mainContentView, 1);
    rightLayout->addWidget(m_pathBar);

    m_splitView->setObjectName(QStringLiteral("splitView"));
    m_splitView->addWidget(m_sidebar);
    m_splitView->addWidget(right);
    m_splitView->setStretchFactor(1, 1);
    m_splitView->setCollapsible(0, true);
    m_splitView->setCollapsible(1, false);
    m_splitView->setSizes({180, 780});
    m_sidebar->setMinimumWidth(SideBarMinimumWidth);
    // Dragged, the divider stops at the sidebar's minimum and maximum widths, and the sidebar
    // collapses when the divider goes on past half its minimum.
    connect(m_splitView, &QSplitter::splitterMoved, this, [this] {
        if (sideBarWidth() > 0)
            m_sideBarWidthBeforeCollapse = sideBarWidth();
        updateSideBarItem();
        emit sideBarStateChanged();
    });

    m_bottomView->setObjectName(QStringLiteral("bottomView"));
    m_bottomView->setFixedHeight(24);
    auto *bottomLayout = new QVBoxLayout(m_bottomView);
    bottomLayout->setContentsMargins(0, 0, 0, 0);

    auto *central = new QWidget;
    m_layout = new QVBoxLayout(central);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addWidget(m_splitView, 1);
    m_layout->addWidget(m_bottomView);
    setCentralWidget(central);
}

QAction *MCMainWindow::addCommand(QMenu *menu, Command command, const QString &title,
                                  const QString &objectName)
{
    QAction *action = menu ? menu->addAction(title) : new QAction(title, this);
    action->setObjectName(objectName);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, command] {
        if (const auto handler = m_handlers.value(command))
            handler();
    });
    m_commands.insert(command, action);
    return action;
}

void MCMainWindow::setCommandHandler(Command command, std::function<void()> handler)
{
    m_handlers.insert(command, std::move(handler));
    m_commands.value(command)->setEnabled(true);
    emit commandHandlersChanged();
}

void MCMainWindow::buildGoMenu(QMenu *go)
{
    go->setObjectName(QStringLiteral("menuGo"));
    m_back = go->addAction(tr("Back"));
    m_back->setObjectName(QStringLiteral("menuItemBack"));
    m_back->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)});
    m_back->setEnabled(false);
    m_forward = go->addAction(tr("Forward"));
    m_forward->setObjectName(QStringLiteral("menuItemForward"));
    m_forward->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::CTRL | Qt::Key_BracketRight)});
    m_forward->setEnabled(false);
    m_enclosingFolder = go->addAction(tr("Enclosing Folder"));
    m_enclosingFolder->setObjectName(QStringLiteral("menuItemEnclosingFolder"));
    m_enclosingFolder->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::CTRL | Qt::Key_Up)});
    m_enclosingFolder->setEnabled(false);
    go->addSeparator();

    const auto addPlace = [this, go](const QString &place, const QString &title,
                                     const QString &objectName) {
        QAction *item = go->addAction(MCPages::icon(place), title);
        item->setObjectName(objectName);
        item->setData(place);
        m_goItems.insert(place, item);
        return item;
    };
    addPlace(QStringLiteral("home"), tr("Kerlo Home"), QStringLiteral("menuItemGoHome"))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    const QStringList names = {QStringLiteral("Notifications"), QStringLiteral("Account"),
                               QStringLiteral("Links"),         QStringLiteral("Errors"),
                               QStringLiteral("Transfers"),     QStringLiteral("Contacts"),
                               QStringLiteral("AddContact")};
    const QStringList places = MCPages::locations();
    for (int i = 0; i < places.size(); ++i)
        addPlace(places.at(i), MCPages::title(places.at(i)),
                 QStringLiteral("menuItemGo") + names.at(i));
    go->addSeparator();
    m_goToFolder = go->addAction(tr("Go to Folder..."));
    m_goToFolder->setObjectName(QStringLiteral("menuItemGoToFolder"));
    // Ctrl+L too, the key file managers on Linux give it.
    m_goToFolder->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), QKeySequence(Qt::CTRL | Qt::Key_L)});
    go->addSeparator();
    addCommand(go, CreateGroup, tr("Create Group..."), QStringLiteral("menuItemCreateGroup"))
        ->setIcon(MCPages::icon(QStringLiteral("contacts://")));
}

void MCMainWindow::buildViewMenu()
{
    m_viewMenu->addSeparator();
    m_hideStatusBar = m_viewMenu->addAction(tr("Hide Status Bar"));
    m_hideStatusBar->setObjectName(QStringLiteral("menuItemHideStatusBar"));
    m_hidePathBar = m_viewMenu->addAction(tr("Hide Path Bar"));
    m_hidePathBar->setObjectName(QStringLiteral("menuItemHidePathBar"));
    m_hideSideBar = m_viewMenu->addAction(tr("Hide Side Bar"));
    m_hideSideBar->setObjectName(QStringLiteral("menuItemHideSideBar"));
    m_hideSideBar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    m_hiddenFiles = m_viewMenu->addAction(tr("Show Hidden files"));
    m_hiddenFiles->setObjectName(QStringLiteral("menuItemShowHiddenFiles"));
    m_hiddenFiles->setCheckable(true);
    m_hiddenFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_viewMenu->addSeparator();
    m_reload = m_viewMenu->addAction(tr("Reload"));
    m_reload->setObjectName(QStringLiteral("menuItemReload"));
    m_reload->setShortcuts(QKeySequence::Refresh);
}

bool MCMainWindow::isStatusBarHidden() const
{
    return m_statusBarHidden;
}

void MCMainWindow::setStatusBarHidden(bool hidden)
{
    m_statusBarHidden = hidden;
    m_bottomView->setVisible(!hidden);
    m_hideStatusBar->setText(hidden ? tr("Show Status Bar") : tr("Hide Status Bar"));
}

bool MCMainWindow::isPathBarVisible() const
{
    return !m_pathBar->isHidden();
}

void MCMainWindow::setPathBarVisible(bool visible)
{
    m_pathBar->setVisible(visible);
    m_hidePathBar->setText(visible ? tr("Hide Path Bar") : tr("Show Path Bar"));
}

bool MCMainWindow::isSideBarCollapsed() const
{
    return m_splitView->sizes().value(0) == 0;
}

int MCMainWindow::sideBarWidth() const
{
    return m_splitView->sizes().value(0);
}

void MCMainWindow::setSideBarCollapsed(bool collapsed)
{
    moveSideBarDivider(collapsed ? SideBarCollapsePosition
                                 : qMax(m_sideBarWidthBeforeCollapse, SideBarMinimumWidth));
}

void MCMainWindow::moveSideBarDivider(int position)
{
    const QList<int> sizes = m_splitView->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    // Far short of the minimum the sidebar collapses, a little short it keeps the minimum; it
    // never takes more than two thirds of the window.
    const int sidebar = position <= SideBarCollapsePosition
                            ? 0
                            : qMax(SideBarMinimumWidth, qMin(position, width() * 2 / 3));
    if (sizes.value(0) > 0)
        m_sideBarWidthBeforeCollapse = sizes.value(0);
    m_splitView->setSizes({sidebar, qMax(0, total - sidebar)});
    updateSideBarItem();
}

void MCMainWindow::clampSideBar()
{
    // At most two thirds of the window, whatever the window's size.
    m_sidebar->setMaximumWidth(qMax(SideBarMinimumWidth, width() * 2 / 3));
}

void MCMainWindow::updateSideBarItem()
{
    m_hideSideBar->setText(isSideBarCollapsed() ? tr("Show Side Bar") : tr("Hide Side Bar"));
}

void MCMainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    clampSideBar();
}

void MCMainWindow::setFileActions(MCFileActions *actions)
{
    m_fileMenu->setFileActions(actions);
    m_editMenu->setFileActions(actions);
    m_actionMenu->setFileActions(actions);
}

void MCMainWindow::addContent(QWidget *content)
{
    // The stack shows what it is given; the caller decides what is visible.
    m_mainContentView->layout()->addWidget(content);
    content->hide();
}

MCWarningViewController *MCMainWindow::banner()
{
    if (!m_banner) {
        m_banner = new MCWarningViewController;
        m_banner->hide();
        m_layout->insertWidget(0, m_banner);
    }
    return m_banner;
}

void MCMainWindow::setBottomContent(QWidget *content)
{
    m_bottomView->layout()->addWidget(content);
}

void MCMainWindow::setMenusVisible(bool visible)
{
    for (QMenu *menu : qAsConst(m_menus))
        menu->menuAction()->setVisible(visible);
    m_toolbar->setVisible(visible);
}

void MCMainWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    emit closeRequested();
}
