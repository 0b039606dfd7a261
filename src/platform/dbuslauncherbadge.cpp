#include "dbuslauncherbadge.h"

#include "platformlogging.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

DBusLauncherBadge::DBusLauncherBadge(const QString &desktopId)
    : m_appUri(QStringLiteral("application://%1.desktop").arg(desktopId))
{}

QString DBusLauncherBadge::objectPath()
{
    return QStringLiteral("/com/kerloapp/lumarin/LauncherEntry");
}

void DBusLauncherBadge::setCount(int count)
{
    count = qMax(0, count);
    if (count == m_count)
        return;
    m_count = count;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCDebug(lcLauncher, "No session bus: the badge stays local");
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        objectPath(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"));
    const QVariantMap properties{{QStringLiteral("count"), qint64(count)},
                                 {QStringLiteral("count-visible"), count > 0}};
    signal << m_appUri << properties;
    if (!bus.send(signal))
        qCWarning(lcLauncher, "Cannot send the badge: %s", qPrintable(bus.lastError().message()));
}

void DBusLauncherBadge::requestAttention(QWidget *window)
{
    if (window)
        QApplication::alert(window);
}
