#include "mccontact.h"

#include "mcchatenvironment.h"
#include "mcoptions.h"

MCContact::MCContact(const MOUserAccount &account, QObject *parent)
    : MCSocialEntity(parent)
    , m_userAccount(account)
{}

void MCContact::setChatRoom(const MOConversation &room)
{
    m_userAccount.setMainConversation(room);
    createPListEntry();
    emit chatRoomChanged();
}

QString MCContact::title() const
{
    // No e-mail, no title: "://" alone would name every such contact's page and entry.
    return email().isEmpty() ? QString() : email() + QStringLiteral("://");
}

void MCContact::setUserAccount(const MOUserAccount &account)
{
    MCChatEnvironment *env = environment();
    if (env && env->options() &&
        env->options()->value(MCOptions::AppDelegate, MCOptions::SoundsEnabled).toBool() &&
        account.onlineStatus() != m_userAccount.onlineStatus())
        env->playSound(account.onlineStatus() != 0 ? QStringLiteral("connected")
                                                   : QStringLiteral("disconnected"));
    // The service's account carries no conversation of its own in a status change.
    const MOConversation room = m_userAccount.mainConversation();
    m_userAccount = account;
    if (m_userAccount.mainConversation().identifier() <= 0)
        m_userAccount.setMainConversation(room);
    emit userAccountChanged();
}

QString MCContact::fullName() const
{
    const QString first = m_userAccount.firstName();
    const QString last = m_userAccount.lastName();
    if (!first.isEmpty() && !last.isEmpty())
        return QStringLiteral("%1 %2").arg(first, last);
    if (!first.isEmpty() || !last.isEmpty())
        return first.isEmpty() ? last : first;
    return tr("NO NAME");
}

void MCContact::setAvatar(const QPixmap &avatar)
{
    m_avatar = avatar;
    setRoomImage(avatar);
    emit avatarChanged();
}
