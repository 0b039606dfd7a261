#include "conversation.h"

#include <QJsonArray>

#include <algorithm>

bool Conversation::hasMember(qint64 userId) const
{
    return std::binary_search(userIds.begin(), userIds.end(), userId);
}

bool Conversation::hadMember(qint64 userId) const
{
    return std::binary_search(formerUserIds.begin(), formerUserIds.end(), userId);
}

QJsonObject Conversation::toStoredJson() const
{
    QJsonArray users;
    for (const qint64 userId : userIds)
        users.append(userId);
    QJsonArray former;
    for (const qint64 userId : formerUserIds)
        former.append(userId);
    return {{QStringLiteral("id"), id},
            {QStringLiteral("created_at"), createdAt},
            {QStringLiteral("updated_at"), updatedAt},
            {QStringLiteral("token"), token},
            {QStringLiteral("name"), name},
            {QStringLiteral("user_ids"), users},
            {QStringLiteral("former_user_ids"), former},
            {QStringLiteral("main"), main}};
}

std::optional<Conversation> Conversation::fromStoredJson(const QJsonObject &json)
{
    Conversation conversation;
    conversation.id = qint64(json.value(QLatin1String("id")).toDouble());
    conversation.createdAt = qint64(json.value(QLatin1String("created_at")).toDouble());
    conversation.updatedAt = qint64(json.value(QLatin1String("updated_at")).toDouble());
    conversation.token = json.value(QLatin1String("token")).toString();
    conversation.name = json.value(QLatin1String("name")).toString();
    conversation.main = json.value(QLatin1String("main")).toBool();
    for (const QJsonValue &userId : json.value(QLatin1String("user_ids")).toArray())
        conversation.userIds.push_back(qint64(userId.toDouble()));
    std::sort(conversation.userIds.begin(), conversation.userIds.end());
    for (const QJsonValue &userId : json.value(QLatin1String("former_user_ids")).toArray())
        conversation.formerUserIds.push_back(qint64(userId.toDouble()));
    std::sort(conversation.formerUserIds.begin(), conversation.formerUserIds.end());
    if (conversation.id <= 0 || conversation.userIds.empty())
        return std::nullopt;
    return conversation;
}
