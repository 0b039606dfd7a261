#include "issuedtoken.h"

QJsonObject IssuedToken::toJson() const
{
    return {
        {QStringLiteral("value"), value},
        {QStringLiteral("user_id"), userId},
        {QStringLiteral("expires_at"), expiresAt},
    };
}

std::optional<IssuedToken> IssuedToken::fromJson(const QJsonObject &json)
{
    IssuedToken token;
    token.value = json.value(QLatin1String("value")).toString();
    token.userId = qint64(json.value(QLatin1String("user_id")).toDouble());
    token.expiresAt = qint64(json.value(QLatin1String("expires_at")).toDouble());
    if (token.value.isEmpty() || token.userId <= 0)
        return std::nullopt;
    return token;
}
