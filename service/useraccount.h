#ifndef USERACCOUNT_H
#define USERACCOUNT_H

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// One account of the service, as kept in the account store.
struct UserAccount
{
    qint64 id = 0;
    QString email;
    QString salt;
    QString passwordHash;
    QString firstName;
    QString lastName;
    qint64 usedSize = 0;
    qint64 totalSize = qint64(5) << 30; // a new account's quota
    QString avatarUrl;
    int onlineStatus = 0;
    QString apiKey;
    // Other providers whose folders the user linked ("dropbox"): files sent from them name
    // the provider.
    QStringList linkedProviders;

    void setPassword(const QString &password); // with a fresh salt
    bool hasPassword(const QString &password) const;

    // The "user" object of the API: no password hash, no key.
    QJsonObject toReplyJson() const;
    QJsonObject toStoredJson() const;
    static std::optional<UserAccount> fromStoredJson(const QJsonObject &json);
};

#endif // USERACCOUNT_H
