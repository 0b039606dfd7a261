#ifndef MOCONVERSATION_H
#define MOCONVERSATION_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

class MOConversationPrivate;
class MOUserAccount;

// One conversation: the one-to-one conversation with a contact or a named group. Setters
// change only this object and its copies made before the change.
//
// Conversations have no equality: compare identifier(), or sharesRecordWith() for "the same
// object".
class MOConversation
{
public:
    MOConversation();
    MOConversation(const MOConversation &other);
    MOConversation &operator=(const MOConversation &other);
    ~MOConversation();

    qint64 identifier() const;
    QString token() const;
    QString name() const;
    void setName(const QString &name);
    QDateTime createdAt() const;
    bool isMain() const;
    bool isGroup() const;
    void setIsGroup(bool group);
    // New account objects on every call, in the conversation's order.
    QList<MOUserAccount> participants() const;
    // Takes out the participant with that e-mail (case does not matter), when there is one.
    void removeParticipantWithEmail(const QString &email);

    // True for this object and its copies, until one of them is changed.
    bool sharesRecordWith(const MOConversation &other) const;

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOConversationPrivate> d;
};

Q_DECLARE_METATYPE(MOConversation)

#endif // MOCONVERSATION_H
