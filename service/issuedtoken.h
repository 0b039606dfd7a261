#ifndef ISSUEDTOKEN_H
#define ISSUEDTOKEN_H

#include <QJsonObject>
#include <QString>

#include <optional>

// An access or refresh token handed to a user's client.
struct IssuedToken
{
    QString value;
    qint64 userId = 0;
    qint64 expiresAt = 0; // seconds since the epoch; 0: never

    bool isExpired(qint64 now) const { return expiresAt != 0 && now >= expiresAt; }

    QJsonObject toJson() const;
    static std::optional<IssuedToken> fromJson(const QJsonObject &json);
};

#endif // ISSUEDTOKEN_H
