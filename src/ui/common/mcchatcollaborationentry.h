#ifndef MCCHATCOLLABORATIONENTRY_H
#define MCCHATCOLLABORATIONENTRY_H

#include "mcchatentry.h"
#include "mocollaboration.h"
#include "mostorageobject.h"

#include <QVariantMap>

class MCChatSupport;
class MCSocialEntity;

// A file offered in a chat, sent or received. responseStatus: 0 prepared (before the user
// presses Send), 1 waiting (being sent; or received and waiting for the user's answer), 2 sent
// (no answer yet; also while the user's own answer is under way), 3 accepted, 4 rejected, 5
// revoked (the sender deleted or moved the file). Fixed at 100 points.
class MCChatCollaborationEntry : public MCChatEntry
{
    Q_OBJECT
    Q_PROPERTY(QVariantMap groupDictionary READ groupDictionary NOTIFY groupDictionaryChanged)
public:
    enum Status { Prepared = 0, Waiting = 1, Sent = 2, Accepted = 3, Rejected = 4, Revoked = 5 };

    // A file about to be offered to entity: prepared, with Send and Cancel.
    MCChatCollaborationEntry(const MOStorageObject &object, const MCSocialEntity *entity,
                             const QString &myEmail);
    // An invitation the service knows; support receives the member answers of a group send.
    MCChatCollaborationEntry(const MOCollaboration &collaboration, const MCSocialEntity *entity,
                             const QString &myEmail, MCChatSupport *support);

    Kind kind() const override { return CollaborationRow; }
    MOCollaboration collaboration() const { return m_collaboration; }
    // Gives the row the service's latest word on the invitation; own or not follows it.
    void setCollaboration(const MOCollaboration &collaboration);
    bool sendButtonsHidden() const { return m_sendButtonsHidden; }
    bool pending() const { return m_pending; }
    bool isGroupChat() const { return m_isGroupChat; }
    qint64 responseStatus() const { return m_responseStatus; }
    QString sendingText() const { return m_sendingText; }
    QDateTime date() const { return m_date; }
    QDateTime sentAt() const override { return m_date; }
    QString accessoryString() const override { return m_descriptionString; }
    QString descriptionString() const { return m_descriptionString; }
    void setDescriptionString(const QString &text);
    QString receiverName() const { return m_receiverName; }
    // Own group sends: member e-mail -> {"accepted"|"rejected"|"revoked": date}, empty until
    // that member answers.
    QVariantMap groupDictionary() const { return m_groupDictionary; }

    // The offered file: the resource's storage object (an invalid one once the resource is
    // a destination path).
    MOStorageObject storageObject() const;
    QString storageObjectLabel() const { return storageObject().label(); }
    // The resource's base path with its label appended.
    QString path() const;
    bool collaborationAccepted() const { return m_collaboration.accepted(); }
    bool collaborationRejected() const { return m_collaboration.rejected(); }
    bool collaborationRevoked() const { return m_collaboration.revoked(); }

    // State changes made by the page and the entity.
    void setPending();           // Send pressed
    void setCollaborationSent(); // the service took the invitation
    void setAccepted();          // the user accepted a received file
    void setDeclined();          // the user declined it
    // The program would not accept the received file (reason says why): no answer is
    // offered any more.
    void setRefused(const QString &reason);
    // The offer did not go through: prepared again (Send and Cancel), saying why.
    void setSendFailed(const QString &reason);
    // The user's answer was not taken: waiting again (Accept and Decline), text saying why.
    void setAnswerFailed(const QString &text);
    // The offered file is gone or no longer offered: nothing left to answer.
    void setNoLongerOffered(const QString &text);
    // Recomputes the flags and texts from the invitation and answers the accessory text.
    QString getCollaborationStatus();
    // Records a group member's answer; once every member answered, the row leaves the
    // room's pending file sends.
    void updateGroupInfo(const MOCollaboration &collaboration, qint64 room, MCChatSupport *support);

    // Short date and time, the days next to today by name ("Today 10:20").
    static QString convertStringToFullDate(const QDateTime &date);

signals:
    // Any of the state above changed.
    void stateChanged();
    // A group member's answer was recorded.
    void groupDictionaryChanged();

private:
    void isEntityGroup(const MCSocialEntity *entity);
    void outcome(Status status, const QString &sendingText);

    MOCollaboration m_collaboration;
    bool m_sendButtonsHidden = false;
    bool m_pending = false;
    bool m_isGroupChat = false;
    qint64 m_responseStatus = 0;
    QString m_sendingText;
    QDateTime m_date;
    QString m_descriptionString;
    QString m_receiverName;
    QVariantMap m_groupDictionary;
    QString m_myEmail;
};

using MCChatCollaborationEntryPtr = QSharedPointer<MCChatCollaborationEntry>;

#endif // MCCHATCOLLABORATIONENTRY_H
