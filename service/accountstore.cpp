#include "accountstore.h"

#include "deviceidentity.h"
#include "secrets.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

const char fileName[] = "accounts.json";
constexpr int secretBytes = 32;
constexpr qint64 accessTokenLifetime = 60 * 60;
// Expired access tokens stay listed for tests a day, then go, so that the file stays small.
constexpr qint64 expiredTokenRetention = 24 * 60 * 60;

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

template<typename T, typename FromJson>
bool readArray(const QJsonValue &value, std::vector<T> *records, FromJson fromJson)
{
    if (!value.isArray())
        return false;
    for (const QJsonValue &item : value.toArray()) {
        const std::optional<T> record = fromJson(item.toObject());
        if (!record)
            return false;
        records->push_back(*record);
    }
    return true;
}

template<typename T, typename ToJson>
QJsonArray toArray(const std::vector<T> &records, ToJson toJson)
{
    QJsonArray array;
    for (const T &record : records)
        array.append(toJson(record));
    return array;
}

} // namespace

AccountStore::AccountStore(const QString &dataPath)
    : filePath(QDir(dataPath).filePath(QLatin1String(fileName)))
{}

bool AccountStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    QFile file(filePath);
    if (!file.exists()) {
        UserAccount demo;
        demo.email = QStringLiteral("demo@kerlo.local");
        demo.firstName = QStringLiteral("Demo");
        demo.lastName = QStringLiteral("User");
        addUser(demo, QStringLiteral("lumarin-demo"));
        if (!save()) {
            *error = QStringLiteral("cannot write %1").arg(filePath);
            return false;
        }
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(filePath, file.errorString());
        return false;
    }
    if (!read(file.readAll(), error)) {
        *error = QStringLiteral("%1: %2").arg(filePath, *error);
        return false;
    }
    return true;
}

bool AccountStore::read(const QByteArray &data, QString *error)
{
    QJsonParseError parseError;
    const QJsonObject json = QJsonDocument::fromJson(data, &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return false;
    }
    if (!readArray(json.value(QLatin1String("users")), &users, &UserAccount::fromStoredJson) ||
        !readArray(json.value(QLatin1String("devices")), &devices, &Device::fromJson) ||
        !readArray(json.value(QLatin1String("access_tokens")), &accessTokens,
                   &IssuedToken::fromJson) ||
        !readArray(json.value(QLatin1String("refresh_tokens")), &refreshTokens,
                   &IssuedToken::fromJson)) {
        *error = QStringLiteral("a record is missing or incomplete");
        return false;
    }
    for (const UserAccount &user : users)
        nextUserId = std::max(nextUserId, user.id + 1);
    for (const Device &device : devices)
        nextDeviceId = std::max(nextDeviceId, device.id + 1);
    return true;
}

bool AccountStore::save() const
{
    const QJsonObject json{
        {QStringLiteral("users"), toArray(users, std::mem_fn(&UserAccount::toStoredJson))},
        {QStringLiteral("devices"), toArray(devices, std::mem_fn(&Device::toJson))},
        {QStringLiteral("access_tokens"), toArray(accessTokens, std::mem_fn(&IssuedToken::toJson))},
        {QStringLiteral("refresh_tokens"),
         toArray(refreshTokens, std::mem_fn(&IssuedToken::toJson))},
    };
    QSaveFile file(filePath);
    if (file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(json).toJson()) >= 0 &&
        file.commit())
        return true;
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(filePath),
                 qPrintable(file.errorString()));
    return false;
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
    save();
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
    const auto it = std::find_if(devices.begin(), devices.end(), [&](const Device &device) {
        return device.userId == userId && device.uuid == identity.uuid;
    });
    if (it != devices.end())
        return *it;
    Device device;
    device.id = nextDeviceId++;
    device.userId = userId;
    device.uuid = identity.uuid;
    device.name = identity.name;
    device.createdAt = now();
    device.updatedAt = device.createdAt;
    devices.push_back(device);
    return devices.back();
}

AccountStore::Grant AccountStore::issueAccessToken(qint64 userId, const QString &refreshToken)
{
    const qint64 issuedAt = now();
    accessTokens.erase(std::remove_if(accessTokens.begin(), accessTokens.end(),
                                      [issuedAt](const IssuedToken &token) {
                                          return token.expiresAt + expiredTokenRetention < issuedAt;
                                      }),
                       accessTokens.end());
    IssuedToken access;
    access.value = Secrets::randomHex(secretBytes);
    access.userId = userId;
    access.expiresAt = issuedAt + accessTokenLifetime;
    accessTokens.push_back(access);
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
    const Grant grant = issueAccessToken(user->id, refresh.value);
    save();
    return grant;
}

std::optional<AccountStore::Grant> AccountStore::grantForRefreshToken(const QString &refreshToken)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto refresh = std::find_if(
        refreshTokens.begin(), refreshTokens.end(),
        [&refreshToken](const IssuedToken &token) { return token.value == refreshToken; });
    if (refreshToken.isEmpty() || refresh == refreshTokens.end())
        return std::nullopt;
    const Grant grant = issueAccessToken(refresh->userId, refresh->value);
    save();
    return grant;
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
    const size_t known = devices.size();
    const Device device = findOrAddDevice(userId, identity);
    if (devices.size() != known)
        save();
    return device;
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
    save();
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
    if (!found || bytes == 0)
        return;
    found->usedSize += bytes;
    save();
}

bool AccountStore::expireAccessTokens(const QString &email)
{
    std::lock_guard<std::mutex> lock(mutex);
    const std::optional<qint64> userId = selectUser(email);
    if (!userId)
        return false;
    const qint64 expiry = now();
    for (IssuedToken &token : accessTokens) {
        if ((*userId == 0 || token.userId == *userId) && !token.isExpired(expiry))
            token.expiresAt = expiry;
    }
    save();
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
    save();
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
