#include "mcgroup.h"

MCGroup::MCGroup(const MOConversation &room, QObject *parent)
    : MCSocialEntity(parent)
    , m_chatRoom(room)
{}

void MCGroup::setChatRoom(const MOConversation &room)
{
    m_chatRoom = room;
    emit chatRoomChanged();
}
