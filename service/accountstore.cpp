#include "accountstore.h"

#include "deviceidentity.h"
#include "secrets.h"
#include "servicedatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <utility>

namespace {

constexpr int secretBytes = 32;
constexpr qint64 accessTokenLifetime = 60 * 60;
// Expired access tokens stay listed for tests a day, then go, so that the table stays small.
constexpr qint64 expiredTokenRetention = 24 * 60 * 60;
// How stale a device's "updated_at" may get before a request refreshes it; it orders the
// devices for eviction, and refreshing it on every request would write on every request.
constexpr qint64 deviceTouchInterval = 60;

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

QString compact(const QJsonObject &json)
{
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

QJsonObject parsed(const QSqlQuery &row, int column)
{
    return QJsonDocument::fromJson(row.value(column).toString().toUtf8()).object();
}

} // namespace

AccountStore::AccountStore(ServiceDatabase &database)
    : database(database)
{}

bool AccountStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!read(error))
        return false;
    if (!users.empty() || !database.isNew())
        return true;
    UserAccount demo;
    demo.email = QStringLiteral("demo@kerlo.local");
    demo.firstName = QStringLiteral("Demo");
    demo.lastName = QStringLiteral("User");
    if (!writeUser(addUser(demo, QStringLiteral("lumarin-demo")))) {
        *error = QStringLiteral("cannot store the demo account");
        return false;
    }
    return true;
}

bool AccountStore::read(QString *error)
{
    bool complete = true;
    const bool read =
        database.exec(QStringLiteral("SELECT record, used_size FROM users ORDER BY id"), {},
                      [&](const QSqlQuery &row) {
                          std::optional<UserAccount> user =
                              UserAccount::fromStoredJson(parsed(row, 0));
                          complete = complete && user;
                          if (user) {
                              user->usedSize = row.value(1).toLongLong();
                              users.push_back(*user);
                          }
                      }) &&
        database.exec(QStringLiteral("SELECT record FROM devices ORDER BY id"), {},
                      [&](const QSqlQuery &row) {
                          const std::optional<Device> device = Device::fromJson(parsed(row, 0));
                          complete = complete && device;
                          if (device)
                              devices.push_back(*device);
                      }) &&
        database.exec(
            QStringLiteral("SELECT value, user_id, expires_at, refresh FROM tokens ORDER BY rowid"),
            {}, [&](const QSqlQuery &row) {
                IssuedToken token;
                token.value = row.value(0).toString();
                token.userId = row.value(1).toLongLong();
                token.expiresAt = row.value(2).toLongLong();
                (row.value(3).toBool() ? refreshTokens : accessTokens).push_back(token);
            });
    if (!read || !complete) {
        *error = QStringLiteral("the accounts in the database are damaged");
        return false;
    }
    for (const UserAccount &user : users)
        nextUserId = std::max(nextUserId, user.id + 1);
    for (const Device &device : devices)
        nextDeviceId = std::max(nextDeviceId, device.id + 1);
    return true;
}

bool AccountStore::writeUser(const UserAccount &user) const
{
    // The used size has its own column, which the object store adds to in its transactions.
    return database.exec(
        QStringLiteral("INSERT INTO users(id, email, used_size, record) VALUES(?, ?, ?, ?) "
                       "ON CONFLICT(id) DO UPDATE SET email = excluded.email, "
                       "record = excluded.record"),
        {user.id, user.email, user.usedSize, compact(user.toStoredJson())});
}

bool AccountStore::writeDevice(const Device &device) const
{
    return database.exec(QStringLiteral("INSERT OR REPLACE INTO devices(id, user_id, uuid, record) "
                                        "VALUES(?, ?, ?, ?)"),
                         {device.id, device.userId, device.uuid, compact(device.toJson())});
}

bool AccountStore::writeToken(const IssuedToken &token, bool refresh) const
{
    return database.exec(QStringLiteral("INSERT OR REPLACE INTO tokens(value, refresh, user_id, "
                                        "expires_at) VALUES(?, ?, ?, ?)"),
                         {token.value, refresh, token.userId, token.expiresAt});
}

bool AccountStore::writeUsedSize(ServiceDatabase &database, qint64 userId, qint64 bytes)
{
    return database.exec(QStringLiteral("UPDATE users SET used_size = used_size + ? WHERE id = ?"),
                         {bytes, userId});
}

UserAccount &AccountStore::addUser(UserAccount user, const QString &password)
{
    user.id = nextUserId++;
    user.setPassword(password);
    user.apiKey = Secrets::randomHex(secretBytes);
    users.push_back(user);
    return users.back();
}

const UserAccount *AccountStore::findUser(const QString &email) const
{
    // E-mail addresses are told apart regardless of case, as people type them either way.
    const auto it = std::find_if(users.begin(), users.end(), [&email](const UserAccount &user) {
        return user.email.compare(email, Qt::CaseInsensitive) == 0;
    });
    return it == users.end() ? nullptr : &*it;
}

const UserAccount *AccountStore::findUser(qint64 id) const
{
    const auto it = std::find_if(users.begin(), users.end(),
                                 [id](const UserAccount &user) { return user.id == id; });
    return it == users.end() ? nullptr : &*it;
}

UserAccount *AccountStore::findUser(qint64 id)
{
    return const_cast<UserAccount *>(std::as_const(*this).findUser(id));
}

std::optional<qint64> AccountStore::selectUser(const QString &email) const
{
    if (email.isNull())
        return 0;
    const UserAccount *user = findUser(email);
    if (!user)
        return std::nullopt;
    return user->id;
}

std::optional<UserAccount> AccountStore::createUser(UserAccount user, const QString &password)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (findUser(user.email))
        return std::nullopt;
    const UserAccount created = addUser(user, password);
    if (!writeUser(created)) {
        users.pop_back();
        return std::nullopt;
    }
    return created;
}

std::optional<QString> AccountStore::apiKey(const QString &email, const QString &password) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const UserAccount *user = findUser(email);
    if (!user || !user->hasPassword(password))
        return std::nullopt;
    return user->apiKey;
}

Device &AccountStore::findOrAddDevice(qint64 userId, const DeviceIdentity &identity)
{
    const qint64 time = now();
    const auto it = std::find_if(devices.begin(), devices.end(), [&](const Device &device) {
        return device.userId == userId && device.uuid == identity.uuid;
    });
    if (it != devices.end()) {
        if (time - it->updatedAt >= deviceTouchInterval) {
            it->updatedAt = time;
            writeDevice(*it);
        }
        return *it;
    }
    // Every new user-agent uuid is a device: without a bound, a client that draws a new one
    // per start (or a hostile one per request) grows the list for ever.
    std::vector<Device>::iterator oldest = devices.end();
    int owned = 0;
    for (auto candidate = devices.begin(); candidate != devices.end(); ++candidate) {
        if (candidate->userId != userId)
            continue;
        ++owned;
        if (oldest == devices.end() || candidate->updatedAt < oldest->updatedAt)
            oldest = candidate;
    }
    if (owned >= maxDevicesPerUser) {
        database.exec(QStringLiteral("DELETE FROM devices WHERE id = ?"), {oldest->id});
        devices.erase(oldest);
    }
    Device device;
    device.id = nextDeviceId++;
    device.userId = userId;
    device.uuid = identity.uuid;
    device.name = identity.name;
    device.createdAt = time;
    device.updatedAt = device.createdAt;
    devices.push_back(device);
    writeDevice(device);
    return devices.back();
}

AccountStore::Grant AccountStore::issueAccessToken(qint64 userId, const QString &refreshToken)
{
    const qint64 issuedAt = now();
    const qint64 forgetBefore = issuedAt - expiredTokenRetention;
    accessTokens.erase(std::remove_if(accessTokens.begin(), accessTokens.end(),
                                      [forgetBefore](const IssuedToken &token) {
                                          return token.expiresAt < forgetBefore;
                                      }),
                       accessTokens.end());
    database.exec(QStringLiteral("DELETE FROM tokens WHERE refresh = 0 AND expires_at < ?"),
                  {forgetBefore});
    IssuedToken access;
    access.value = Secrets::randomHex(secretBytes);
    access.userId = userId;
    access.expiresAt = issuedAt + accessTokenLifetime;
    accessTokens.push_back(access);
    writeToken(access, false);
    return {access.value, refreshToken, accessTokenLifetime};
}

std::optional<AccountStore::Grant> AccountStore::grantForApiKey(const QString &apiKey,
                                                                const DeviceIdentity &identity)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto user = std::find_if(users.begin(), users.end(),
                                   [&apiKey](const UserAccount &u) { return u.apiKey == apiKey; });
    if (apiKey.isEmpty() || user == users.end())
        return std::nullopt;
    findOrAddDevice(user->id, identity);
    IssuedToken refresh;
    refresh.value = Secrets::randomHex(secretBytes);
    refresh.userId = user->id;
    refreshTokens.push_back(refresh);
    writeToken(refresh, true);
    return issueAccessToken(user->id, refresh.value);
}

std::optional<AccountStore::Grant> AccountStore::grantForRefreshToken(const QString &refreshToken)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto refresh = std::find_if(
        refreshTokens.begin(), refreshTokens.end(),
        [&refreshToken](const IssuedToken &token) { return token.value == refreshToken; });
    if (refreshToken.isEmpty() || refresh == refreshTokens.end())
        return std::nullopt;
    return issueAccessToken(refresh->userId, refresh->value);
}

std::optional<UserAccount> AccountStore::userFor(const QString &accessToken,
                                                 const QString &apiKey) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto access = std::find_if(
        accessTokens.begin(), accessTokens.end(),
        [&accessToken](const IssuedToken &token) { return token.value == accessToken; });
    if (accessToken.isEmpty() || access == accessTokens.end() || access->isExpired(now()))
        return std::nullopt;
    const UserAccount *user = findUser(access->userId);
    if (!user || user->apiKey != apiKey)
        return std::nullopt;
    return *user;
}

Device AccountStore::device(qint64 userId, const DeviceIdentity &identity)
{
    std::lock_guard<std::mutex> lock(mutex);
    return findOrAddDevice(userId, identity);
}

std::vector<Device> AccountStore::devicesOf(qint64 userId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Device> owned;
    std::copy_if(devices.begin(), devices.end(), std::back_inserter(owned),
                 [userId](const Device &device) { return device.userId == userId; });
    std::sort(owned.begin(), owned.end(), [](const Device &a, const Device &b) {
        return a.updatedAt != b.updatedAt ? a.updatedAt > b.updatedAt : a.id > b.id;
    });
    return owned;
}

std::optional<UserAccount> AccountStore::user(const QString &email) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const UserAccount *found = findUser(email);
    return found ? std::optional<UserAccount>(*found) : std::nullopt;
}

std::optional<UserAccount> AccountStore::user(qint64 id) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const UserAccount *found = findUser(id);
    return found ? std::optional<UserAccount>(*found) : std::nullopt;
}

std::vector<UserAccount> AccountStore::allUsers() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return users;
}

bool AccountStore::updateUser(qint64 id, const std::function<void(UserAccount &)> &change)
{
    std::lock_guard<std::mutex> lock(mutex);
    UserAccount *found = findUser(id);
    if (!found)
        return false;
    change(*found);
    writeUser(*found);
    return true;
}

bool AccountStore::hasRoom(qint64 userId, qint64 bytes) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const UserAccount *found = findUser(userId);
    return found && (bytes <= 0 || found->usedSize + bytes <= found->totalSize);
}

void AccountStore::addUsedSize(qint64 userId, qint64 bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    UserAccount *found = findUser(userId);
    if (found)
        found->usedSize += bytes;
}

bool AccountStore::expireAccessTokens(const QString &email)
{
    std::lock_guard<std::mutex> lock(mutex);
    const std::optional<qint64> userId = selectUser(email);
    if (!userId)
        return false;
    const qint64 expiry = now();
    for (IssuedToken &token : accessTokens) {
        if ((*userId == 0 || token.userId == *userId) && !token.isExpired(expiry)) {
            token.expiresAt = expiry;
            writeToken(token, false);
        }
    }
    return true;
}

bool AccountStore::revokeRefreshTokens(const QString &email)
{
    std::lock_guard<std::mutex> lock(mutex);
    const std::optional<qint64> userId = selectUser(email);
    if (!userId)
        return false;
    refreshTokens.erase(std::remove_if(refreshTokens.begin(), refreshTokens.end(),
                                       [&userId](const IssuedToken &token) {
                                           return *userId == 0 || token.userId == *userId;
                                       }),
                        refreshTokens.end());
    if (*userId == 0)
        database.exec(QStringLiteral("DELETE FROM tokens WHERE refresh = 1"));
    else
        database.exec(QStringLiteral("DELETE FROM tokens WHERE refresh = 1 AND user_id = ?"),
                      {*userId});
    return true;
}

QJsonObject AccountStore::tokensJson() const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto valuesOf = [](const std::vector<IssuedToken> &tokens, qint64 userId) {
        QJsonArray values;
        for (const IssuedToken &token : tokens) {
            if (token.userId == userId)
                values.append(token.value);
        }
        return values;
    };
    QJsonObject result;
    for (const UserAccount &user : users) {
        result.insert(user.email,
                      QJsonObject{
                          {QStringLiteral("api_key"), user.apiKey},
                          {QStringLiteral("access_tokens"), valuesOf(accessTokens, user.id)},
                          {QStringLiteral("refresh_tokens"), valuesOf(refreshTokens, user.id)},
                      });
    }
    return result;
}
