#include "sharelink.h"

#include <QDateTime>
#include <QJsonValue>

namespace {

constexpr qint64 secondsPerHour = 60 * 60;

QJsonValue isoDate(qint64 seconds)
{
    if (seconds == 0)
        return QJsonValue::Null;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

qint64 number(const QJsonObject &json, const char *key)
{
    return qint64(json.value(QLatin1String(key)).toDouble());
}

} // namespace

bool ShareLink::isActive(qint64 now) const
{
    return revokedAt == 0 && now < createdAt + expiresIn * secondsPerHour;
}

QJsonObject ShareLink::toReplyJson(const QString &publicUrl) const
{
    return {
        {QStringLiteral("path"), path},
        {QStringLiteral("token"), token},
        {QStringLiteral("visit_count"), visitCount},
        {QStringLiteral("public"), isPublic},
        {QStringLiteral("expires_in"), expiresIn},
        {QStringLiteral("created_at"), isoDate(createdAt)},
        {QStringLiteral("updated_at"), isoDate(updatedAt)},
        {QStringLiteral("revoked_at"), isoDate(revokedAt)},
        {QStringLiteral("public_uri"), publicUrl},
        {QStringLiteral("public_url"), publicUrl},
    };
}

QJsonObject ShareLink::toStoredJson() const
{
    return {
        {QStringLiteral("token"), token},
        {QStringLiteral("user_id"), userId},
        {QStringLiteral("path"), path},
        {QStringLiteral("visit_count"), visitCount},
        {QStringLiteral("public"), isPublic},
        {QStringLiteral("expires_in"), expiresIn},
        {QStringLiteral("created_at"), createdAt},
        {QStringLiteral("updated_at"), updatedAt},
        {QStringLiteral("revoked_at"), revokedAt},
    };
}

std::optional<ShareLink> ShareLink::fromStoredJson(const QJsonObject &json)
{
    ShareLink link;
    link.token = json.value(QLatin1String("token")).toString();
    link.userId = number(json, "user_id");
    link.path = json.value(QLatin1String("path")).toString();
    link.visitCount = number(json, "visit_count");
    link.isPublic = json.value(QLatin1String("public")).toBool();
    link.expiresIn = number(json, "expires_in");
    link.createdAt = number(json, "created_at");
    link.updatedAt = number(json, "updated_at");
    link.revokedAt = number(json, "revoked_at");
    if (link.token.isEmpty() || link.userId <= 0 || link.path.isEmpty())
        return std::nullopt;
    return link;
}
