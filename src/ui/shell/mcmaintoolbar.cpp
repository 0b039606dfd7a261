#include "mcmaintoolbar.h"

#include "mccleanupbymenu.h"
#include "mcfunctions.h"
#include "mcmenuaction.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

// The program's resources live in a static library: they are registered by hand (outside any
// namespace, as the registration requires).
static void registerShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace {

// The desktop's icon, or its second choice, or the image bundled under that name.
QIcon themeIcon(const char *name, const char *fallback = nullptr, const char *bundled = nullptr)
{
    QIcon icon = QIcon::fromTheme(QLatin1String(name));
    if (icon.isNull() && fallback)
        icon = QIcon::fromTheme(QLatin1String(fallback));
    if (icon.isNull() && bundled)
        icon = QIcon(QStringLiteral(":/shell/images/%1.svg").arg(QLatin1String(bundled)));
    return icon;
}

// A button that pops its menu up at once, without a second event loop while it is open.
void popUpOnClick(QToolButton *button, QMenu *menu)
{
    QObject::connect(button, &QToolButton::clicked, menu, [button, menu] {
        menu->popup(button->mapToGlobal(button->rect().bottomLeft()));
    });
}

} // namespace

MCMainToolbar::MCMainToolbar(MCMenuAction *actionMenu, QWidget *parent)
    : QToolBar(tr("Toolbar"), parent)
    , m_backMenu(new QMenu(QStringLiteral("left"), this))
    , m_forwardMenu(new QMenu(QStringLiteral("right"), this))
    , m_viewGroup(new QButtonGroup(this))
    , m_cleanUpBy(new MCCleanUpByMenu(this))
    , m_pathMenu(new QMenu(this))
{
    registerShellResources();
    setObjectName(QStringLiteral("toolbar"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);

    m_back = addButton(QStringLiteral("segmentBack"), themeIcon("go-previous"), tr("Back"),
                       tr("Show the previous place"));
    m_forward = addButton(QStringLiteral("segmentForward"), themeIcon("go-next"), tr("Forward"),
                          tr("Show the next place"));
    m_backMenu->setObjectName(QStringLiteral("menuBack"));
    m_forwardMenu->setObjectName(QStringLiteral("menuForward"));
    for (QToolButton *segment : {m_back, m_forward}) {
        segment->setMenu(segment == m_back ? m_backMenu : m_forwardMenu);
        segment->setPopupMode(QToolButton::DelayedPopup);
        segment->setEnabled(false);
    }
    connect(m_back, &QToolButton::clicked, this, [this] { emit backForwardClicked(0); });
    connect(m_forward, &QToolButton::clicked, this, [this] { emit backForwardClicked(1); });
    addSeparator();

    const struct
    {
        const char *name, *icon, *fallback, *text, *tip;
    } views[] = {
        {"segmentViewIcons", "view-list-icons", "view-grid", QT_TR_NOOP("as Icons"),
         QT_TR_NOOP("Show the items as icons")},
        {"segmentViewList", "view-list-details", "view-list", QT_TR_NOOP("as List"),
         QT_TR_NOOP("Show the items in a list")},
        {"segmentViewColumns", "view-list-tree", "view-file-columns", QT_TR_NOOP("as Columns"),
         QT_TR_NOOP("Show the items in columns")},
    };
    for (int index = 0; index < 3; ++index) {
        QToolButton *segment = addButton(QLatin1String(views[index].name),
                                         themeIcon(views[index].icon, views[index].fallback),
                                         tr(views[index].text), tr(views[index].tip));
        segment->setCheckable(true);
        m_viewGroup->addButton(segment, index);
    }
    m_viewGroup->setExclusive(true);
    connect(m_viewGroup, &QButtonGroup::idClicked, this, &MCMainToolbar::viewSegmentClicked);
    addSeparator();

    m_action = addButton(QStringLiteral("popButtonAction"),
                         themeIcon("emblem-system", "preferences-other"), tr("Action"),
                         tr("Perform tasks with the selected items"));
    popUpOnClick(m_action, actionMenu);
    m_filter = addButton(QStringLiteral("popButtonFilter"), themeIcon("view-sort-ascending", nullptr, "arrangeBy"),
                         tr("Arrange By"), tr("Change the order of the items"));
    m_cleanUpBy->setObjectName(QStringLiteral("menuCleanUpByToolbar"));
    popUpOnClick(m_filter, m_cleanUpBy);
    addSeparator();
    m_quickLook =
        addButton(QStringLiteral("buttonQuickLook"), themeIcon("document-preview", "zoom-in"),
                  tr("Quick Look"), tr("Preview the selected items"));
    m_delete = addButton(QStringLiteral("buttonDelete"), themeIcon("user-trash", "edit-delete", "trash"),
                         tr("Delete"), tr("Delete the selected items"));
    m_info = addButton(QStringLiteral("buttonInfo"), themeIcon("dialog-information", nullptr, "info"),
                       tr("Get Info"), tr("Show information about the selected items"));
    m_newFolder = addButton(QStringLiteral("buttonNewFolder"), themeIcon("folder-new", nullptr, "newfolder"),
                            tr("New Folder"), tr("Make a folder in the folder shown"));
    m_reload = addButton(QStringLiteral("buttonReload"), themeIcon("view-refresh"), tr("Reload"),
                         tr("List the folder shown again"));
    addSeparator();
    m_path = addButton(QStringLiteral("popButtonPath"), MCFunctions::getFolderIcon(), tr("Path"),
                       tr("Show the folders that hold this one"));
    m_pathMenu->setObjectName(QStringLiteral("menuPath"));
    QAction *first = m_pathMenu->addAction(m_path->icon(), QString());
    first->setEnabled(false);
    popUpOnClick(m_path, m_pathMenu);
    m_share = addButton(QStringLiteral("popButtonShare"), themeIcon("emblem-shared", "send-to", "share"),
                        tr("Share"), tr("Get a link to the selected file"));
    for (QToolButton *button : {m_quickLook, m_delete, m_share})
        button->setEnabled(false);

    auto *stretch = new QWidget;
    stretch->setObjectName(QStringLiteral("betaViewSpacer"));
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(stretch);
    m_betaView = new QLabel(tr("Beta"));
    m_betaView->setObjectName(QStringLiteral("betaView"));
    m_betaView->setTextFormat(Qt::PlainText);
    m_betaView->setContentsMargins(6, 0, 6, 0);
    addWidget(m_betaView);
}

QToolButton *MCMainToolbar::addButton(const QString &objectName, const QIcon &icon,
                                      const QString &text, const QString &toolTip)
{
    auto *button = new QToolButton;
    button->setObjectName(objectName);
    button->setIcon(icon);
    button->setText(text);
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    addWidget(button);
    return button;
}

QAbstractButton *MCMainToolbar::viewSegment(int index) const
{
    return m_viewGroup->button(index);
}

int MCMainToolbar::selectedViewSegment() const
{
    return m_viewGroup->checkedId();
}

void MCMainToolbar::selectViewSegment(int index)
{
    if (index >= 0 && m_viewGroup->button(index)) {
        m_viewGroup->button(index)->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked: every segment goes off only without it.
    m_viewGroup->setExclusive(false);
    for (QAbstractButton *segment : m_viewGroup->buttons())
        segment->setChecked(false);
    m_viewGroup->setExclusive(true);
}
