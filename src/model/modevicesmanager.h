#ifndef MODEVICESMANAGER_H
#define MODEVICESMANAGER_H

#include "modevice.h"

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>

class MODevicesManagerPrivate;

// The signed-in user's devices, for one page. Each listDevices() is answered once, on the main
// thread, by devicesListed() or devicesListFailed(); nothing is once the facade is destroyed.
class MODevicesManager : public QObject
{
    Q_OBJECT
public:
    explicit MODevicesManager(QObject *parent = nullptr);
    ~MODevicesManager() override;

    void listDevices();

signals:
    // The one seen most recently first.
    void devicesListed(const QList<MODevice> &devices);
    // message says what went wrong, in a sentence the user can be shown.
    void devicesListFailed(const QString &message);

private:
    Q_DECLARE_PRIVATE(MODevicesManager)
    QScopedPointer<MODevicesManagerPrivate> d_ptr;
};

#endif // MODEVICESMANAGER_H
