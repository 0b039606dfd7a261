#include "museraccount.h"

#include "socialjson_p.h"

#include <limits>

class MUserAccountPrivate : public QSharedData
{
public:
    QString email;
    QString firstName;
    QString lastName;
    qint64 usedSize = 0;
    qint64 totalSize = 0;
    qint64 id = -1;
    QUrl avatarUrl;
    MConversation mainConversation;
    int onlineStatus = 0;
    QStringList linkedProviders;
};

// The value under key when the map holds one that is not JSON null.
static bool readGuarded(const QVariantMap &json, const QString &key, QVariant *value)
{
    const auto it = json.constFind(key);
    if (it == json.constEnd() || it->isNull())
        return false;
    *value = *it;
    return true;
}

MUserAccount::MUserAccount()
    : d(new MUserAccountPrivate)
{}

MUserAccount::MUserAccount(const QVariantMap &json)
    : d(new MUserAccountPrivate)
{
    d->email = json.value(QStringLiteral("email")).toString();
    d->firstName = json.value(QStringLiteral("first_name")).toString();
    d->lastName = json.value(QStringLiteral("last_name")).toString();
    d->usedSize = SocialJson::toInt64(json.value(QStringLiteral("used_size")), 0);
    d->totalSize = SocialJson::toInt64(json.value(QStringLiteral("total_size")), 0);

    // Some answers name the id "user_id"; "id" wins when both are there. An unreadable id
    // counts as no id, so that equality falls back to the e-mail.
    QVariant value;
    if (readGuarded(json, QStringLiteral("user_id"), &value))
        d->id = SocialJson::toInt64(value, d->id);
    if (readGuarded(json, QStringLiteral("id"), &value))
        d->id = SocialJson::toInt64(value, d->id);

    if (readGuarded(json, QStringLiteral("avatar"), &value)) {
        const QString url = value.toMap().value(QStringLiteral("url")).toString();
        d->avatarUrl = QUrl(url, QUrl::TolerantMode);
    }
    if (readGuarded(json, QStringLiteral("conversation"), &value))
        d->mainConversation = MConversation(value.toMap());
    if (readGuarded(json, QStringLiteral("online_status"), &value)) {
        const qint64 status = SocialJson::toInt64(value, d->onlineStatus);
        if (status >= std::numeric_limits<int>::min() && status <= std::numeric_limits<int>::max())
            d->onlineStatus = int(status);
    }
    if (readGuarded(json, QStringLiteral("linked_providers"), &value))
        d->linkedProviders = value.toStringList();
}

MUserAccount::MUserAccount(const MUserAccount &other) = default;
MUserAccount &MUserAccount::operator=(const MUserAccount &other) = default;
MUserAccount::~MUserAccount() = default;

QString MUserAccount::email() const
{
    return d->email;
}

QString MUserAccount::firstName() const
{
    return d->firstName;
}

QString MUserAccount::lastName() const
{
    return d->lastName;
}

qint64 MUserAccount::usedSize() const
{
    return d->usedSize;
}

qint64 MUserAccount::totalSize() const
{
    return d->totalSize;
}

qint64 MUserAccount::id() const
{
    return d->id;
}

QUrl MUserAccount::avatarUrl() const
{
    return d->avatarUrl;
}

MConversation MUserAccount::mainConversation() const
{
    return d->mainConversation;
}

void MUserAccount::setMainConversation(const MConversation &conversation)
{
    d->mainConversation = conversation;
}

int MUserAccount::onlineStatus() const
{
    return d->onlineStatus;
}

void MUserAccount::setOnlineStatus(int status)
{
    d->onlineStatus = status;
}

QStringList MUserAccount::linkedProviders() const
{
    return d->linkedProviders;
}

bool MUserAccount::operator==(const MUserAccount &other) const
{
    if (d->id != -1 && other.d->id != -1)
        return d->id == other.d->id;
    return d->email == other.d->email;
}
