#ifndef MCAVATARS_H
#define MCAVATARS_H

#include "moavatarmanagerdelegate.h"

#include <QList>
#include <QObject>
#include <QPixmap>

class MCChatHost;
class MCInvitationBook;
class MCSocialBook;
class MOAvatarManager;

// The pictures of the signed-in user and of the people met: asked of the cache or the service,
// a few per event-loop turn, and given to the contacts, the people met in groups and the join
// invitations' rows.
class MCAvatars
    : public QObject
    , public MOAvatarManagerDelegate
{
    Q_OBJECT
    Q_PROPERTY(QPixmap avatar READ avatar WRITE setAvatar NOTIFY avatarChanged)
public:
    MCAvatars(MCSocialBook *social, MCChatHost *chat, QObject *parent = nullptr);

    // Set once, before the session starts.
    void setInvitations(MCInvitationBook *invitations) { m_invitations = invitations; }
    // Once per session: the avatars service.
    void start();
    MOAvatarManager *avatarManager() const { return m_avatarManager; }

    // The signed-in user's picture; null until one is known.
    QPixmap avatar() const { return m_avatar; }
    void setAvatar(const QPixmap &avatar);
    // The picture of account, from the cache or asked of the service.
    void requestAvatar(const MOUserAccount &account);
    // The same, a few per event-loop turn: thousands at once held the window up.
    void queueAvatarRequest(const MOUserAccount &account);
    // Uploads the picture at path as the signed-in user's.
    void updateAvatar(const QString &path);

    // MOAvatarManagerDelegate
    void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                           const QString &path) override;
    void avatarManagerDidUpdateAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                            const QString &path) override;
    void avatarManagerDidFailUpdatingAvatar(MOAvatarManager *, int status) override;

signals:
    void avatarChanged();
    // The picture given to updateAvatar() was uploaded and is now the avatar.
    void avatarUpdated();
    // The picture given to updateAvatar() was not uploaded; status: the service's, or 0.
    void avatarUpdateFailed(int status);

private:
    void sendAvatarRequests();
    // The picture at path for whoever has account's e-mail; alsoMet: the people met in group
    // conversations get it even when a contact did.
    void setAvatarOf(const MOUserAccount &account, const QString &path, bool alsoMet);

    MCSocialBook *m_social;
    MCChatHost *m_chat;
    MCInvitationBook *m_invitations = nullptr;
    MOAvatarManager *m_avatarManager = nullptr;
    QList<MOUserAccount> m_avatarRequests;
    QPixmap m_avatar;
};

#endif // MCAVATARS_H
