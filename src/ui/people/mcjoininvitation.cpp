#include "mcjoininvitation.h"

#include "mouseraccount.h"

MCJoinInvitation::MCJoinInvitation(const MOJoinInvitation &invitation, QObject *parent)
    : QObject(parent)
    , m_joinInvitation(invitation)
{}

void MCJoinInvitation::setJoinInvitation(const MOJoinInvitation &invitation)
{
    const bool wasRead = messageRead();
    m_joinInvitation = invitation;
    emit additionalTextChanged();
    if (wasRead != messageRead())
        emit messageReadChanged();
}

QString MCJoinInvitation::messageSender() const
{
    const MOUserAccount sender = m_joinInvitation.sender();
    const QString first = sender.firstName();
    const QString last = sender.lastName();
    if (!first.isEmpty() && !last.isEmpty())
        return QStringLiteral("%1 %2").arg(first, last);
    if (!first.isEmpty() || !last.isEmpty())
        return first.isEmpty() ? last : first;
    return tr("NO NAME");
}

bool MCJoinInvitation::messageRead() const
{
    return m_joinInvitation.acceptedAt().isValid() || m_joinInvitation.rejectedAt().isValid() ||
           m_pendingRequest;
}

void MCJoinInvitation::setPendingRequest(bool pending)
{
    if (pending == m_pendingRequest)
        return;
    const bool wasRead = messageRead();
    m_pendingRequest = pending;
    if (wasRead != messageRead())
        emit messageReadChanged();
}

void MCJoinInvitation::setAvatar(const QPixmap &avatar)
{
    m_avatar = avatar;
    emit avatarChanged();
}
