#ifndef MCJOININVITATION_H
#define MCJOININVITATION_H

#include "mcnotificationobject.h"
#include "mojoininvitation.h"

// A row of the notifications page: another user asks to become a contact. It is read once
// answered, or while the user's answer is on its way (pendingRequest); an answer that did not
// go through leaves it unread, saying so, until the user answers again.
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
    bool answerFailed() const { return m_answerFailed; }
    // The answer on its way did not go through.
    void setAnswerFailed();
    // The request with the sender's name and e-mail address, on lines of their own.
    QString bodyMessage() const;
    // Where the answer stands: on its way, not sent, or accepted or rejected on a date.
    QString additionalText() const;

    // First and last name, the one there is, or "NO NAME".
    static QString senderFullname(const MOUserAccount &sender);

signals:
    void additionalTextChanged();

private:
    MOJoinInvitation m_joinInvitation;
    bool m_pendingRequest = false;
    bool m_answerFailed = false;
};

#endif // MCJOININVITATION_H
