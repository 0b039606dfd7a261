#ifndef MCGROUP_H
#define MCGROUP_H

#include "mcsocialentity.h"

// A group conversation.
class MCGroup : public MCSocialEntity
{
    Q_OBJECT
public:
    explicit MCGroup(const MOConversation &room, QObject *parent = nullptr);

    MOConversation chatRoom() const override { return m_chatRoom; }
    void setChatRoom(const MOConversation &room) override;
    QString roomName() const { return m_chatRoom.name(); }

private:
    MOConversation m_chatRoom;
};

#endif // MCGROUP_H
