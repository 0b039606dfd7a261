#ifndef MOMESSAGE_H
#define MOMESSAGE_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

class MOConversation;
class MOMessagePrivate;
class MOUserAccount;

// One chat message. The chat composes outgoing messages with the default constructor and
// the setters; setters change only this object.
class MOMessage
{
public:
    // A message not yet sent: id 0, null body and dates.
    MOMessage();
    MOMessage(const MOMessage &other);
    MOMessage &operator=(const MOMessage &other);
    ~MOMessage();

    QString body() const;
    void setBody(const QString &body);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);
    MOConversation conversation() const;
    MOUserAccount sender() const;
    void setSender(const MOUserAccount &sender);
    QDateTime sentAt() const;
    void setSentAt(const QDateTime &sentAt);
    quint64 messageId() const;

    // Messages with an id are equal by id; a message without one only to itself and its copies.
    bool operator==(const MOMessage &other) const;
    bool operator!=(const MOMessage &other) const { return !(*this == other); }

private:
    friend class MOCoreValues;
    friend uint qHash(const MOMessage &message, uint seed) noexcept;
    QSharedDataPointer<MOMessagePrivate> d;
};

uint qHash(const MOMessage &message, uint seed = 0) noexcept;

Q_DECLARE_METATYPE(MOMessage)

#endif // MOMESSAGE_H
