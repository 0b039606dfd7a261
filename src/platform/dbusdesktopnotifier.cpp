#include "dbusdesktopnotifier.h"

#include "platformlogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

DBusDesktopNotifier::DBusDesktopNotifier(const QString &applicationName, const QString &iconName,
                                         const QString &desktopId)
    : m_applicationName(applicationName)
    , m_iconName(iconName)
    , m_desktopId(desktopId)
{}

void DBusDesktopNotifier::notify(const QString &title, const QString &informativeText)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCDebug(lcLauncher, "No session bus: notification not shown");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), m_desktopId}};
    // The body may be read as markup by the server; the text is the user's, not markup. Only
    // the three characters markup needs are escaped, so a server without markup shows little
    // harm.
    QString body = informativeText;
    body.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    call << m_applicationName << uint(0) << m_iconName << title << body << QStringList() << hints
         << int(-1);
    // Nobody waits for the answer: a missing service only costs the bubble.
    if (!bus.send(call))
        qCDebug(lcLauncher, "Cannot send a notification: %s",
                qPrintable(bus.lastError().message()));
}
