#ifndef MCCHATMESSAGEENTRY_H
#define MCCHATMESSAGEENTRY_H

#include "mcchatentry.h"
#include "momessage.h"
#include "mouseraccount.h"

class MCChatSupport;

// A message row. A message just sent shows "Pending" until its echo from the service
// confirms it; then it shows its time. One the service did not take shows "Not sent" until it
// is sent again (or its echo comes after all). Two rows are equal when their times and texts
// are, whoever wrote them: that is how an echo finds its pending row.
class MCChatMessageEntry : public MCChatEntry
{
    Q_OBJECT
public:
    // A message from the service; own: the sender is the signed-in user.
    MCChatMessageEntry(const MOMessage &message, bool own);
    // A message the user has just sent.
    static QSharedPointer<MCChatMessageEntry> pendingMessage(const MOMessage &message);

    Kind kind() const override { return MessageRow; }
    MOMessage message() const { return m_message; }
    QString textMessage() const { return m_message.body(); }
    QDateTime sentAt() const override { return m_message.sentAt(); }
    QString accessoryString() const override { return m_descriptionString; }
    QString descriptionString() const { return m_descriptionString; }
    void setDescriptionString(const QString &text);
    void setAccessoryStringAsDate(const QDateTime &date);
    // The service did not take the message: "Not sent", and why (the service's reason, or
    // what its status means), when known; false: "Pending" again.
    bool sendFailed() const { return m_sendFailed; }
    QString failureReason() const { return m_failureReason; }
    void setSendFailed(bool failed, const QString &reason = QString());
    // The first row of a run of rows by one sender; set by the page, never cleared.
    bool isNewEntry() const { return m_newEntry; }
    void setNewEntry(bool newEntry) { m_newEntry = newEntry; }

    // Same time and same text (the sender is not compared).
    bool isEqual(const MCChatMessageEntry &other) const;

    // "First Last" of me for own rows; else the full name of the contact known under the
    // sender's e-mail, or an empty string.
    QString senderName(const MCChatSupport &support, const MOUserAccount &me) const;

    // The row's height for a text textHeight points high: 50 for the first row of a run, else
    // 25, and every point above one line (22) adds one, plus a margin of 5. True when it
    // changed.
    bool updateHeightForTextHeight(int textHeight);

private:
    QString m_descriptionString;
    MOMessage m_message;
    bool m_newEntry = false;
    bool m_sendFailed = false;
    QString m_failureReason;
};

#endif // MCCHATMESSAGEENTRY_H
