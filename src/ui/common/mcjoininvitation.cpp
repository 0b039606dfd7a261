#include "mcjoininvitation.h"

#include "mcdatetext.h"
#include "mcstring.h"
#include "mouseraccount.h"

MCJoinInvitation::MCJoinInvitation(const MOJoinInvitation &invitation, QObject *parent)
    : MCNotificationObject(parent)
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
    return senderFullname(m_joinInvitation.sender());
}

QString MCJoinInvitation::messageSubject() const
{
    return tr("Invited you to become a contact");
}

QString MCJoinInvitation::senderFullname(const MOUserAccount &sender)
{
    const QString first = sender.firstName();
    const QString last = sender.lastName();
    if (!first.isEmpty() && !last.isEmpty())
        return MCString::stringByBoundingName(QStringLiteral("%1 %2").arg(first, last));
    if (!first.isEmpty() || !last.isEmpty())
        return MCString::stringByBoundingName(first.isEmpty() ? last : first);
    return tr("NO NAME");
}

bool MCJoinInvitation::messageRead() const
{
    return m_joinInvitation.acceptedAt().isValid() || m_joinInvitation.rejectedAt().isValid() ||
           m_pendingRequest || m_senderIsContact;
}

void MCJoinInvitation::setSenderIsContact()
{
    if (m_senderIsContact)
        return;
    const bool wasRead = messageRead();
    m_senderIsContact = true;
    emit additionalTextChanged();
    if (wasRead != messageRead())
        emit messageReadChanged();
}

void MCJoinInvitation::setPendingRequest(bool pending)
{
    if (pending == m_pendingRequest)
        return;
    const bool wasRead = messageRead();
    m_pendingRequest = pending;
    if (pending)
        m_answerFailure.clear();
    emit additionalTextChanged();
    if (wasRead != messageRead())
        emit messageReadChanged();
}

void MCJoinInvitation::setAnswerFailed(const QString &text)
{
    setPendingRequest(false);
    m_answerFailure = text;
    emit additionalTextChanged();
}

QString MCJoinInvitation::bodyMessage() const
{
    return QStringLiteral("%1\n\n%2\n%3")
        .arg(tr("Please add me as a Contact."), messageSender(), m_joinInvitation.sender().email());
}

QString MCJoinInvitation::additionalText() const
{
    const QDateTime accepted = m_joinInvitation.acceptedAt();
    const QDateTime rejected = m_joinInvitation.rejectedAt();
    if (m_pendingRequest && !accepted.isValid() && !rejected.isValid())
        return tr("Submitting your request...");
    if (!accepted.isValid() && !rejected.isValid()) {
        if (m_senderIsContact)
            return tr("Already in my contacts");
        if (!m_answerFailure.isEmpty())
            return m_answerFailure;
    }
    const bool wasAccepted = accepted.isValid();
    return QStringLiteral("%1 %2").arg(
        wasAccepted ? tr("Contact request accepted on") : tr("Contact request rejected on"),
        MCDateText::text(wasAccepted ? accepted : rejected, MCDateText::Medium, MCDateText::Short));
}
