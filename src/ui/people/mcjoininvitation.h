#ifndef MCJOININVITATION_H
#define MCJOININVITATION_H

#include "mojoininvitation.h"

#include <QDateTime>
#include <QObject>
#include <QPixmap>

// A row of the notifications page: another user asks to become a contact.
class MCJoinInvitation : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool messageRead READ messageRead NOTIFY messageReadChanged)
    Q_PROPERTY(QPixmap avatar READ avatar WRITE setAvatar NOTIFY avatarChanged)
public:
    explicit MCJoinInvitation(const MOJoinInvitation &invitation, QObject *parent = nullptr);

    MOJoinInvitation joinInvitation() const { return m_joinInvitation; }
    // The service's answer to the user's; announced as a change of the additional text.
    void setJoinInvitation(const MOJoinInvitation &invitation);
    QDateTime sentAt() const { return m_joinInvitation.createdAt(); }
    QString messageSender() const;
    // Answered, or an answer is on its way.
    bool messageRead() const;
    bool pendingRequest() const { return m_pendingRequest; }
    void setPendingRequest(bool pending);
    QPixmap avatar() const { return m_avatar; }
    void setAvatar(const QPixmap &avatar);

signals:
    void messageReadChanged();
    void additionalTextChanged();
    void avatarChanged();

private:
    MOJoinInvitation m_joinInvitation;
    bool m_pendingRequest = false;
    QPixmap m_avatar;
};

#endif // MCJOININVITATION_H
