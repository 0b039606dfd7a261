#ifndef MCSOCIALENTITY_H
#define MCSOCIALENTITY_H

#include "mocollaboration.h"
#include "moconversation.h"
#include "moerror.h"
#include "momessage.h"

#include <QList>
#include <QObject>
#include <QPixmap>

// One chat partner of the signed-in user: a contact or a group conversation. The hub keeps one
// per conversation and hands it the messages and file invitations of that conversation; the
// chat pages show what it has gathered. Main thread only.
class MCSocialEntity : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QPixmap roomImage READ roomImage NOTIFY roomImageChanged)
    Q_PROPERTY(qint64 chatNotifications READ chatNotifications NOTIFY chatNotificationsChanged)
public:
    explicit MCSocialEntity(QObject *parent = nullptr);

    virtual MOConversation chatRoom() const = 0;
    virtual void setChatRoom(const MOConversation &room) = 0;
    // The conversation's identifier.
    qint64 identifier() const { return chatRoom().identifier(); }
    QPixmap roomImage() const { return m_roomImage; }

    // Messages from the service, in ascending sentAt; one already held is not added again.
    void addWrittenMessages(const QList<MOMessage> &messages);
    QList<MOMessage> writtenMessages() const { return m_messages; }
    qint64 chatNotifications() const { return m_chatNotifications; }

    // The file invitations of this conversation, received and sent, one per token.
    QList<MOCollaboration> collaborations() const { return m_collaborations; }
    void didListReceivedCollaborations(const QList<MOCollaboration> &collaborations);
    void didReceiveChangedCollaborations(const QList<MOCollaboration> &collaborations);
    void didListSentInvitations(const QList<MOCollaboration> &collaborations);
    void didSendInviteCollaboration(const MOCollaboration &collaboration);
    void didAcceptCollaboration(const MOCollaboration &collaboration);
    void didRejectCollaboration(const MOCollaboration &collaboration);
    void didFailAcceptingWithError(const MOCollaboration &collaboration, const MOError &error);

signals:
    void roomImageChanged();
    void conversationChanged();
    void chatNotificationsChanged();
    void collaborationsChanged();
    void chatRoomChanged();
    // An invitation could not be accepted; error says why.
    void collaborationFailed(const MOCollaboration &collaboration, const MOError &error);

protected:
    void setRoomImage(const QPixmap &image);

private:
    void mergeCollaborations(const QList<MOCollaboration> &collaborations);

    QPixmap m_roomImage;
    QList<MOMessage> m_messages;
    qint64 m_chatNotifications = 0;
    QList<MOCollaboration> m_collaborations;
};

#endif // MCSOCIALENTITY_H
