#ifndef MDEVICE_H
#define MDEVICE_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

class MDevicePrivate;

// One client device registered with the service for the signed-in user.
class MDevice
{
public:
    // A fresh device is trusted; one built from JSON is trusted only when the service says so.
    MDevice();
    explicit MDevice(const QVariantMap &json);
    MDevice(const MDevice &other);
    MDevice &operator=(const MDevice &other);
    ~MDevice();

    void swap(MDevice &other) noexcept { d.swap(other.d); }

    qint64 id() const;
    QString name() const;
    QString uuid() const;
    bool isTrusted() const;
    QDateTime createdAt() const;
    QDateTime updatedAt() const;
    qint64 userId() const;

private:
    QSharedDataPointer<MDevicePrivate> d;
};

Q_DECLARE_SHARED(MDevice)
Q_DECLARE_METATYPE(MDevice)

#endif // MDEVICE_H
