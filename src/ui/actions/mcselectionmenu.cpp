#include "mcselectionmenu.h"

#include "mcbrowsableviewcontroller.h"
#include "mcfileactions.h"
#include "mchub.h"
#include "mcmenutitles.h"
#include "mcnavigation.h"
#include "mcopenwithmenu.h"
#include "mcoptions.h"
#include "mcpasteboard.h"
#include "mcsessionservices.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

MCSelectionMenu::MCSelectionMenu(const QString &title, const QString &objectName, QWidget *parent)
    : QMenu(title, parent)
{
    setObjectName(objectName);
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
    m_selectedItems = currentSelection();
    menuNeedsUpdate();
    MCMenuTitles::collapseSeparators(this);
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
    // A page in the browser's place leaves nothing selected to act on.
    if (!folderShown())
        return {};
    return MCHub::sharedHub()->navigation()->selectedController()->getSelectedItems();
}

bool MCSelectionMenu::folderShown()
{
    const MCNavigation *navigation = MCHub::sharedHub()->navigation();
    return navigation->selectedController() && navigation->notBrowsablePath().isEmpty() &&
           !navigation->currentPath().isEmpty();
}

QAction *MCSelectionMenu::addItem(const QString &text, const QString &objectName)
{
    QAction *item = addAction(text);
    item->setObjectName(objectName);
    return item;
}

void MCSelectionMenu::addItems(std::initializer_list<Item> items)
{
    for (Item which : items) {
        if (which == Item::Separator)
            addSeparator();
        else
            m_items[int(which)] = addSharedItem(which);
    }
}

QAction *MCSelectionMenu::item(Item which) const
{
    return which == Item::Separator ? nullptr : m_items[int(which)];
}

QAction *MCSelectionMenu::addSharedItem(Item which)
{
    switch (which) {
    case Item::NewFolder:
        return addCommand(tr("New Folder"), QStringLiteral("menuItemNewFolder"),
                          &MCSelectionMenu::doNewFolder);
    case Item::NewFolderWithSelection:
        return addCommand(tr("New Folder with Selection"),
                          QStringLiteral("menuItemNewFolderWithSelection"),
                          &MCFileActions::newFolderWithSelection);
    case Item::NewFile:
        return addNewFileMenu();
    case Item::Open:
        return addCommand(tr("Open"), QStringLiteral("menuItemOpen"), &MCSelectionMenu::openFile);
    case Item::OpenWith:
        return addOpenWithMenu();
    case Item::ShowPackageContents:
        return addCommand(tr("Show Package Contents"),
                          QStringLiteral("menuItemShowPackageContents"),
                          &MCSelectionMenu::showPackageContents);
    case Item::Rename:
        return addCommand(tr("Rename"), QStringLiteral("menuItemRename"),
                          &MCSelectionMenu::doRename);
    case Item::Copy:
        return addCommand(tr("Copy"), QStringLiteral("menuItemCopy"), &MCFileActions::copyNodes);
    case Item::Paste:
        return addCommand(MCMenuTitles::paste(0), QStringLiteral("menuItemPaste"),
                          &MCFileActions::paste);
    case Item::Download:
        return addCommand(tr("Download"), QStringLiteral("menuItemDownload"),
                          &MCSelectionMenu::downloadItems);
    case Item::Uncache:
        return addCommand(tr("Remove from cache"), QStringLiteral("menuItemUncache"),
                          &MCSelectionMenu::uncacheItems);
    case Item::Trash:
        return addCommand(tr("Move to Trash"), QStringLiteral("menuItemTrash"),
                          &MCSelectionMenu::doTrashNode);
    case Item::GetInfo:
        return addCommand(tr("Get Info"), QStringLiteral("menuItemGetInfo"),
                          &MCFileActions::showGetInfo);
    case Item::QuickLook:
        return addCommand(tr("Quick Look"), QStringLiteral("menuItemQuickLook"),
                          &MCFileActions::togglePreviewPanel);
    case Item::Separator:
        break;
    }
    Q_UNREACHABLE();
    return nullptr;
}

QAction *MCSelectionMenu::addCommand(const QString &text, const QString &objectName,
                                     void (MCSelectionMenu::*command)())
{
    QAction *item = addItem(text, objectName);
    connect(item, &QAction::triggered, this, command);
    return item;
}

QAction *MCSelectionMenu::addCommand(const QString &text, const QString &objectName,
                                     void (MCFileActions::*command)(const MCNodeList &))
{
    QAction *item = addItem(text, objectName);
    connect(item, &QAction::triggered, this, [this, command] {
        if (m_actions)
            (m_actions->*command)(m_selectedItems);
    });
    return item;
}

QAction *MCSelectionMenu::addCommand(const QString &text, const QString &objectName,
                                     void (MCFileActions::*command)())
{
    QAction *item = addItem(text, objectName);
    connect(item, &QAction::triggered, this, [this, command] {
        if (m_actions)
            (m_actions->*command)();
    });
    return item;
}

QAction *MCSelectionMenu::addSubmenu(const QString &title, const QString &name,
                                     const std::function<void(QMenu *)> &fill)
{
    auto *submenu = new QMenu(title, this);
    submenu->setObjectName(QStringLiteral("menu") + name);
    connect(submenu, &QMenu::aboutToShow, this, [submenu, fill] {
        submenu->clear();
        fill(submenu);
    });
    QAction *item = addMenu(submenu);
    item->setObjectName(QStringLiteral("menuItem") + name);
    return item;
}

QAction *MCSelectionMenu::addOpenWithMenu()
{
    return addSubmenu(tr("Open With"), QStringLiteral("OpenWith"), [this](QMenu *submenu) {
        QPointer<MCSelectionMenu> self(this);
        MCOpenWithMenu::fillOpenWith(
            submenu, m_selectedItems, MCHub::sharedHub()->services()->fakeFilesPath(),
            [self](const QString &desktopFilePath) {
                if (self)
                    self->openWith(desktopFilePath);
            },
            [self] {
                if (self)
                    self->openWithOther();
            });
    });
}

QAction *MCSelectionMenu::addNewFileMenu()
{
    return addSubmenu(tr("New File"), QStringLiteral("NewFile"), [this](QMenu *submenu) {
        QPointer<MCSelectionMenu> self(this);
        const QVariantList templates =
            MCHub::sharedHub()
                ->services()
                ->options()
                ->value(MCOptions::AppDelegate, MCOptions::NewFileSettings)
                .toList();
        MCOpenWithMenu::fillNewFiles(
            submenu, templates,
            [self](const QString &templatePath, const QString &label) {
                if (self)
                    self->createNewFile(templatePath, label);
            },
            [self] {
                if (self)
                    self->newFileHandler();
            });
    });
}

void MCSelectionMenu::openFile()
{
    if (m_actions)
        m_actions->openNodes(m_selectedItems);
}

void MCSelectionMenu::openWith(const QString &applicationPath)
{
    if (m_actions)
        m_actions->openNodesWithApplication(m_selectedItems, applicationPath);
}

void MCSelectionMenu::openWithOther()
{
    if (m_actions)
        m_actions->chooseApplicationAndOpen(m_selectedItems);
}

void MCSelectionMenu::downloadItems()
{
    if (m_actions)
        m_actions->downloadNodes(m_selectedItems);
}

void MCSelectionMenu::uncacheItems()
{
    if (m_actions)
        m_actions->uncacheNodes(m_selectedItems);
}

void MCSelectionMenu::doTrashNode()
{
    if (m_actions)
        m_actions->deleteNodes(m_selectedItems);
}

void MCSelectionMenu::doRename()
{
    if (m_actions)
        m_actions->renameSelection();
}

void MCSelectionMenu::doNewFolder()
{
    if (m_actions)
        m_actions->newFolder();
}

void MCSelectionMenu::showPackageContents()
{
    const QAction *package = item(Item::ShowPackageContents);
    const QString path = package ? package->data().toString() : QString();
    if (!path.isEmpty())
        MCHub::sharedHub()->navigation()->doubleClickNavigation(path, this);
}

void MCSelectionMenu::createNewFile(const QString &templatePath, const QString &label)
{
    if (m_actions)
        m_actions->newFileFromTemplate(templatePath, label);
}

void MCSelectionMenu::newFileHandler()
{
    if (m_actions)
        m_actions->customizeNewFiles();
}

qsizetype MCSelectionMenu::pasteboardCount()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    const qsizetype files = MCPasteboard::localFilePaths(data).size();
    return files > 0 ? files : MCPasteboard::remotePaths(data).size();
}

void MCSelectionMenu::setApplicable(Item which, bool applies, Inapplicable inapplicable) const
{
    if (inapplicable == Inapplicable::Hide)
        item(which)->setVisible(applies);
    else
        item(which)->setEnabled(applies);
}

void MCSelectionMenu::updateNewFolderWithSelection(Inapplicable inapplicable) const
{
    const qsizetype n = m_selectedItems.size();
    item(Item::NewFolderWithSelection)
        ->setText(n > 1 ? MCMenuTitles::newFolderWithSelection(n)
                        : tr("New Folder with Selection"));
    setApplicable(Item::NewFolderWithSelection, n > 1, inapplicable);
}

void MCSelectionMenu::updateOpenWith(Inapplicable inapplicable) const
{
    setApplicable(Item::OpenWith,
                  !m_selectedItems.isEmpty() && !MCMenuTitles::count(m_selectedItems).anyFolder,
                  inapplicable);
}

void MCSelectionMenu::updateShowPackageContents() const
{
    const MCNodePtr one = m_selectedItems.size() == 1 ? m_selectedItems.first() : MCNodePtr();
    const bool package = one && one->isPackage();
    item(Item::ShowPackageContents)->setVisible(package);
    item(Item::ShowPackageContents)->setData(package ? one->filePath() : QString());
}

void MCSelectionMenu::updateCopy(Inapplicable inapplicable) const
{
    item(Item::Copy)->setText(MCMenuTitles::forSelection(tr("Copy"), m_selectedItems));
    setApplicable(Item::Copy, !m_selectedItems.isEmpty(), inapplicable);
}

void MCSelectionMenu::updatePaste() const
{
    // Pasted into the folder shown: nothing while a page is.
    const qsizetype entries = folderShown() ? pasteboardCount() : 0;
    item(Item::Paste)->setText(MCMenuTitles::paste(entries));
    item(Item::Paste)->setEnabled(entries > 0);
    item(Item::Paste)->setVisible(entries > 0);
}

void MCSelectionMenu::updateQuickLook() const
{
    item(Item::QuickLook)->setText(MCMenuTitles::forSelection(tr("Quick Look"), m_selectedItems));
    item(Item::QuickLook)->setEnabled(!m_selectedItems.isEmpty());
}

bool MCSelectionMenu::getInfoApplies() const
{
    return !m_selectedItems.isEmpty() ||
           (folderShown() && MCHub::sharedHub()->navigation()->currentPath() != QLatin1String("/"));
}

void MCSelectionMenu::updateCacheItems(Inapplicable inapplicable) const
{
    QAction *uncache = item(Item::Uncache);
    QAction *download = item(Item::Download);
    const MCMenuTitles::Counts counts = MCMenuTitles::count(m_selectedItems);
    MCMenuTitles::titleCacheItems(uncache, download, counts);
    if (inapplicable == Inapplicable::Hide) {
        // A folder alone has nothing to download; among other items the files still have.
        uncache->setVisible(counts.cached > 0);
        download->setVisible(counts.uncached > 0 &&
                             (m_selectedItems.size() > 1 || !counts.anyFolder));
    }
}
