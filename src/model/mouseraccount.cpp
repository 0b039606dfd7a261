#include "mouseraccount.h"

#include "mconversation.h"
#include "museraccount.h"

class MOUserAccountPrivate : public QSharedData
{
public:
    MUserAccount account;
};

MOUserAccount::MOUserAccount()
    : d(new MOUserAccountPrivate)
{}

MOUserAccount::MOUserAccount(const MUserAccount &account)
    : d(new MOUserAccountPrivate)
{
    d->account = account;
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
    return MOConversation(d->account.mainConversation());
}

void MOUserAccount::setMainConversation(const MOConversation &conversation)
{
    d->account.setMainConversation(conversation.cxxConversation());
}

MUserAccount MOUserAccount::cxxUserAccount() const
{
    return d->account;
}

bool MOUserAccount::operator==(const MOUserAccount &other) const
{
    return d->account == other.d->account;
}
