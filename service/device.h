#ifndef DEVICE_H
#define DEVICE_H

#include <QJsonObject>
#include <QString>

#include <optional>

// One client installation of a user, known by the uuid its User-Agent carries.
struct Device
{
    qint64 id = 0;
    qint64 userId = 0;
    QString uuid;
    QString name;
    bool trusted = true;
    qint64 createdAt = 0; // seconds since the epoch
    qint64 updatedAt = 0;

    // The "device" object of the API, which is also how the store keeps it.
    QJsonObject toJson() const;
    static std::optional<Device> fromJson(const QJsonObject &json);
};

#endif // DEVICE_H
