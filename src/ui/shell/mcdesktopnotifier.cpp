#include "mcdesktopnotifier.h"

#include "desktopnotifier.h"
#include "mcshelllogging.h"

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
    // Names may be long and hostile: no logging of the text, the bubble gets it as it is.
    qCDebug(lcShell) << "Desktop notification sent";
    m_desktop->notify(title, text);
    return true;
}
