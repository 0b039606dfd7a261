#include "mcdesktopnotifier.h"

#include "desktopnotifier.h"
#include "mcnotificationtext.h"
#include "mcshelllogging.h"
#include "mcstring.h"

#include <QTimer>
#include <QWidget>

#include <utility>

MCDesktopNotifier::MCDesktopNotifier(DesktopNotifier *desktop, QWidget *window, QObject *parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_window(window)
{
    for (int kind = 0; kind < KindCount; ++kind) {
        Burst &burst = m_bursts[kind];
        burst.timer = new QTimer(this);
        burst.timer->setSingleShot(true);
        burst.timer->setInterval(QuietInterval);
        connect(burst.timer, &QTimer::timeout, this, [this, kind] { flush(Kind(kind)); });
    }
}

MCDesktopNotifier::~MCDesktopNotifier() = default;

bool MCDesktopNotifier::notify(Kind kind, const QString &title, const QString &text)
{
    if (!m_desktop || kind < 0 || kind >= KindCount)
        return false;
    const bool inFront =
        m_window && m_window->isVisible() && !m_window->isMinimized() && m_window->isActiveWindow();
    if (inFront)
        return false;
    Burst &burst = m_bursts[kind];
    if (burst.count == 0) {
        burst.age.start();
        // The title is someone's name: one line that cannot turn the bubble's text around.
        burst.title = MCString::stringForName(title);
        burst.text = MCNotificationText::body(text);
    }
    ++burst.count;
    // A flood that never pauses is still told every LongestBurst.
    if (burst.age.elapsed() < LongestBurst || !burst.timer->isActive())
        burst.timer->start();
    return true;
}

void MCDesktopNotifier::flush(Kind kind)
{
    Burst &burst = m_bursts[kind];
    const int count = std::exchange(burst.count, 0);
    if (count == 0 || !m_desktop)
        return;
    // The text is not logged (it may be a private message).
    qCDebug(lcShell) << "Desktop notification sent for" << count << "arrivals";
    if (count == 1) {
        m_desktop->notify(burst.title, burst.text);
        return;
    }
    QString summary;
    switch (kind) {
    case Message:
        summary = tr("%1 new messages").arg(count);
        break;
    case Invitation:
        summary = tr("%1 new contact invitations").arg(count);
        break;
    case FileOffer:
        summary = tr("%1 files offered to you").arg(count);
        break;
    default:
        summary = tr("%1 files answered or changed").arg(count);
        break;
    }
    m_desktop->notify(summary, QString());
}
