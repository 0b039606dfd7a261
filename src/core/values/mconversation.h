#ifndef MCONVERSATION_H
#define MCONVERSATION_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

// An account holds its main conversation and a conversation holds accounts; whoever reads
// the participants includes museraccount.h, which includes this header.
class MUserAccount;
class MConversationPrivate;

// A chat between the signed-in user and others: the one-to-one conversation an account
// carries, or a named group.
class MConversation
{
public:
    MConversation();
    explicit MConversation(const QVariantMap &json);
    MConversation(const MConversation &other);
    MConversation &operator=(const MConversation &other);
    ~MConversation();

    void swap(MConversation &other) noexcept { d.swap(other.d); }

    qint64 identifier() const;
    QString token() const;
    QDateTime createdAt() const;
    QDateTime updatedAt() const;

    QString name() const;
    void setName(const QString &name);

    // In ascending order of the member names of the service's "users" object.
    QList<MUserAccount> participants() const;
    void setParticipants(const QList<MUserAccount> &participants);

    bool isMain() const;
    bool isGroup() const;
    void setIsGroup(bool group);

private:
    QSharedDataPointer<MConversationPrivate> d;
};

typedef QList<MConversation> MConversationList;

Q_DECLARE_SHARED(MConversation)
Q_DECLARE_METATYPE(MConversation)

#endif // MCONVERSATION_H
