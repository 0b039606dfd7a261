#ifndef CHATMESSAGE_H
#define CHATMESSAGE_H

#include <QJsonObject>
#include <QString>

#include <optional>

// One message of a conversation. createdAt is whole seconds, which the news poll's cursors
// count in; sentAt is the sender's ISO 8601 text, echoed back unchanged.
struct ChatMessage
{
    qint64 id = 0;
    qint64 conversationId = 0;
    qint64 senderId = 0;
    QString body;
    qint64 createdAt = 0;
    QString sentAt;

    QJsonObject toStoredJson() const;
    static std::optional<ChatMessage> fromStoredJson(const QJsonObject &json);
};

#endif // CHATMESSAGE_H
