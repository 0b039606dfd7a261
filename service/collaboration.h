#ifndef COLLABORATION_H
#define COLLABORATION_H

#include <QJsonObject>
#include <QString>

#include <optional>

// A file one user offers another through a conversation. Times are seconds since the epoch;
// 0 for what has not happened.
struct Collaboration
{
    QString token;
    qint64 senderId = 0;
    qint64 recipientId = 0;
    qint64 conversationId = 0;
    QString sourcePath;
    QJsonObject sourceObject;      // the file when it was sent
    QJsonObject destinationObject; // the recipient's copy; empty until accepted
    qint64 createdAt = 0;
    qint64 acceptedAt = 0;
    qint64 rejectedAt = 0;
    qint64 revokedAt = 0;
    QString uniqueIdentifier; // shared by the invitations of one send
    QString sourceProvider;   // the provider whose folder holds the file; empty: this store
    // Where the record stands in the store's sequence of changes; cursors compare it.
    qint64 change = 0;

    bool isPending() const { return acceptedAt == 0 && rejectedAt == 0 && revokedAt == 0; }
    // When it was accepted, rejected or revoked; 0 while pending.
    qint64 answeredAt() const;

    QJsonObject toStoredJson() const;
    static std::optional<Collaboration> fromStoredJson(const QJsonObject &json);
};

#endif // COLLABORATION_H
