#ifndef LAUNCHERBADGE_H
#define LAUNCHERBADGE_H

class QWidget;

// The application's entry in the desktop's launcher or dock: a count badge and a request for
// the user's attention.
// Implementations: DBusLauncherBadge (launcher-entry signal, urgency hint),
// RecordingLauncherBadge (tests).
class LauncherBadge
{
public:
    virtual ~LauncherBadge() = default;

    // The count shown; 0 when none is.
    virtual int count() const = 0;
    // Shows count on the launcher entry; 0 (or less) hides the badge.
    virtual void setCount(int count) = 0;
    // Asks for the user's attention to window (informational: the window manager marks it
    // until the user looks; nothing is raised or focused).
    virtual void requestAttention(QWidget *window) = 0;
};

#endif // LAUNCHERBADGE_H
