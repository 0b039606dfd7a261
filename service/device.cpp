#include "device.h"

#include <QDateTime>

namespace {

// "2015-03-03T14:05:00Z": whole seconds, UTC.
QString isoDate(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

std::optional<qint64> secondsFromIso(const QJsonValue &value)
{
    const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date.toSecsSinceEpoch();
}

} // namespace

QJsonObject Device::toJson() const
{
    return {
        {QStringLiteral("id"), id},
        {QStringLiteral("user_id"), userId},
        {QStringLiteral("uuid"), uuid},
        {QStringLiteral("name"), name},
        {QStringLiteral("trusted"), trusted},
        {QStringLiteral("created_at"), isoDate(createdAt)},
        {QStringLiteral("updated_at"), isoDate(updatedAt)},
    };
}

std::optional<Device> Device::fromJson(const QJsonObject &json)
{
    Device device;
    device.id = qint64(json.value(QLatin1String("id")).toDouble());
    device.userId = qint64(json.value(QLatin1String("user_id")).toDouble());
    device.uuid = json.value(QLatin1String("uuid")).toString();
    device.name = json.value(QLatin1String("name")).toString();
    device.trusted = json.value(QLatin1String("trusted")).toBool();
    const std::optional<qint64> createdAt = secondsFromIso(json.value(QLatin1String("created_at")));
    const std::optional<qint64> updatedAt = secondsFromIso(json.value(QLatin1String("updated_at")));
    if (device.id <= 0 || device.userId <= 0 || !createdAt || !updatedAt)
        return std::nullopt;
    device.createdAt = *createdAt;
    device.updatedAt = *updatedAt;
    return device;
}
