#ifndef MJOININVITATION_H
#define MJOININVITATION_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QVariantMap>

#include "museraccount.h"

class MJoinInvitationPrivate;

// An invitation from another user to join the signed-in user's contacts.
class MJoinInvitation
{
public:
    MJoinInvitation();
    explicit MJoinInvitation(const QVariantMap &json);
    MJoinInvitation(const MJoinInvitation &other);
    MJoinInvitation &operator=(const MJoinInvitation &other);
    ~MJoinInvitation();

    void swap(MJoinInvitation &other) noexcept { d.swap(other.d); }

    qint64 identifier() const;
    MUserAccount sender() const;
    QDateTime createdAt() const;
    // Each of these is null until the invitation was accepted, withdrawn or declined.
    QDateTime acceptedAt() const;
    QDateTime revokedAt() const;
    QDateTime rejectedAt() const;

    // Invitations are equal when their ids are.
    bool operator==(const MJoinInvitation &other) const;

private:
    QSharedDataPointer<MJoinInvitationPrivate> d;
};

Q_DECLARE_SHARED(MJoinInvitation)
Q_DECLARE_METATYPE(MJoinInvitation)

#endif // MJOININVITATION_H
