#include "mcdesktopnotifier.h"

#include "desktopnotifier.h"
#include "mcshelllogging.h"
#include "mcstring.h"

#include <QWidget>

MCDesktopNotifier::MCDesktopNotifier(DesktopNotifier *desktop, QWidget *window, QObject *parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_window(window)
{}

bool MCDesktopNotifier::notify(const QString &title, const QString &text)
{
    if (!m_desktop)
        return false;
    const bool inFront =
        m_window && m_window->isVisible() && !m_window->isMinimized() && m_window->isActiveWindow();
    if (inFront)
        return false;
    // The title is someone's name: one line that cannot turn the bubble's text around. The
    // text is not logged (it may be a private message).
    qCDebug(lcShell) << "Desktop notification sent";
    m_desktop->notify(MCString::stringForName(title), text);
    return true;
}
