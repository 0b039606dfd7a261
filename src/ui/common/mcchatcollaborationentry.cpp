#include "mcchatcollaborationentry.h"

#include "mcchatsupport.h"
#include "mccontact.h"
#include "mcdateformatter.h"
#include "mcdatetext.h"
#include "mcgroup.h"
#include "mouseraccount.h"

namespace {

bool sameEmail(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

MCChatCollaborationEntry::MCChatCollaborationEntry(const MOStorageObject &object,
                                                   const MCSocialEntity *entity,
                                                   const QString &myEmail)
    : m_myEmail(myEmail)
{
    m_collaboration.setResource(QVariant::fromValue(object));
    m_date = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    m_itsMe = true;
    isEntityGroup(entity);
    m_isFixedHeight = true;
    m_sendButtonsHidden = false;
    m_rowHeight = 100;
    m_descriptionString = tr("%1 %2?").arg(tr("Send to"), m_receiverName);
    m_responseStatus = Prepared;
}

MCChatCollaborationEntry::MCChatCollaborationEntry(const MOCollaboration &collaboration,
                                                   const MCSocialEntity *entity,
                                                   const QString &myEmail, MCChatSupport *support)
    : m_myEmail(myEmail)
{
    setCollaboration(collaboration);
    m_date = collaboration.createdAt();
    m_isFixedHeight = true;
    m_rowHeight = 100;
    isEntityGroup(entity);
    m_descriptionString = getCollaborationStatus();
    updateGroupInfo(collaboration, entity ? entity->identifier() : 0, support);
}

void MCChatCollaborationEntry::setCollaboration(const MOCollaboration &collaboration)
{
    m_collaboration = collaboration;
    const QString sender = collaboration.sender().email();
    m_itsMe = sender.isEmpty() || sameEmail(sender, m_myEmail);
    emit stateChanged();
}

void MCChatCollaborationEntry::isEntityGroup(const MCSocialEntity *entity)
{
    if (const auto *contact = qobject_cast<const MCContact *>(entity)) {
        m_receiverName = contact->fullName();
        m_isGroupChat = false;
        return;
    }
    const auto *group = qobject_cast<const MCGroup *>(entity);
    if (!group)
        return;
    m_receiverName = tr("Group");
    if (m_groupDictionary.isEmpty()) {
        for (const MOUserAccount &member : group->rcptAccounts()) {
            if (!sameEmail(member.email(), m_myEmail))
                m_groupDictionary.insert(member.email(), QVariantMap());
        }
    }
    m_isGroupChat = true;
}

void MCChatCollaborationEntry::setDescriptionString(const QString &text)
{
    if (text == m_descriptionString)
        return;
    m_descriptionString = text;
    emit accessoryStringChanged();
}

MOStorageObject MCChatCollaborationEntry::storageObject() const
{
    return m_collaboration.resource().value<MOStorageObject>();
}

QString MCChatCollaborationEntry::path() const
{
    const MOStorageObject object = storageObject();
    QString base = object.basePath();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + object.label();
}

void MCChatCollaborationEntry::setPending()
{
    m_sendButtonsHidden = true;
    m_responseStatus = Waiting;
    m_sendingText = tr("Sending. Waiting...");
    m_descriptionString = tr("%1 %2?").arg(tr("Send to"), m_receiverName);
    emit stateChanged();
    emit accessoryStringChanged();
}

void MCChatCollaborationEntry::setCollaborationSent()
{
    m_sendingText = tr("File sent. Waiting for response...");
    m_responseStatus = Sent;
    m_descriptionString = tr("%1 %2").arg(tr("Sent to"), m_receiverName);
    emit stateChanged();
    emit accessoryStringChanged();
}

void MCChatCollaborationEntry::setAccepted()
{
    m_pending = false;
    m_responseStatus = Sent;
    m_sendingText = tr("Accepted. Waiting...");
    m_descriptionString = tr("Receiving");
    emit stateChanged();
    emit accessoryStringChanged();
}

void MCChatCollaborationEntry::setDeclined()
{
    m_pending = false;
    m_responseStatus = Sent;
    m_sendingText = tr("Declined. Waiting...");
    emit stateChanged();
}

void MCChatCollaborationEntry::setRefused(const QString &reason)
{
    m_pending = false;
    m_sendingText = reason;
    m_descriptionString.clear();
    emit stateChanged();
    emit accessoryStringChanged();
}

void MCChatCollaborationEntry::setSendFailed(const QString &reason)
{
    m_sendButtonsHidden = false;
    m_responseStatus = Prepared;
    m_sendingText = tr("Not sent. %1").arg(reason);
    m_descriptionString = tr("%1 %2?").arg(tr("Send to"), m_receiverName);
    emit stateChanged();
    emit accessoryStringChanged();
}

void MCChatCollaborationEntry::setAnswerFailed(const QString &text)
{
    m_pending = true;
    m_responseStatus = Waiting;
    m_sendingText = text;
    m_descriptionString = tr("Waiting");
    emit stateChanged();
    emit accessoryStringChanged();
}

void MCChatCollaborationEntry::setNoLongerOffered(const QString &text)
{
    outcome(Revoked, text);
    m_descriptionString = convertStringFromDate(sentAt());
    emit stateChanged();
    emit accessoryStringChanged();
}

QString MCChatCollaborationEntry::convertStringToFullDate(const QDateTime &date)
{
    MCDateFormatter dates;
    dates.setDateStyle(MCDateFormatter::ShortStyle);
    dates.setTimeStyle(MCDateFormatter::ShortStyle);
    dates.setDoesRelativeDateFormatting(true);
    return dates.stringFromDate(date);
}

void MCChatCollaborationEntry::outcome(Status status, const QString &sendingText)
{
    m_pending = false;
    m_responseStatus = status;
    m_sendingText = sendingText;
    if (m_itsMe)
        m_sendButtonsHidden = true;
}

QString MCChatCollaborationEntry::getCollaborationStatus()
{
    const bool accepted = m_collaboration.accepted();
    const bool rejected = m_collaboration.rejected();
    const bool revoked = m_collaboration.revoked();
    const bool known = !m_collaboration.token().isEmpty();
    const QString time = convertStringFromDate(sentAt());
    QString answer;
    const auto acceptedOutcome = [&] {
        outcome(Accepted, tr("%1 %2").arg(tr("Accepted on"),
                                          convertStringToFullDate(m_collaboration.acceptedAt())));
        m_descriptionString = convertStringFromDate(m_collaboration.createdAt());
        answer = time;
    };
    const auto rejectedOutcome = [&] {
        outcome(Rejected, tr("%1 %2").arg(tr("Rejected on"),
                                          convertStringToFullDate(m_collaboration.rejectedAt())));
        answer = time;
    };
    const auto revokedOutcome = [&] {
        outcome(Revoked, tr("Oops! The sender deleted/moved his file"));
        answer = time;
    };
    if (m_isGroupChat) {
        if (known && m_itsMe) {
            m_sendButtonsHidden = true;
            m_responseStatus = Sent;
            answer = time;
        } else if (!m_itsMe && !accepted && !rejected && !revoked) {
            m_sendButtonsHidden = false;
            m_pending = true;
            m_responseStatus = Waiting;
            answer = tr("Waiting");
        } else if (accepted) {
            acceptedOutcome();
        } else if (rejected) {
            rejectedOutcome();
        } else if (revoked) {
            revokedOutcome();
        }
    } else if (accepted) {
        acceptedOutcome();
    } else if (rejected) {
        rejectedOutcome();
    } else if (revoked) {
        revokedOutcome();
    } else if (known && m_itsMe) {
        m_sendButtonsHidden = true;
        m_responseStatus = Sent;
        m_sendingText = tr("Waiting for user's response");
        answer = tr("Sent");
    } else {
        m_pending = true;
        m_responseStatus = Waiting;
        answer = tr("Waiting");
    }
    emit stateChanged();
    return answer;
}

void MCChatCollaborationEntry::updateGroupInfo(const MOCollaboration &collaboration, qint64 room,
                                               MCChatSupport *support)
{
    QVariantMap answer;
    if (collaboration.accepted())
        answer.insert(QStringLiteral("accepted"), collaboration.acceptedAt());
    else if (collaboration.rejected())
        answer.insert(QStringLiteral("rejected"), collaboration.rejectedAt());
    else if (collaboration.revoked())
        answer.insert(QStringLiteral("revoked"), collaboration.revokedAt());
    if (!m_itsMe || !m_isGroupChat)
        return;
    if (!answer.isEmpty()) {
        m_groupDictionary.insert(collaboration.recipient().email(), answer);
        emit groupDictionaryChanged();
        emit stateChanged();
    }
    int answered = 0;
    for (const QVariant &member : qAsConst(m_groupDictionary)) {
        if (!member.toMap().isEmpty())
            ++answered;
    }
    if (answered == m_groupDictionary.size() && support)
        support->removePendingCollaborationEntry(this, collaboration.uniqueIdentifier(), room);
}
