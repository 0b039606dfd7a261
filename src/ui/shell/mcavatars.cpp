// The pictures of the signed-in user and of the people the chat shows.
#include "mcavatars.h"

#include "mcavatarimage.h"
#include "mcchathost.h"
#include "mccontact.h"
#include "mcinvitationbook.h"
#include "mcjoininvitation.h"
#include "mcshelllogging.h"
#include "mcsocialbook.h"
#include "moavatarmanager.h"

#include <QTimer>

MCAvatars::MCAvatars(MCSocialBook *social, MCChatHost *chat, QObject *parent)
    : QObject(parent)
    , m_social(social)
    , m_chat(chat)
{}

void MCAvatars::start()
{
    m_avatarManager = new MOAvatarManager(this);
    m_avatarManager->setDelegate(this);
}

void MCAvatars::setAvatar(const QPixmap &avatar)
{
    m_avatar = avatar;
    emit avatarChanged();
}

void MCAvatars::requestAvatar(const MOUserAccount &account)
{
    if (!m_avatarManager)
        return;
    const QString path = m_avatarManager->avatarPath(account);
    if (path.isEmpty()) {
        m_avatarManager->fetchAvatar(account);
        return;
    }
    setAvatarOf(account, path, false);
}

void MCAvatars::queueAvatarRequest(const MOUserAccount &account)
{
    m_avatarRequests.append(account);
    if (m_avatarRequests.size() == 1)
        QTimer::singleShot(0, this, &MCAvatars::sendAvatarRequests);
}

void MCAvatars::sendAvatarRequests()
{
    const int RequestsPerTurn = 25;
    for (int sent = 0; sent < RequestsPerTurn && !m_avatarRequests.isEmpty(); ++sent)
        requestAvatar(m_avatarRequests.takeFirst());
    if (!m_avatarRequests.isEmpty())
        QTimer::singleShot(0, this, &MCAvatars::sendAvatarRequests);
}

void MCAvatars::setAvatarOf(const MOUserAccount &account, const QString &path, bool alsoMet)
{
    const QPixmap picture = MCAvatarImage::pixmap(path);
    if (picture.isNull()) {
        qCWarning(lcShell) << "The avatar at" << path << "is not a picture that can be shown";
        return;
    }
    if (MCSocialBook::isSignedInAccount(account)) {
        setAvatar(picture);
        return;
    }
    MCContact *contact = m_social->contactWithEmail(account.email());
    if (contact)
        contact->setAvatar(picture);
    if (!contact || alsoMet) {
        if (MCContact *met = m_chat->chatSupport().contactByEmail(account.email()))
            met->setAvatar(picture);
    }
    // The sender of a join invitation is seldom a contact yet: the row shows the picture too.
    const QList<MCJoinInvitation *> rows = m_invitations->userMessages();
    for (MCJoinInvitation *row : rows) {
        if (MCSocialBook::sameEmail(row->joinInvitation().sender().email(), account.email()))
            row->setAvatar(picture);
    }
}

void MCAvatars::avatarManagerDidFetchAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                                  const QString &path)
{
    setAvatarOf(account, path, false);
}

void MCAvatars::avatarManagerDidUpdateAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                                   const QString &path)
{
    setAvatarOf(account, path, true);
    if (MCSocialBook::isSignedInAccount(account))
        emit avatarUpdated();
}

void MCAvatars::avatarManagerDidFailUpdatingAvatar(MOAvatarManager *, int status)
{
    emit avatarUpdateFailed(status);
}

void MCAvatars::updateAvatar(const QString &path)
{
    if (m_avatarManager)
        m_avatarManager->updateAvatar(path);
    else
        emit avatarUpdateFailed(0);
}
