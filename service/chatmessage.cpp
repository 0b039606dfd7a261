#include "chatmessage.h"

QJsonObject ChatMessage::toStoredJson() const
{
    return {{QStringLiteral("id"), id},
            {QStringLiteral("conversation_id"), conversationId},
            {QStringLiteral("sender_id"), senderId},
            {QStringLiteral("body"), body},
            {QStringLiteral("created_at"), createdAt},
            {QStringLiteral("sent_at"), sentAt}};
}

std::optional<ChatMessage> ChatMessage::fromStoredJson(const QJsonObject &json)
{
    ChatMessage message;
    message.id = qint64(json.value(QLatin1String("id")).toDouble());
    message.conversationId = qint64(json.value(QLatin1String("conversation_id")).toDouble());
    message.senderId = qint64(json.value(QLatin1String("sender_id")).toDouble());
    message.body = json.value(QLatin1String("body")).toString();
    message.createdAt = qint64(json.value(QLatin1String("created_at")).toDouble());
    message.sentAt = json.value(QLatin1String("sent_at")).toString();
    if (message.id <= 0 || message.conversationId <= 0 || message.senderId <= 0)
        return std::nullopt;
    return message;
}
