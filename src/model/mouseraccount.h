#ifndef MOUSERACCOUNT_H
#define MOUSERACCOUNT_H

#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>

#include "moconversation.h"

class MOUserAccountPrivate;

// One account of the service as the interface sees it: the signed-in user, a contact, the
// sender of a message or an invitation. The fields are those of the account when the object
// was made; only the main conversation can be changed, and only on this object.
class MOUserAccount
{
public:
    // An account without data: id -1, null strings, sizes 0.
    MOUserAccount();
    MOUserAccount(const MOUserAccount &other);
    MOUserAccount &operator=(const MOUserAccount &other);
    ~MOUserAccount();

    QString email() const;
    QString firstName() const;
    QString lastName() const;
    qint64 usedSize() const;
    qint64 totalSize() const;
    qint64 onlineStatus() const;
    QStringList linkedProviders() const;

    // The one-to-one conversation with this account.
    MOConversation mainConversation() const;
    void setMainConversation(const MOConversation &conversation);

    // By id when both accounts have one, else by e-mail address.
    bool operator==(const MOUserAccount &other) const;
    bool operator!=(const MOUserAccount &other) const { return !(*this == other); }

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOUserAccountPrivate> d;
};

Q_DECLARE_METATYPE(MOUserAccount)

#endif // MOUSERACCOUNT_H
