#ifndef MDEVICESMANAGER_H
#define MDEVICESMANAGER_H

#include "mdevice.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantMap>

class MJsonRequestManager;
class MNetworkRequest;

// The devices the service knows for the signed-in user. Every listDevices() is answered once,
// by devicesReady() or by devicesFailed(); a call made while nobody is signed in fails at once.
// Main thread only.
class MDevicesManager : public QObject
{
    Q_OBJECT
public:
    explicit MDevicesManager(QObject *parent = nullptr);
    ~MDevicesManager() override;

    void listDevices();

signals:
    // The one seen most recently first, as the service orders them.
    void devicesReady(const QList<MDevice> &devices);
    void devicesFailed(const QString &message);

private:
    static QString statusMessage(int status);
    void fail(const MNetworkRequest &request, const QString &message);
    void finish(const MNetworkRequest &request, const QVariantMap &answer, int status);

    MJsonRequestManager *m_requests;
    QSet<QString> m_answered; // request ids told already
};

#endif // MDEVICESMANAGER_H
