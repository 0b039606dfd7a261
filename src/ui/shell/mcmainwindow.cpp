#include "mcmainwindow.h"

#include "mcmenuaction.h"
#include "mcmenuedit.h"
#include "mcmenufile.h"
#include "mcmenuview.h"
#include "mcpathbarcontroller.h"
#include "mcsidebarcontroller.h"
#include "mcwarningviewcontroller.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QToolBar>
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
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(tr("Kerlo Home"));
    resize(960, 600);

    MCMenuFile *file = m_fileMenu;
    menuBar()->addMenu(file);
    file->bindKeys(this);
    file->addSeparator();
    m_signOut = file->addAction(tr("Sign Out"));
    m_signOut->setObjectName(QStringLiteral("menuItemSignOut"));
    file->addSeparator();
    m_quit = file->addAction(tr("&Quit"));
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setObjectName(QStringLiteral("menuItemQuit"));
    menuBar()->addMenu(m_editMenu);
    m_editMenu->bindKeys(this);
    QMenu *go = menuBar()->addMenu(tr("&Go"));
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
    menuBar()->addMenu(m_viewMenu);
    m_menus = {file, m_editMenu, go, m_viewMenu};

    // The toolbar's action pop-up: the file commands for the selection.
    auto *toolbar = addToolBar(tr("Toolbar"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    auto *actionButton = new QToolButton;
    actionButton->setObjectName(QStringLiteral("popButtonAction"));
    actionButton->setIcon(QIcon::fromTheme(QStringLiteral("emblem-system"),
                                           QIcon::fromTheme(QStringLiteral("preferences-other"))));
    actionButton->setText(tr("Action"));
    actionButton->setToolTip(tr("Perform tasks with the selected items"));
    actionButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Popped up rather than run by the button: no second event loop runs while it is open.
    connect(actionButton, &QToolButton::clicked, m_actionMenu, [this, actionButton] {
        m_actionMenu->popup(actionButton->mapToGlobal(actionButton->rect().bottomLeft()));
    });
    toolbar->addWidget(actionButton);
    m_toolbar = toolbar;

    // The content area stacks its children; only one is visible at a time.
    auto *stack = new QStackedLayout(m_mainContentView);
    stack->setStackingMode(QStackedLayout::StackAll);
    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(m_mainContentView, 1);
    rightLayout->addWidget(m_pathBar);

    m_splitView->addWidget(m_sidebar);
    m_splitView->addWidget(right);
    m_splitView->setStretchFactor(1, 1);
    m_splitView->setSizes({180, 780});
    m_sidebar->setMinimumWidth(140);

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
