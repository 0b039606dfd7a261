#ifndef MOJOININVITATION_H
#define MOJOININVITATION_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>

class MOJoinInvitationPrivate;
class MOUserAccount;

// An invitation from another user to join the signed-in user's contacts. It has no equality:
// compare identifier().
class MOJoinInvitation
{
public:
    MOJoinInvitation();
    MOJoinInvitation(const MOJoinInvitation &other);
    MOJoinInvitation &operator=(const MOJoinInvitation &other);
    ~MOJoinInvitation();

    MOUserAccount sender() const;
    qint64 identifier() const;
    QDateTime createdAt() const;
    QDateTime acceptedAt() const;
    QDateTime revokedAt() const;
    QDateTime rejectedAt() const;

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOJoinInvitationPrivate> d;
};

Q_DECLARE_METATYPE(MOJoinInvitation)

#endif // MOJOININVITATION_H
