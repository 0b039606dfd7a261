#ifndef MCTHIRDPARTYSERVICESDISCOVERER_H
#define MCTHIRDPARTYSERVICESDISCOVERER_H

#include <QMap>
#include <QObject>

// Finds the local folders other file-sync services keep in the user's home folder, so that
// files dropped from such a folder can be told apart from ordinary local files. One service is
// known: "dropbox", whose root is read from ~/.dropbox/info.json ("personal" -> "path").
//
// discover() looks on the next turn of the event loop and reports each service it finds with
// thirdPartyServiceDiscovered(). A path belongs to a service when it is the service's root or
// lies inside it; a path built for a service never leaves its root.
class MCThirdPartyServicesDiscoverer : public QObject
{
    Q_OBJECT
public:
    static inline const QString Dropbox = QStringLiteral("dropbox");

    // homePath: the folder to look in; the user's home folder when empty.
    explicit MCThirdPartyServicesDiscoverer(const QString &homePath = QString(),
                                            QObject *parent = nullptr);

    void discover();
    // Dropbox's root folder, or a null string when there is none.
    QString discoverDropbox() const;

    QStringList discoveredServices() const;
    QString pathForService(const QString &service) const;
    // The service whose root holds the local path, or a null string.
    QString serviceForPath(const QString &path) const;
    // The local path of relativePath inside the service's root; a null string for an unknown
    // service or for a path that would lead outside the root ("..").
    QString filePathForPath(const QString &relativePath, const QString &service) const;

signals:
    void thirdPartyServiceDiscovered(const QString &service, const QString &rootPath);

private:
    QString m_homePath;
    QMap<QString, QString> m_services;
};

#endif // MCTHIRDPARTYSERVICESDISCOVERER_H
