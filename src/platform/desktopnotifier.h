#ifndef DESKTOPNOTIFIER_H
#define DESKTOPNOTIFIER_H

#include <QString>

// Shows a notification bubble on the desktop (a chat message, an invitation). Fire and
// forget: a desktop without a notification service shows nothing and nothing fails.
// Implementations: DBusDesktopNotifier (org.freedesktop.Notifications),
// RecordingDesktopNotifier (tests).
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString &title, const QString &informativeText) = 0;
};

#endif // DESKTOPNOTIFIER_H
