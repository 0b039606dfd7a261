#ifndef CONVERSATION_H
#define CONVERSATION_H

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// A chat between users: the main one of two contacts, or a group. Times are seconds since
// the epoch.
struct Conversation
{
    qint64 id = 0;
    qint64 createdAt = 0;
    qint64 updatedAt = 0;
    QString token;
    QString name;
    std::vector<qint64> userIds;       // ascending
    std::vector<qint64> formerUserIds; // taken out of the group, ascending
    bool main = false;

    bool hasMember(qint64 userId) const;
    bool hadMember(qint64 userId) const;

    QJsonObject toStoredJson() const;
    static std::optional<Conversation> fromStoredJson(const QJsonObject &json);
};

#endif // CONVERSATION_H
