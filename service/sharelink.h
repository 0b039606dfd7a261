#ifndef SHARELINK_H
#define SHARELINK_H

#include <QJsonObject>
#include <QString>

#include <optional>

// A public link to one file or folder of a user's store.
struct ShareLink
{
    QString token;
    qint64 userId = 0;
    QString path;
    qint64 visitCount = 0;
    bool isPublic = true;
    qint64 expiresIn = 0; // hours after createdAt
    qint64 createdAt = 0; // seconds since the epoch
    qint64 updatedAt = 0;
    qint64 revokedAt = 0; // 0: not revoked

    bool isActive(qint64 now) const;

    // The "share" object of the API. The link is given both as "public_uri" and as
    // "public_url", the two names clients read it by.
    QJsonObject toReplyJson(const QString &publicUrl) const;
    QJsonObject toStoredJson() const;
    static std::optional<ShareLink> fromStoredJson(const QJsonObject &json);
};

#endif // SHARELINK_H
