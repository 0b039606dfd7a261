#ifndef DBUSLAUNCHERBADGE_H
#define DBUSLAUNCHERBADGE_H

#include "launcherbadge.h"

#include <QString>

// Badge through the launcher-entry protocol that docks and task managers listen to: the
// session-bus signal com.canonical.Unity.LauncherEntry.Update(s app_uri, a{sv} properties)
// with "count" (x) and "count-visible" (b), app_uri "application://<desktopId>.desktop".
// A signal is sent only when the count changes. Without a session bus nothing is sent and the
// count is still kept. Attention is QApplication::alert on the window.
class DBusLauncherBadge : public LauncherBadge
{
public:
    // desktopId: the .desktop file's name without the suffix (the bundle identifier).
    explicit DBusLauncherBadge(const QString &desktopId);

    int count() const override { return m_count; }
    void setCount(int count) override;
    void requestAttention(QWidget *window) override;

    // The object path the signal is sent from.
    static QString objectPath();

private:
    QString m_appUri;
    int m_count = 0;
};

#endif // DBUSLAUNCHERBADGE_H
