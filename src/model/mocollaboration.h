#ifndef MOCOLLABORATION_H
#define MOCOLLABORATION_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

class MOCollaborationPrivate;
class MOConversation;
class MOUserAccount;

// A file one user offers another inside a conversation, as the interface sees it. Setters
// change only this object and its copies made before the change.
class MOCollaboration
{
public:
    // A collaboration without data: no token, type 0, no flags.
    MOCollaboration();
    MOCollaboration(const MOCollaboration &other);
    MOCollaboration &operator=(const MOCollaboration &other);
    ~MOCollaboration();

    // New objects on every call.
    MOConversation conversation() const;
    MOUserAccount sender() const;
    MOUserAccount recipient() const;

    QString token() const;
    QString uniqueIdentifier() const;
    QString sourceProvider() const;
    uint type() const;
    // 1 source not found, 2 already accepted, 4 not found; 0 when no accept failed.
    uint errorCode() const;

    // In whole seconds; null when the service gave none.
    QDateTime createdAt() const;
    QDateTime acceptedAt() const;
    QDateTime rejectedAt() const;
    QDateTime revokedAt() const;

    bool accepted() const;
    void setAccepted(bool accepted);
    bool rejected() const;
    void setRejected(bool rejected);
    bool revoked() const;

    // The offered file (an MOStorageObject) or, once chosen, the destination path (a QString).
    QVariant resource() const;
    // Before accepting, the path the file is to be copied to.
    void setResource(const QVariant &resource);

    // Collaborations are equal when their tokens are, two without a token included.
    bool operator==(const MOCollaboration &other) const;
    bool operator!=(const MOCollaboration &other) const { return !(*this == other); }

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOCollaborationPrivate> d;
};

// Hashes the token alone, so that equal collaborations always hash alike.
uint qHash(const MOCollaboration &collaboration, uint seed = 0) noexcept;

Q_DECLARE_METATYPE(MOCollaboration)

#endif // MOCOLLABORATION_H
