#include "mcnotificationobject.h"

MCNotificationObject::MCNotificationObject(QObject *parent)
    : QObject(parent)
{}

void MCNotificationObject::setAvatar(const QPixmap &avatar)
{
    m_avatar = avatar;
    emit avatarChanged();
}

void MCNotificationObject::setMessageRead(bool read)
{
    if (read == m_messageRead)
        return;
    const bool wasRead = messageRead();
    m_messageRead = read;
    if (wasRead != messageRead())
        emit messageReadChanged();
}
