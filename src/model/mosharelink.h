#ifndef MOSHARELINK_H
#define MOSHARELINK_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>

class MOShareLinkPrivate;

// One share link of the user's store. Every field can be changed, on this object only.
class MOShareLink
{
public:
    MOShareLink();
    MOShareLink(const MOShareLink &other);
    MOShareLink &operator=(const MOShareLink &other);
    ~MOShareLink();

    QString filePath() const;
    void setFilePath(const QString &filePath);
    QString token() const;
    void setToken(const QString &token);
    qint64 visitCount() const;
    void setVisitCount(qint64 visitCount);
    // 0 or 1; any value other than 0 makes the link public.
    qint64 isPublic() const;
    void setIsPublic(qint64 isPublic);
    // Lifetime in hours from createdAt().
    qint64 expiresIn() const;
    void setExpiresIn(qint64 expiresIn);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);
    QDateTime revokedAt() const;
    void setRevokedAt(const QDateTime &revokedAt);
    QDateTime updatedAt() const;
    void setUpdatedAt(const QDateTime &updatedAt);
    QString publicUri() const;
    void setPublicUri(const QString &publicUri);

    // Links are the same link when their tokens are equal.
    bool operator==(const MOShareLink &other) const;
    bool operator!=(const MOShareLink &other) const { return !(*this == other); }

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOShareLinkPrivate> d;
};

uint qHash(const MOShareLink &link, uint seed = 0) noexcept;

Q_DECLARE_METATYPE(MOShareLink)

#endif // MOSHARELINK_H
