#include "moconversation.h"

#include "mconversation.h"
#include "mocorevalues_p.h"
#include "mouseraccount.h"
#include "mqbindings.h"
#include "museraccount.h"

#include <algorithm>

class MOConversationPrivate : public QSharedData
{
public:
    MConversation conversation;
};

MOConversation::MOConversation()
    : d(new MOConversationPrivate)
{}

MOConversation MOCoreValues::conversationWithCXXConversation(const MConversation &conversation)
{
    MOConversation value;
    value.d->conversation = conversation;
    return value;
}

MOConversation::MOConversation(const MOConversation &other) = default;
MOConversation &MOConversation::operator=(const MOConversation &other) = default;
MOConversation::~MOConversation() = default;

qint64 MOConversation::identifier() const
{
    return d->conversation.identifier();
}

QString MOConversation::token() const
{
    return d->conversation.token();
}

QString MOConversation::name() const
{
    return d->conversation.name();
}

void MOConversation::setName(const QString &name)
{
    d->conversation.setName(name);
}

QDateTime MOConversation::createdAt() const
{
    return QDateTimeToNSDate(d->conversation.createdAt());
}

bool MOConversation::isMain() const
{
    return d->conversation.isMain();
}

bool MOConversation::isGroup() const
{
    return d->conversation.isGroup();
}

void MOConversation::setIsGroup(bool group)
{
    d->conversation.setIsGroup(group);
}

QList<MOUserAccount> MOConversation::participants() const
{
    QList<MOUserAccount> accounts;
    const QList<MUserAccount> participants = d->conversation.participants();
    accounts.reserve(participants.size());
    for (const MUserAccount &account : participants)
        accounts.append(MOCoreValues::userAccountWithCXXUserAccount(account));
    return accounts;
}

void MOConversation::removeParticipantWithEmail(const QString &email)
{
    if (email.isEmpty())
        return;
    QList<MUserAccount> participants = d->conversation.participants();
    const auto taken = std::remove_if(
        participants.begin(), participants.end(), [&email](const MUserAccount &account) {
            return account.email().compare(email, Qt::CaseInsensitive) == 0;
        });
    if (taken == participants.end())
        return;
    participants.erase(taken, participants.end());
    d->conversation.setParticipants(participants);
}

MConversation MOCoreValues::cxxConversation(const MOConversation &value)
{
    return value.d->conversation;
}

bool MOConversation::sharesRecordWith(const MOConversation &other) const
{
    return d == other.d;
}
