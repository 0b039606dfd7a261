// The manager's handling of the application's mouse and key events.
#include "indsequentialtextselectionmanager.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

namespace {

// Menus run their own clicks: a press on the menu bar or in a pop-up (the "Text Actions" menu
// itself) must not end the selection its Copy is about to copy.
bool isInMenu(const QWidget *widget)
{
    if (widget->window()->windowType() == Qt::Popup)
        return true;
    for (const QWidget *w = widget; w; w = w->parentWidget())
        if (qobject_cast<const QMenuBar *>(w))
            return true;
    return false;
}

} // namespace

bool INDSequentialTextSelectionManager::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return false;
    auto *receiver = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // Only the event as it arrives: the copies a widget passes to its parents are not
        // spontaneous.
        if (!mouse->spontaneous() || isInMenu(receiver))
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            return mouse->button() == Qt::LeftButton    ? handleLeftMouseDown(receiver, mouse)
                   : mouse->button() == Qt::RightButton ? handleRightMouseDown(receiver, mouse)
                                                        : false;
        if (event->type() == QEvent::MouseButtonRelease)
            return mouse->button() == Qt::LeftButton && handleLeftMouseUp(receiver, mouse);
        return (mouse->buttons() & Qt::LeftButton) && handleLeftMouseDragged(receiver, mouse);
    }
    case QEvent::ContextMenu:
        // The view's own menu would follow the right press that opened "Text Actions".
        return m_currentSession &&
               static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Mouse &&
               validTextViewForEvent(
                   receiver, static_cast<QContextMenuEvent *>(event)->globalPos()) != nullptr;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        return handleKey(receiver, event);
    default:
        return false;
    }
}

QWidget *INDSequentialTextSelectionManager::validTextViewForEvent(QWidget *receiver,
                                                                  const QPoint &globalPoint) const
{
    QWidget *window = receiver->window();
    QWidget *hit = window->childAt(window->mapFromGlobal(globalPoint));
    for (QWidget *widget = hit; widget && widget != window; widget = widget->parentWidget()) {
        const QString identifier = INDTextView::ind_uniqueIdentifier(widget);
        if (!identifier.isEmpty() && m_textViews.value(identifier).textView == widget)
            return INDTextView::isSelectable(widget) ? widget : nullptr;
    }
    return nullptr;
}

bool INDSequentialTextSelectionManager::handleLeftMouseDown(QWidget *receiver, QMouseEvent *event)
{
    // The second press of a double click goes to the view and keeps the selection.
    const bool secondClick = event->timestamp() - m_lastPressTimestamp <=
                                 qulonglong(QApplication::doubleClickInterval()) &&
                             (event->globalPos() - m_lastPressPoint).manhattanLength() <
                                 QApplication::startDragDistance();
    m_lastPressTimestamp = event->timestamp();
    m_lastPressPoint = event->globalPos();
    m_pressed = true;
    if (secondClick)
        return false;
    endSession();
    QWidget *view = validTextViewForEvent(receiver, event->globalPos());
    if (!view || view == view->window()->focusWidget())
        return false;
    sortTextViews(); // rows are often laid out after they were registered
    m_window = view->window();
    m_currentSession = std::make_unique<INDTextViewSelectionSession>(
        view, INDTextView::characterIndexForInsertionAtGlobalPoint(view, event->globalPos()));
    return true;
}

bool INDSequentialTextSelectionManager::handleLeftMouseDragged(QWidget *receiver,
                                                               QMouseEvent *event)
{
    if (!m_currentSession)
        return false;
    QWidget *view = validTextViewForEvent(receiver, event->globalPos());
    if (!view)
        return true;
    if (m_firstResponder)
        resignFirstResponder();
    const QList<QWidget *> views = sortedTextViews();
    int anchor = 0;
    if (INDTextView::ind_uniqueIdentifier(view) == m_currentSession->textViewIdentifier())
        anchor = m_currentSession->characterIndex();
    else if (views.indexOf(view) < views.indexOf(sessionTextView()))
        anchor = INDTextView::length(view);
    const int index =
        INDTextView::characterIndexForInsertionAtGlobalPoint(view, event->globalPos());
    setSelectionRangeForTextView(view, {qMin(anchor, index), qAbs(anchor - index)});
    processCompleteSelectionsForTargetTextView(view);
    return true;
}

bool INDSequentialTextSelectionManager::handleLeftMouseUp(QWidget *receiver, QMouseEvent *event)
{
    if (!m_currentSession)
        return false;
    becomeFirstResponder();
    if (QWidget *view = validTextViewForEvent(receiver, event->globalPos())) {
        const int index =
            INDTextView::characterIndexForInsertionAtGlobalPoint(view, event->globalPos());
        if (index < INDTextView::length(view)) {
            const QUrl link = INDTextView::linkAtIndex(view, index);
            if (!link.isEmpty())
                INDTextView::clickedOnLink(view, link, index);
        }
    }
    return true;
}

bool INDSequentialTextSelectionManager::handleRightMouseDown(QWidget *receiver, QMouseEvent *event)
{
    if (!m_currentSession)
        return false;
    becomeFirstResponder();
    if (validTextViewForEvent(receiver, event->globalPos()))
        if (QMenu *menu = menuForEvent(event))
            menu->popup(event->globalPos());
    return true;
}

bool INDSequentialTextSelectionManager::handleKey(QWidget *receiver, QEvent *event)
{
    auto *key = static_cast<QKeyEvent *>(event);
    // Without a selection the window's own Copy (the browser's items) keeps the key.
    if (!m_firstResponder || !m_currentSession || !m_window ||
        receiver->window() != m_window->window() || !key->matches(QKeySequence::Copy))
        return false;
    // Taking the override keeps the window's own Copy shortcut from firing; the key press
    // that follows copies.
    event->accept();
    if (event->type() == QEvent::KeyPress)
        copy();
    return true;
}
