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
    void setId(qint64 id);
    QString name() const;
    void setName(const QString &name);
    QString uuid() const;
    void setUuid(const QString &uuid);
    bool isTrusted() const;
    void setTrusted(bool trusted);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);
    QDateTime updatedAt() const;
    void setUpdatedAt(const QDateTime &updatedAt);
    qint64 userId() const;
    void setUserId(qint64 userId);

private:
    QSharedDataPointer<MDevicePrivate> d;
};

Q_DECLARE_SHARED(MDevice)
Q_DECLARE_METATYPE(MDevice)

#endif // MDEVICE_H
