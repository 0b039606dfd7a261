#ifndef DBUSDESKTOPNOTIFIER_H
#define DBUSDESKTOPNOTIFIER_H

#include "desktopnotifier.h"

#include <QString>

// Notifications through the session bus: org.freedesktop.Notifications.Notify on
// /org/freedesktop/Notifications, sent asynchronously (the reply is not awaited). Summary and
// body are sent as plain text: markup characters in the body are escaped, because servers may
// interpret a subset of HTML and the text can come from another user.
class DBusDesktopNotifier : public DesktopNotifier
{
public:
    // applicationName: Notify's app_name; iconName: app_icon (a theme icon name or empty);
    // desktopId: the "desktop-entry" hint.
    DBusDesktopNotifier(const QString &applicationName, const QString &iconName,
                        const QString &desktopId);

    void notify(const QString &title, const QString &informativeText) override;

private:
    QString m_applicationName;
    QString m_iconName;
    QString m_desktopId;
};

#endif // DBUSDESKTOPNOTIFIER_H
