#ifndef MCCONTACT_H
#define MCCONTACT_H

#include "mcsocialentity.h"
#include "mouseraccount.h"

// A contact: one person and the one-to-one conversation with them.
class MCContact : public MCSocialEntity
{
    Q_OBJECT
    Q_PROPERTY(QPixmap avatar READ avatar WRITE setAvatar NOTIFY avatarChanged)
    Q_PROPERTY(qint64 onlineStatus READ onlineStatus NOTIFY userAccountChanged)
public:
    explicit MCContact(const MOUserAccount &account, QObject *parent = nullptr);

    // The account's main conversation.
    MOConversation chatRoom() const override { return m_userAccount.mainConversation(); }
    void setChatRoom(const MOConversation &room) override;

    QString title() const override;
    QString roomName() const override { return fullName(); }
    QString description() const override { return email(); }
    QList<MOUserAccount> rcptAccounts() const override { return {m_userAccount}; }

    MOUserAccount userAccount() const { return m_userAccount; }
    // A presence change: the account as the service now reports it.
    void setUserAccount(const MOUserAccount &account);
    QString email() const { return m_userAccount.email(); }
    // First and last name, the one there is, or "NO NAME".
    QString fullName() const;
    qint64 onlineStatus() const { return m_userAccount.onlineStatus(); }
    // The picture the service gave, or a person's outline while there is none.
    QPixmap avatar() const;
    void setAvatar(const QPixmap &avatar);

signals:
    void avatarChanged();
    void userAccountChanged();

private:
    MOUserAccount m_userAccount;
    QPixmap m_avatar;
};

#endif // MCCONTACT_H
