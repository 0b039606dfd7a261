#include "mcsocialentity.h"

#include <QSet>

MCSocialEntity::MCSocialEntity(QObject *parent)
    : QObject(parent)
{}

void MCSocialEntity::setRoomImage(const QPixmap &image)
{
    m_roomImage = image;
    emit roomImageChanged();
}

void MCSocialEntity::addWrittenMessages(const QList<MOMessage> &messages)
{
    // A history page and a news poll may both bring the same message.
    QSet<quint64> held;
    for (const MOMessage &message : qAsConst(m_messages))
        held.insert(message.messageId());
    bool added = false;
    for (const MOMessage &message : messages) {
        if (message.messageId() != 0 && held.contains(message.messageId()))
            continue;
        held.insert(message.messageId());
        m_messages.append(message);
        added = true;
    }
    if (added)
        emit conversationChanged();
}

void MCSocialEntity::mergeCollaborations(const QList<MOCollaboration> &collaborations)
{
    for (const MOCollaboration &collaboration : collaborations) {
        const auto held = std::find_if(m_collaborations.begin(), m_collaborations.end(),
                                       [&collaboration](const MOCollaboration &other) {
                                           return other.token() == collaboration.token();
                                       });
        if (held != m_collaborations.end())
            *held = collaboration;
        else
            m_collaborations.append(collaboration);
    }
    emit collaborationsChanged();
}

void MCSocialEntity::didListReceivedCollaborations(const QList<MOCollaboration> &collaborations)
{
    mergeCollaborations(collaborations);
}

void MCSocialEntity::didReceiveChangedCollaborations(const QList<MOCollaboration> &collaborations)
{
    mergeCollaborations(collaborations);
}

void MCSocialEntity::didListSentInvitations(const QList<MOCollaboration> &collaborations)
{
    mergeCollaborations(collaborations);
}

void MCSocialEntity::didSendInviteCollaboration(const MOCollaboration &collaboration)
{
    mergeCollaborations({collaboration});
}

void MCSocialEntity::didAcceptCollaboration(const MOCollaboration &collaboration)
{
    mergeCollaborations({collaboration});
}

void MCSocialEntity::didRejectCollaboration(const MOCollaboration &collaboration)
{
    mergeCollaborations({collaboration});
}

void MCSocialEntity::didFailAcceptingWithError(const MOCollaboration &collaboration,
                                               const MOError &error)
{
    emit collaborationFailed(collaboration, error);
}
