#ifndef ACCOUNTSTORE_H
#define ACCOUNTSTORE_H

#include "device.h"
#include "issuedtoken.h"
#include "useraccount.h"

#include <QJsonObject>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

struct DeviceIdentity;
class ServiceDatabase;

// Users, their API keys, tokens and devices, kept in the database and in memory; each change
// writes only its own rows. A user keeps a bounded number of devices: a new one replaces
// the one seen least recently. Shared by all worker threads.
class AccountStore
{
public:
    struct Grant
    {
        QString accessToken;
        QString refreshToken;
        qint64 expiresIn = 0; // seconds
    };

    explicit AccountStore(ServiceDatabase &database);
    static constexpr int maxDevicesPerUser = 20;

    // Reads the store; on the first start, creates it with the demo account.
    bool load(QString *error);

    // Fills in id and API key. nullopt when the e-mail is taken.
    std::optional<UserAccount> createUser(UserAccount user, const QString &password);
    std::optional<QString> apiKey(const QString &email, const QString &password) const;
    // New tokens for the key's user; the device is registered on the way.
    std::optional<Grant> grantForApiKey(const QString &apiKey, const DeviceIdentity &identity);
    // A new access token; the refresh token stays valid.
    std::optional<Grant> grantForRefreshToken(const QString &refreshToken);
    // The user both credentials belong to, while the access token is live.
    std::optional<UserAccount> userFor(const QString &accessToken, const QString &apiKey) const;
    // The user's device with this identity, created when it is new.
    Device device(qint64 userId, const DeviceIdentity &identity);
    // The user's devices, the one seen most recently first.
    std::vector<Device> devicesOf(qint64 userId) const;
    std::optional<UserAccount> user(const QString &email) const;
    std::optional<UserAccount> user(qint64 id) const;
    std::vector<UserAccount> allUsers() const;
    // Applies change to the user with that id and stores the result; false when there is
    // no such user.
    bool updateUser(qint64 id, const std::function<void(UserAccount &)> &change);

    // Whether the user's quota leaves room for bytes more.
    bool hasRoom(qint64 userId, qint64 bytes) const;
    // Adds bytes (negative: frees them) to what the user's files take, once the caller's
    // transaction has committed writeUsedSize.
    void addUsedSize(qint64 userId, qint64 bytes);
    static bool writeUsedSize(ServiceDatabase &database, qint64 userId, qint64 bytes);

    // email null: every user's. false when no user has that e-mail.
    bool expireAccessTokens(const QString &email);
    bool revokeRefreshTokens(const QString &email);
    // Per e-mail: "api_key", and "access_tokens" and "refresh_tokens" oldest first.
    QJsonObject tokensJson() const;

private:
    UserAccount &addUser(UserAccount user, const QString &password);
    const UserAccount *findUser(const QString &email) const;
    const UserAccount *findUser(qint64 id) const;
    UserAccount *findUser(qint64 id);
    // The user id an e-mail filter selects, 0 for all; nullopt when the e-mail is unknown.
    std::optional<qint64> selectUser(const QString &email) const;
    Device &findOrAddDevice(qint64 userId, const DeviceIdentity &identity);
    Grant issueAccessToken(qint64 userId, const QString &refreshToken);
    bool read(QString *error);
    // Each writes its rows; a failure is reported on stderr.
    bool writeUser(const UserAccount &user) const;
    bool writeDevice(const Device &device) const;
    bool writeToken(const IssuedToken &token, bool refresh) const;

    ServiceDatabase &database;
    mutable std::mutex mutex;
    std::vector<UserAccount> users;
    std::vector<Device> devices;
    std::vector<IssuedToken> accessTokens;
    std::vector<IssuedToken> refreshTokens;
    qint64 nextUserId = 1;
    qint64 nextDeviceId = 1;
};

#endif // ACCOUNTSTORE_H
