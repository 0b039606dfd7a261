// The application delegate's browser views: switching between the icon, list and column views
// with the folder and the selection kept, and the View Options window on the view shown.
#include "mcappdelegate.h"

#include "mcbottomviewcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcmenuview.h"
#include "mcpopupplacement.h"
#include "mcshelllogging.h"
#include "mcviewchoice.h"
#include "mcviewoptionscontroller.h"

#include <QAction>
#include <QSlider>

MCBrowsableViewController *MCAppDelegate::browserView(int index) const
{
    return index >= 0 && index < m_browserViews.size() ? m_browserViews.at(index).data() : nullptr;
}

MCViewOptionsController *MCAppDelegate::viewOptionsController() const
{
    return m_viewOptions;
}

void MCAppDelegate::connectViewChoices()
{
    MCManager *hub = MCManager::sharedManager();
    for (MCViewChoice *choice :
         {m_window->viewMenu()->viewChoice(), hub->menuNoSelection()->viewChoice()}) {
        connect(choice, &MCViewChoice::viewChosen, this, &MCAppDelegate::switchView);
        connect(choice, &MCViewChoice::viewOptionsRequested, this, &MCAppDelegate::showViewOptions);
    }
    connect(hub->menuSelection(), &MCMenuSelection::viewOptionsRequested, this,
            &MCAppDelegate::showViewOptions);
}

void MCAppDelegate::switchView(int index)
{
    MCManager *hub = MCManager::sharedManager();
    MCBrowsableViewController *next = browserView(index);
    if (!next || !m_window)
        return;
    MCBrowsableViewController *previous = hub->selectedController();
    const bool pageShown = !hub->notBrowsablePath().isEmpty();
    // The shown folder's selected rows go over as runs while the folder keeps its order; as
    // nodes otherwise (with a large folder all selected, a node list is several slow passes).
    const MCRowSelection rows =
        previous && !pageShown ? previous->selectedRows() : MCRowSelection();
    const bool byRows = rows.isValid() && rows.firstRow() >= 0;
    const MCNodeList selection =
        previous && !pageShown && !byRows ? previous->getSelectedItems() : MCNodeList();
    qCDebug(lcShell) << "Showing browser view" << index;
    // The view shown takes the rows over from the one that was: only one keeps a tree.
    next->activate(previous);
    for (const auto &view : qAsConst(m_browserViews)) {
        if (view && view != next)
            view->hide();
    }
    hub->setSelectedController(next);
    if (pageShown) {
        // Leaving a page: the history remembers it, and the handler brings the browser back.
        hub->addBackPath(hub->shownPlace());
        hub->clearForwardHistory();
        hub->setNotBrowsablePath(QStringLiteral(""));
    }
    // The icon size is the icon view's alone.
    if (m_bottomView)
        m_bottomView->slider()->setVisible(next == iconController());
    next->show();
    int selected = byRows ? next->preserveSelectedRows(rows) : -1;
    if (selected < 0) {
        next->preserveSelection(byRows ? rows.nodes() : selection);
        selected = next->getSelectedItems().size();
    }
    next->firstResponder()->setFocus(Qt::OtherFocusReason);
    hub->setSelectedCount(selected);
    m_window->viewMenu()->viewChoice()->updateViewSelection(index);
    hub->menuNoSelection()->viewChoice()->updateViewSelection(index);
    if (m_viewOptions)
        m_viewOptions->setSelectedView(next);
    // The toolbar's segment follows, and is what the browser comes back to after a page.
    m_rememberedViewIndex = index;
    m_window->toolbar()->selectViewSegment(index);
    updateToolbarState();
}

void MCAppDelegate::showViewOptions()
{
    MCManager *hub = MCManager::sharedManager();
    if (m_viewOptions && m_viewOptions->isVisible()) {
        m_viewOptions->close();
        return;
    }
    if (!m_viewOptions) {
        m_viewOptions = new MCViewOptionsController(hub->options(), m_window);
        connect(m_viewOptions, &MCViewOptionsController::closed, this,
                [this] { viewOptionsShown(false); });
    }
    m_viewOptions->setSelectedView(hub->selectedController());
    // Over the window, not at the screen's edge, at the size of the view's pane.
    m_viewOptions->adjustSize();
    MCPopupPlacement::placeCascadedOver(m_viewOptions, m_window, {});
    m_viewOptions->show();
    m_viewOptions->raise();
    // It takes the keys at once: Escape closes it.
    m_viewOptions->activateWindow();
    viewOptionsShown(true);
}

void MCAppDelegate::viewOptionsShown(bool shown)
{
    if (!m_window)
        return;
    m_window->viewMenu()->viewChoice()->setViewOptionsShown(shown);
    MCManager *hub = MCManager::sharedManager();
    if (MCMenuNoSelection *background = hub->menuNoSelection())
        background->viewChoice()->setViewOptionsShown(shown);
    if (MCMenuSelection *selection = hub->menuSelection())
        selection->viewOptionsItem()->setText(shown ? tr("Hide View Options")
                                                    : tr("Show View Options"));
}
