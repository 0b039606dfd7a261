#ifndef MCJOININVITATION_H
#define MCJOININVITATION_H

#include "mcnotificationobject.h"
#include "mojoininvitation.h"

// A row of the notifications page: another user asks to become a contact. It is read once
// answered, while the user's answer is on its way (pendingRequest), or once the sender became a
// contact otherwise; an answer that did not go through leaves it unread, saying so, until the
// user answers again.
class MCJoinInvitation : public MCNotificationObject
{
    Q_OBJECT
    Q_PROPERTY(QString bodyMessage READ bodyMessage CONSTANT)
    Q_PROPERTY(QString additionalText READ additionalText NOTIFY additionalTextChanged)
public:
    explicit MCJoinInvitation(const MOJoinInvitation &invitation, QObject *parent = nullptr);

    MOJoinInvitation joinInvitation() const { return m_joinInvitation; }
    // The service's answer to the user's; announced as a change of the additional text.
    void setJoinInvitation(const MOJoinInvitation &invitation);
    QDateTime sentAt() const override { return m_joinInvitation.createdAt(); }
    QString messageSender() const override;
    QString messageSubject() const override;
    // Answered, or an answer is on its way.
    bool messageRead() const override;
    bool pendingRequest() const { return m_pendingRequest; }
    void setPendingRequest(bool pending);
    bool answerFailed() const { return !m_answerFailure.isEmpty(); }
    // The answer on its way was not taken; text says why.
    void setAnswerFailed(const QString &text);
    // The sender is one of the user's contacts already (through another invitation): there is
    // nothing left to answer, and the row is read.
    bool senderIsContact() const { return m_senderIsContact; }
    void setSenderIsContact();
    // The request with the sender's name and e-mail address, on lines of their own.
    QString bodyMessage() const;
    // Where the answer stands: on its way, not taken, accepted or rejected on a date, or not
    // needed (the sender is a contact).
    QString additionalText() const;

    // First and last name, the one there is, or "NO NAME".
    static QString senderFullname(const MOUserAccount &sender);

signals:
    void additionalTextChanged();

private:
    MOJoinInvitation m_joinInvitation;
    bool m_pendingRequest = false;
    bool m_senderIsContact = false;
    QString m_answerFailure;
};

#endif // MCJOININVITATION_H
