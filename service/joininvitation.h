#ifndef JOININVITATION_H
#define JOININVITATION_H

#include <QJsonObject>

#include <optional>

// One user's request to become another's contact. Times are seconds since the epoch; 0 for
// what has not happened.
struct JoinInvitation
{
    qint64 id = 0;
    qint64 senderId = 0;
    qint64 recipientId = 0;
    qint64 createdAt = 0;
    qint64 acceptedAt = 0;
    qint64 rejectedAt = 0;

    bool isPending() const { return acceptedAt == 0 && rejectedAt == 0; }

    QJsonObject toStoredJson() const;
    static std::optional<JoinInvitation> fromStoredJson(const QJsonObject &json);
};

#endif // JOININVITATION_H
