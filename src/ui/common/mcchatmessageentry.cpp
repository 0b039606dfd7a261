#include "mcchatmessageentry.h"

#include "mcchatsupport.h"

MCChatMessageEntry::MCChatMessageEntry(const MOMessage &message, bool own)
    : m_descriptionString(convertStringFromDate(message.sentAt()))
    , m_message(message)
{
    m_itsMe = own;
    m_rowHeight = 50;
}

QSharedPointer<MCChatMessageEntry> MCChatMessageEntry::pendingMessage(const MOMessage &message)
{
    QSharedPointer<MCChatMessageEntry> row(new MCChatMessageEntry(message, true));
    row->m_descriptionString = tr("Pending");
    return row;
}

void MCChatMessageEntry::setDescriptionString(const QString &text)
{
    if (text == m_descriptionString)
        return;
    m_descriptionString = text;
    emit accessoryStringChanged();
}

void MCChatMessageEntry::setAccessoryStringAsDate(const QDateTime &date)
{
    m_sendFailed = false;
    setDescriptionString(convertStringFromDate(date));
}

void MCChatMessageEntry::setSendFailed(bool failed, const QString &reason)
{
    m_sendFailed = failed;
    m_failureReason = failed ? reason : QString();
    setDescriptionString(failed ? tr("Not sent") : tr("Pending"));
}

bool MCChatMessageEntry::isEqual(const MCChatMessageEntry &other) const
{
    if (&other == this)
        return true;
    return sentAt() == other.sentAt() && textMessage() == other.textMessage();
}

QString MCChatMessageEntry::senderName(const MCChatSupport &support, const MOUserAccount &me) const
{
    if (m_itsMe)
        return QStringLiteral("%1 %2").arg(me.firstName(), me.lastName()).trimmed();
    const MCContact *contact = support.contactByEmail(m_message.sender().email());
    return contact ? contact->fullName() : QString();
}

bool MCChatMessageEntry::updateHeightForTextHeight(int textHeight)
{
    const int base = m_newEntry ? 50 : 25;
    const int current = int(m_rowHeight);
    const int wanted = textHeight > 22 ? int((base + textHeight - 22) + 5.0) : base;
    if (wanted == current)
        return false;
    m_rowHeight = wanted;
    return true;
}
