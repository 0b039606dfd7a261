#include "mcselectionmenu.h"

#include "mcbrowsableviewcontroller.h"
#include "mcfileactions.h"
#include "mcmanager.h"
#include "mcopenwithmenu.h"
#include "mcoptions.h"
#include "mcpasteboard.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

MCSelectionMenu::MCSelectionMenu(const QString &title, QWidget *parent)
    : QMenu(title, parent)
{
    connect(this, &QMenu::aboutToShow, this, &MCSelectionMenu::updateMenu);
}

MCFileActions *MCSelectionMenu::fileActions() const
{
    return m_actions;
}

void MCSelectionMenu::setFileActions(MCFileActions *actions)
{
    m_actions = actions;
}

void MCSelectionMenu::updateMenu()
{
    menuNeedsUpdate();
}

void MCSelectionMenu::bindKey(QAction *item, const QKeySequence &key, QWidget *window)
{
    // Shown in the menu, active there only; the window's own action stands in for it, so that
    // the menu decides (from the selection now) whether the key does anything.
    item->setShortcut(key);
    item->setShortcutContext(Qt::WidgetShortcut);
    auto *stand = new QAction(window);
    stand->setObjectName(item->objectName() + QStringLiteral("Key"));
    stand->setShortcut(key);
    stand->setShortcutContext(Qt::WindowShortcut);
    window->addAction(stand);
    QPointer<QAction> target(item);
    connect(stand, &QAction::triggered, this, [this, target] {
        if (!target)
            return;
        updateMenu();
        if (target->isVisible() && target->isEnabled())
            target->trigger();
    });
}

MCNodeList MCSelectionMenu::currentSelection()
{
    MCBrowsableViewController *view = MCManager::sharedManager()->selectedController();
    // A page in the browser's place leaves nothing selected to act on.
    if (!view || !MCManager::sharedManager()->notBrowsablePath().isEmpty())
        return {};
    return view->getSelectedItems();
}

QAction *MCSelectionMenu::addItem(const QString &text, const QString &objectName)
{
    QAction *item = addAction(text);
    item->setObjectName(objectName);
    return item;
}

QAction *MCSelectionMenu::addOpenWithMenu()
{
    auto *submenu = new QMenu(tr("Open With"), this);
    submenu->setObjectName(QStringLiteral("menuOpenWith"));
    connect(submenu, &QMenu::aboutToShow, this, [this, submenu] {
        submenu->clear();
        QPointer<MCSelectionMenu> self(this);
        MCOpenWithMenu::fillOpenWith(
            submenu, m_selectedItems, MCManager::sharedManager()->fakeFilesPath(),
            [self](const QString &desktopFilePath) {
                if (self && self->m_actions)
                    self->m_actions->openNodesWithApplication(self->m_selectedItems,
                                                              desktopFilePath);
            },
            [self] {
                if (self && self->m_actions)
                    self->m_actions->chooseApplicationAndOpen(self->m_selectedItems);
            });
    });
    QAction *item = addMenu(submenu);
    item->setObjectName(QStringLiteral("menuItemOpenWith"));
    return item;
}

QAction *MCSelectionMenu::addNewFileMenu()
{
    auto *submenu = new QMenu(tr("New File"), this);
    submenu->setObjectName(QStringLiteral("menuNewFile"));
    connect(submenu, &QMenu::aboutToShow, this, [this, submenu] {
        submenu->clear();
        QPointer<MCSelectionMenu> self(this);
        const QVariantList templates =
            MCManager::sharedManager()
                ->options()
                ->value(MCOptions::AppDelegate, MCOptions::NewFileSettings)
                .toList();
        // The templates' settings window is not part of this program: no customizing.
        MCOpenWithMenu::fillNewFiles(
            submenu, templates,
            [self](const QString &templatePath, const QString &label) {
                if (self && self->m_actions)
                    self->m_actions->newFileFromTemplate(templatePath, label);
            },
            MCOpenWithMenu::Action());
    });
    QAction *item = addMenu(submenu);
    item->setObjectName(QStringLiteral("menuItemNewFile"));
    return item;
}

qsizetype MCSelectionMenu::pasteboardCount()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    const qsizetype files = MCPasteboard::localFilePaths(data).size();
    return files > 0 ? files : MCPasteboard::remotePaths(data).size();
}
