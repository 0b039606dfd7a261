#include "useraccount.h"

#include "secrets.h"

#include <QJsonArray>

namespace {

constexpr int saltBytes = 16;

} // namespace

void UserAccount::setPassword(const QString &password)
{
    salt = Secrets::randomHex(saltBytes);
    passwordHash = Secrets::passwordHash(salt, password);
}

bool UserAccount::hasPassword(const QString &password) const
{
    return Secrets::passwordHash(salt, password) == passwordHash;
}

QJsonObject UserAccount::toReplyJson() const
{
    return {
        {QStringLiteral("id"), id},
        {QStringLiteral("email"), email},
        {QStringLiteral("first_name"), firstName},
        {QStringLiteral("last_name"), lastName},
        {QStringLiteral("used_size"), usedSize},
        {QStringLiteral("total_size"), totalSize},
        {QStringLiteral("avatar"), QJsonObject{{QStringLiteral("url"), avatarUrl}}},
        // Conversations do not exist yet.
        {QStringLiteral("conversation"), QJsonValue::Null},
        {QStringLiteral("online_status"), onlineStatus},
        {QStringLiteral("linked_providers"), QJsonArray::fromStringList(linkedProviders)},
    };
}

QJsonObject UserAccount::toStoredJson() const
{
    return {
        {QStringLiteral("id"), id},
        {QStringLiteral("email"), email},
        {QStringLiteral("salt"), salt},
        {QStringLiteral("password_hash"), passwordHash},
        {QStringLiteral("first_name"), firstName},
        {QStringLiteral("last_name"), lastName},
        {QStringLiteral("used_size"), usedSize},
        {QStringLiteral("total_size"), totalSize},
        {QStringLiteral("avatar_url"), avatarUrl},
        {QStringLiteral("online_status"), onlineStatus},
        {QStringLiteral("api_key"), apiKey},
        {QStringLiteral("linked_providers"), QJsonArray::fromStringList(linkedProviders)},
    };
}

std::optional<UserAccount> UserAccount::fromStoredJson(const QJsonObject &json)
{
    UserAccount user;
    user.id = qint64(json.value(QLatin1String("id")).toDouble());
    user.email = json.value(QLatin1String("email")).toString();
    user.salt = json.value(QLatin1String("salt")).toString();
    user.passwordHash = json.value(QLatin1String("password_hash")).toString();
    user.firstName = json.value(QLatin1String("first_name")).toString();
    user.lastName = json.value(QLatin1String("last_name")).toString();
    user.usedSize = qint64(json.value(QLatin1String("used_size")).toDouble());
    user.totalSize = qint64(json.value(QLatin1String("total_size")).toDouble());
    user.avatarUrl = json.value(QLatin1String("avatar_url")).toString();
    user.onlineStatus = json.value(QLatin1String("online_status")).toInt();
    user.apiKey = json.value(QLatin1String("api_key")).toString();
    for (const QJsonValue &provider : json.value(QLatin1String("linked_providers")).toArray())
        user.linkedProviders.append(provider.toString());
    if (user.id <= 0 || user.email.isEmpty() || user.passwordHash.isEmpty() ||
        user.apiKey.isEmpty())
        return std::nullopt;
    return user;
}
