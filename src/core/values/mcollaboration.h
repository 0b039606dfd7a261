#ifndef MCOLLABORATION_H
#define MCOLLABORATION_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include "mconversation.h"
#include "museraccount.h"

class MCollaborationPrivate;

// A file one user offers another inside a conversation. The recipient accepts it into a
// path of their own or rejects it; the sender may revoke it. The token identifies it.
class MCollaboration
{
    Q_GADGET
public:
    enum Type { NoType = 0, FileTransfer = 1 };
    Q_ENUM(Type)

    // Why an accept failed. ServerError and NoAnswer are only ever reported, never stored in a
    // record.
    enum Error {
        NoError = 0,
        SourceNotFound = 1,
        AlreadyAccepted = 2,
        NotFound = 4,
        ServerError = 5,
        // The service refused the answer for a reason of its own (another 4xx status).
        Refused = 6,
        // No answer came: the connection dropped or the request timed out.
        NoAnswer = 7
    };
    Q_ENUM(Error)

    MCollaboration();
    // Reads the service's object for a file transfer; any other type reads nothing.
    MCollaboration(const QVariantMap &json, MCollaboration::Type type);
    MCollaboration(const MCollaboration &other);
    MCollaboration &operator=(const MCollaboration &other);
    ~MCollaboration();

    void swap(MCollaboration &other) noexcept { d.swap(other.d); }

    // Each flag is raised only when the service gave the date of that answer.
    bool accepted() const;
    void setAccepted(bool accepted);
    bool revoked() const;
    void setRevoked(bool revoked);
    bool rejected() const;
    void setRejected(bool rejected);

    QDateTime acceptedAt() const;
    QDateTime createdAt() const;
    QDateTime revokedAt() const;
    QDateTime rejectedAt() const;

    MUserAccount sender() const;
    void setSender(const MUserAccount &sender);
    MUserAccount recipient() const;
    void setRecipient(const MUserAccount &recipient);
    MConversation conversation() const;
    QString token() const;

    // Shared by the invitations of one send to a group, one per member.
    QString uniqueIdentifier() const;
    void setUniqueIdentifier(const QString &identifier);
    QString sourceProvider() const;
    void setSourceProvider(const QString &provider);

    MCollaboration::Type type() const;
    void setType(MCollaboration::Type type);
    // The offered file as an MStorageObject, or the destination path (a QString) chosen
    // before accepting.
    QVariant resource() const;
    void setResource(const QVariant &resource);
    // Set only after a failed accept.
    MCollaboration::Error errorCode() const;
    void setErrorCode(MCollaboration::Error error);

    // Collaborations are equal when their tokens are.
    bool operator==(const MCollaboration &other) const;
    bool operator!=(const MCollaboration &other) const { return !(*this == other); }

private:
    QSharedDataPointer<MCollaborationPrivate> d;
};

Q_DECLARE_SHARED(MCollaboration)
Q_DECLARE_METATYPE(MCollaboration)

#endif // MCOLLABORATION_H
