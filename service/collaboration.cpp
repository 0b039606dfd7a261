#include "collaboration.h"

#include <algorithm>

qint64 Collaboration::answeredAt() const
{
    return std::max({acceptedAt, rejectedAt, revokedAt});
}

QJsonObject Collaboration::toStoredJson() const
{
    return {{QStringLiteral("token"), token},
            {QStringLiteral("sender_id"), senderId},
            {QStringLiteral("recipient_id"), recipientId},
            {QStringLiteral("conversation_id"), conversationId},
            {QStringLiteral("source_path"), sourcePath},
            {QStringLiteral("source_object"), sourceObject},
            {QStringLiteral("destination_object"), destinationObject},
            {QStringLiteral("created_at"), createdAt},
            {QStringLiteral("accepted_at"), acceptedAt},
            {QStringLiteral("rejected_at"), rejectedAt},
            {QStringLiteral("revoked_at"), revokedAt},
            {QStringLiteral("unique_identifier"), uniqueIdentifier},
            {QStringLiteral("source_provider"), sourceProvider},
            {QStringLiteral("change"), change}};
}

std::optional<Collaboration> Collaboration::fromStoredJson(const QJsonObject &json)
{
    const auto number = [&json](const char *key) {
        return qint64(json.value(QLatin1String(key)).toDouble());
    };
    Collaboration record;
    record.token = json.value(QLatin1String("token")).toString();
    record.senderId = number("sender_id");
    record.recipientId = number("recipient_id");
    record.conversationId = number("conversation_id");
    record.sourcePath = json.value(QLatin1String("source_path")).toString();
    record.sourceObject = json.value(QLatin1String("source_object")).toObject();
    record.destinationObject = json.value(QLatin1String("destination_object")).toObject();
    record.createdAt = number("created_at");
    record.acceptedAt = number("accepted_at");
    record.rejectedAt = number("rejected_at");
    record.revokedAt = number("revoked_at");
    record.uniqueIdentifier = json.value(QLatin1String("unique_identifier")).toString();
    record.sourceProvider = json.value(QLatin1String("source_provider")).toString();
    record.change = number("change");
    if (record.token.isEmpty() || record.senderId <= 0 || record.recipientId <= 0 ||
        record.sourcePath.isEmpty())
        return std::nullopt;
    return record;
}
