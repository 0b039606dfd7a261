// A notification server for the tests' own session bus: it owns org.freedesktop.Notifications,
// answers as a desktop's server does, and appends every Notify call to the file named by its
// argument, one JSON object a line: "app_name", "replaces_id", "app_icon", "summary", "body",
// "actions", "hints" (the string ones) and "expire_timeout". Prints "ready" once it owns the
// name; exits 1 when it cannot.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QVariantMap>

#include <cstdio>

class Recorder : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Recorder(const QString &path)
        : m_file(path)
    {}

    bool open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Append); }

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int expireTimeout)
    {
        QJsonObject stringHints;
        for (auto hint = hints.begin(); hint != hints.end(); ++hint) {
            if (hint.value().type() == QVariant::String)
                stringHints.insert(hint.key(), hint.value().toString());
        }
        const QJsonObject call{{QStringLiteral("app_name"), appName},
                               {QStringLiteral("replaces_id"), qint64(replacesId)},
                               {QStringLiteral("app_icon"), appIcon},
                               {QStringLiteral("summary"), summary},
                               {QStringLiteral("body"), body},
                               {QStringLiteral("actions"), QJsonArray::fromStringList(actions)},
                               {QStringLiteral("hints"), stringHints},
                               {QStringLiteral("expire_timeout"), expireTimeout}};
        m_file.write(QJsonDocument(call).toJson(QJsonDocument::Compact) + '\n');
        m_file.flush();
        return replacesId != 0 ? replacesId : ++m_lastId;
    }

    QStringList GetCapabilities()
    {
        return {QStringLiteral("body"), QStringLiteral("body-markup")};
    }

    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion)
    {
        vendor = QStringLiteral("Lumarin tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("notification-recorder");
    }

    void CloseNotification(uint) {}

private:
    QFile m_file;
    uint m_lastId = 0;
};

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: notificationrecorder <record file>\n");
        return 2;
    }
    Recorder recorder(arguments.at(1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!recorder.open() || !bus.isConnected() ||
        !bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "notificationrecorder: cannot serve org.freedesktop.Notifications\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return application.exec();
}

#include "notificationrecorder.moc"
