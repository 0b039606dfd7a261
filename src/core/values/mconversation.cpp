#include "mconversation.h"

#include "museraccount.h"
#include "socialjson_p.h"

class MConversationPrivate : public QSharedData
{
public:
    qint64 id = 0;
    QString token;
    QDateTime createdAt;
    QDateTime updatedAt;
    QString name;
    QList<MUserAccount> users;
    bool main = false;
    bool group = false;
};

MConversation::MConversation()
    : d(new MConversationPrivate)
{}

MConversation::MConversation(const QVariantMap &json)
    : d(new MConversationPrivate)
{
    // Read as 64 bits: the id goes into request paths and poll keys, so a wrapped id would
    // address another conversation.
    d->id = SocialJson::toInt64(json.value(QStringLiteral("id")), 0);
    d->createdAt = SocialJson::toDate(json.value(QStringLiteral("created_at")));
    d->updatedAt = SocialJson::toDate(json.value(QStringLiteral("updated_at")));
    d->token = json.value(QStringLiteral("token")).toString();

    const auto name = json.constFind(QStringLiteral("name"));
    if (name != json.constEnd())
        d->name = name->toString();

    // An object keyed by account; QVariantMap keeps its members in key order.
    const auto users = json.constFind(QStringLiteral("users"));
    if (users != json.constEnd()) {
        const QVariantMap members = users->toMap();
        for (const QVariant &member : members)
            d->users.append(MUserAccount(member.toMap()));
    }

    const auto main = json.constFind(QStringLiteral("main"));
    if (main != json.constEnd())
        d->main = main->toBool();

    const auto group = json.constFind(QStringLiteral("group"));
    if (group != json.constEnd())
        d->group = group->toBool();
}

MConversation::MConversation(const MConversation &other) = default;
MConversation &MConversation::operator=(const MConversation &other) = default;
MConversation::~MConversation() = default;

qint64 MConversation::identifier() const
{
    return d->id;
}

QString MConversation::token() const
{
    return d->token;
}

QDateTime MConversation::createdAt() const
{
    return d->createdAt;
}

QDateTime MConversation::updatedAt() const
{
    return d->updatedAt;
}

QString MConversation::name() const
{
    return d->name;
}

void MConversation::setName(const QString &name)
{
    d->name = name;
}

QList<MUserAccount> MConversation::participants() const
{
    return d->users;
}

void MConversation::setParticipants(const QList<MUserAccount> &participants)
{
    d->users = participants;
}

bool MConversation::isMain() const
{
    return d->main;
}

bool MConversation::isGroup() const
{
    return d->group;
}

void MConversation::setIsGroup(bool group)
{
    d->group = group;
}
