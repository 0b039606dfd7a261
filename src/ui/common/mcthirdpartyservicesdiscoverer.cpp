#include "mcthirdpartyservicesdiscoverer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcMCDiscoverer, "lumarin.ui.shell.discoverer")

MCThirdPartyServicesDiscoverer::MCThirdPartyServicesDiscoverer(const QString &homePath,
                                                               QObject *parent)
    : QObject(parent)
    , m_homePath(homePath.isEmpty() ? QDir::homePath() : homePath)
{}

void MCThirdPartyServicesDiscoverer::discover()
{
    QTimer::singleShot(0, this, [this] {
        const QString root = discoverDropbox();
        if (root.isEmpty())
            return;
        m_services.insert(Dropbox, root);
        emit thirdPartyServiceDiscovered(Dropbox, root);
    });
}

QString MCThirdPartyServicesDiscoverer::discoverDropbox() const
{
    QFile info(m_homePath + QStringLiteral("/.dropbox/info.json"));
    if (!info.exists())
        return QString();
    if (!info.open(QIODevice::ReadOnly)) {
        qCWarning(lcMCDiscoverer) << info.errorString();
        return QString();
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(info.read(1 << 20), &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcMCDiscoverer) << error.errorString();
        return QString();
    }
    const QString path = document.object()
                             .value(QStringLiteral("personal"))
                             .toObject()
                             .value(QStringLiteral("path"))
                             .toString();
    // Only an absolute folder can be a root that paths are matched against.
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return QString();
    return QDir::cleanPath(path);
}

QStringList MCThirdPartyServicesDiscoverer::discoveredServices() const
{
    return m_services.keys();
}

QString MCThirdPartyServicesDiscoverer::pathForService(const QString &service) const
{
    return m_services.value(service);
}

QString MCThirdPartyServicesDiscoverer::serviceForPath(const QString &path) const
{
    const QString cleaned = QDir::cleanPath(path);
    for (auto it = m_services.constBegin(); it != m_services.constEnd(); ++it) {
        const QString &root = it.value();
        if (cleaned == root ||
            cleaned.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')))
            return it.key();
    }
    return QString();
}

QString MCThirdPartyServicesDiscoverer::filePathForPath(const QString &relativePath,
                                                        const QString &service) const
{
    const QString root = m_services.value(service);
    if (root.isEmpty())
        return QString();
    const QString joined = QDir::cleanPath(root + QLatin1Char('/') + relativePath);
    const QString inside = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (joined != root && !joined.startsWith(inside)) {
        qCWarning(lcMCDiscoverer) << "Refused a path that leads outside the" << service << "folder";
        return QString();
    }
    return joined;
}
