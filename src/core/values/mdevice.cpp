#include "mdevice.h"

#include "socialjson_p.h"

class MDevicePrivate : public QSharedData
{
public:
    qint64 id = 0;
    QString name;
    QString uuid;
    bool trusted = true;
    QDateTime createdAt;
    QDateTime updatedAt;
    qint64 userId = 0;
};

MDevice::MDevice()
    : d(new MDevicePrivate)
{}

MDevice::MDevice(const QVariantMap &json)
    : d(new MDevicePrivate)
{
    d->id = SocialJson::toInt64(json.value(QStringLiteral("id")), 0);
    d->name = json.value(QStringLiteral("name")).toString();
    d->uuid = json.value(QStringLiteral("uuid")).toString();
    d->trusted = json.value(QStringLiteral("trusted")).toBool();
    d->createdAt = SocialJson::toDate(json.value(QStringLiteral("created_at")));
    d->updatedAt = SocialJson::toDate(json.value(QStringLiteral("updated_at")));
    d->userId = SocialJson::toInt64(json.value(QStringLiteral("user_id")), 0);
}

MDevice::MDevice(const MDevice &other) = default;
MDevice &MDevice::operator=(const MDevice &other) = default;
MDevice::~MDevice() = default;

qint64 MDevice::id() const
{
    return d->id;
}

void MDevice::setId(qint64 id)
{
    d->id = id;
}

QString MDevice::name() const
{
    return d->name;
}

void MDevice::setName(const QString &name)
{
    d->name = name;
}

QString MDevice::uuid() const
{
    return d->uuid;
}

void MDevice::setUuid(const QString &uuid)
{
    d->uuid = uuid;
}

bool MDevice::isTrusted() const
{
    return d->trusted;
}

void MDevice::setTrusted(bool trusted)
{
    d->trusted = trusted;
}

QDateTime MDevice::createdAt() const
{
    return d->createdAt;
}

void MDevice::setCreatedAt(const QDateTime &createdAt)
{
    d->createdAt = createdAt;
}

QDateTime MDevice::updatedAt() const
{
    return d->updatedAt;
}

void MDevice::setUpdatedAt(const QDateTime &updatedAt)
{
    d->updatedAt = updatedAt;
}

qint64 MDevice::userId() const
{
    return d->userId;
}

void MDevice::setUserId(qint64 userId)
{
    d->userId = userId;
}
