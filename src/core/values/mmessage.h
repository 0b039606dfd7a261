#ifndef MMESSAGE_H
#define MMESSAGE_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

#include "museraccount.h"

class MMessagePrivate;

// One chat message of a conversation. A message composed here and not yet stored by the
// service has id 0.
class MMessage
{
public:
    MMessage();
    // The sender is not read here: the conversations service sets it from the "sender" member.
    explicit MMessage(const QVariantMap &json);
    MMessage(const MMessage &other);
    MMessage &operator=(const MMessage &other);
    ~MMessage();

    void swap(MMessage &other) noexcept { d.swap(other.d); }

    qint64 messageId() const;
    QString body() const;
    void setBody(const QString &body);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);
    MConversation conversation() const;
    void setConversation(const MConversation &conversation);
    MUserAccount sender() const;
    void setSender(const MUserAccount &sender);
    QDateTime sentAt() const;
    void setSentAt(const QDateTime &sentAt);

    // Messages with the same id are equal; a message without an id equals only itself and
    // the copies that still share its record.
    bool operator==(const MMessage &other) const;

private:
    friend uint qHash(const MMessage &message, uint seed) noexcept;

    QSharedDataPointer<MMessagePrivate> d;
};

uint qHash(const MMessage &message, uint seed = 0) noexcept;

Q_DECLARE_SHARED(MMessage)
Q_DECLARE_METATYPE(MMessage)

#endif // MMESSAGE_H
