// The application delegate's windows about the selection: Get Info, one window per remote
// path, and the one preview window, which grows out of the selection and shrinks back into it.
#include "mcappdelegate.h"

#include "info/mcgetinfowindowcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcfileactions.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mczoomeffect.h"
#include "moobjectsmanager.h"

#include "quicklook/mcquicklookcontroller.h"
#include <QEvent>
#include <QKeyEvent>

namespace {

// Space in a browser view, as the file managers have it: the preview of the selection. Typing
// into a name editor never reaches the view.
class QuickLookKey : public QObject
{
public:
    QuickLookKey(QWidget *view, std::function<void()> toggle)
        : QObject(view)
        , m_toggle(std::move(toggle))
    {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != parent() ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
            return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Space ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return QObject::eventFilter(watched, event);
        event->accept();
        if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
            m_toggle();
        return true;
    }

private:
    std::function<void()> m_toggle;
};

} // namespace

void MCAppDelegate::setupInspectors()
{
    // The menus' and the toolbar's Get Info and Quick Look.
    m_window->setCommandHandler(MCMainWindow::GetInfo, [this] {
        MCBrowsableViewController *view = MCManager::sharedManager()->selectedController();
        showGetInfo(view ? view->getSelectedItems() : MCNodeList());
    });
    m_window->setCommandHandler(MCMainWindow::QuickLook, [this] { togglePreviewPanel(); });
    connect(m_fileActions, &MCFileActions::getInfoRequested, this, &MCAppDelegate::showGetInfo);
    connect(m_fileActions, &MCFileActions::previewPanelRequested, this,
            &MCAppDelegate::togglePreviewPanel);
    for (const auto &view : qAsConst(m_browserViews)) {
        new QuickLookKey(view->firstResponder(), [this] { togglePreviewPanel(); });
        connect(view, &MCBrowsableViewController::selectedCountChanged, this, [this, view] {
            if (m_quickLook && MCManager::sharedManager()->isSelectedController(view))
                m_quickLook->selectionChanged();
        });
    }
}

MCQuickLookController *MCAppDelegate::quickLookController() const
{
    return m_quickLook;
}

void MCAppDelegate::showGetInfo(const MCNodeList &nodes)
{
    MCManager *hub = MCManager::sharedManager();
    // The folder shown as the view holds it, counted from its listing and kept current; the
    // hub's node keeps the count its metadata gave.
    MCNodePtr folder = hub->currentNode();
    const MCBrowsableViewController *view = hub->selectedController();
    if (const MCNodePtr listed = view ? view->currentNode() : MCNodePtr();
        listed && folder && listed->filePath() == folder->filePath())
        folder = listed;
    MCGetInfoWindowController::showGetInfo(nodes, folder, m_previewGenerator, m_window);
}

void MCAppDelegate::togglePreviewPanel()
{
    MCManager *hub = MCManager::sharedManager();
    MCBrowsableViewController *view = hub->selectedController();
    const bool browsing = view && view->isVisible() && hub->notBrowsablePath().isEmpty();
    const MCNodeList selection = browsing ? view->getSelectedItems() : MCNodeList();
    const QRect rect = browsing ? view->selectedRect() : QRect();
    if (!m_quickLook) {
        if (selection.isEmpty())
            return;
        m_quickLook =
            new MCQuickLookController(hub->navigation(), hub, MOObjectsManager::sharedInstance(),
                                      m_previewGenerator, m_fileActions, m_window);
        connect(m_quickLook, &MCQuickLookController::togglePreviewPanelRequested, this,
                &MCAppDelegate::togglePreviewPanel);
        if (m_window)
            m_quickLook->move(m_window->geometry().center() - m_quickLook->rect().center());
    }
    if (m_quickLook->isVisible()) {
        MCZoomEffect::orderOutEffectToRect(m_quickLook, rect);
        m_quickLook->windowDidClose();
        if (m_window)
            m_window->activateWindow();
        return;
    }
    if (selection.isEmpty())
        return;
    m_quickLook->loadNodes(selection);
    MCZoomEffect::makeKeyAndOrderFrontEffectFromRect(m_quickLook, rect);
}
