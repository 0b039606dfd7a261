#include "mouseraccount.h"

#include "mconversation.h"
#include "mocorevalues_p.h"
#include "museraccount.h"

class MOUserAccountPrivate : public QSharedData
{
public:
    MUserAccount account;
};

MOUserAccount::MOUserAccount()
    : d(new MOUserAccountPrivate)
{}

MOUserAccount MOCoreValues::userAccountWithCXXUserAccount(const MUserAccount &account)
{
    MOUserAccount value;
    value.d->account = account;
    return value;
}

MOUserAccount::MOUserAccount(const MOUserAccount &other) = default;
MOUserAccount &MOUserAccount::operator=(const MOUserAccount &other) = default;
MOUserAccount::~MOUserAccount() = default;

// The held record changes only through setMainConversation(), which detaches it, so reading it
// gives the snapshot of the account taken when this object was made.
QString MOUserAccount::email() const
{
    return d->account.email();
}

QString MOUserAccount::firstName() const
{
    return d->account.firstName();
}

QString MOUserAccount::lastName() const
{
    return d->account.lastName();
}

qint64 MOUserAccount::usedSize() const
{
    return d->account.usedSize();
}

qint64 MOUserAccount::totalSize() const
{
    return d->account.totalSize();
}

qint64 MOUserAccount::onlineStatus() const
{
    return d->account.onlineStatus();
}

QStringList MOUserAccount::linkedProviders() const
{
    return d->account.linkedProviders();
}

MOConversation MOUserAccount::mainConversation() const
{
    return MOCoreValues::conversationWithCXXConversation(d->account.mainConversation());
}

void MOUserAccount::setMainConversation(const MOConversation &conversation)
{
    d->account.setMainConversation(MOCoreValues::cxxConversation(conversation));
}

MUserAccount MOCoreValues::cxxUserAccount(const MOUserAccount &value)
{
    return value.d->account;
}

bool MOUserAccount::operator==(const MOUserAccount &other) const
{
    return d->account == other.d->account;
}
