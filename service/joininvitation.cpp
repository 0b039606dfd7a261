#include "joininvitation.h"

QJsonObject JoinInvitation::toStoredJson() const
{
    return {{QStringLiteral("id"), id},
            {QStringLiteral("sender_id"), senderId},
            {QStringLiteral("recipient_id"), recipientId},
            {QStringLiteral("created_at"), createdAt},
            {QStringLiteral("accepted_at"), acceptedAt},
            {QStringLiteral("rejected_at"), rejectedAt}};
}

std::optional<JoinInvitation> JoinInvitation::fromStoredJson(const QJsonObject &json)
{
    const auto number = [&json](const char *key) {
        return qint64(json.value(QLatin1String(key)).toDouble());
    };
    JoinInvitation invitation;
    invitation.id = number("id");
    invitation.senderId = number("sender_id");
    invitation.recipientId = number("recipient_id");
    invitation.createdAt = number("created_at");
    invitation.acceptedAt = number("accepted_at");
    invitation.rejectedAt = number("rejected_at");
    if (invitation.id <= 0 || invitation.senderId <= 0 || invitation.recipientId <= 0)
        return std::nullopt;
    return invitation;
}
