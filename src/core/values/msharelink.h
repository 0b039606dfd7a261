#ifndef MSHARELINK_H
#define MSHARELINK_H

#include <QDateTime>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

class MShareLinkPrivate;

// An address on the service through which others reach one file or folder of the store.
class MShareLink
{
public:
    MShareLink();
    explicit MShareLink(const QVariantMap &json);
    MShareLink(const MShareLink &other);
    MShareLink &operator=(const MShareLink &other);
    ~MShareLink();

    void swap(MShareLink &other) noexcept { d.swap(other.d); }

    QString filePath() const;
    void setFilePath(const QString &filePath);
    // Identifies the link.
    QString token() const;
    void setToken(const QString &token);
    qint64 visitCount() const;
    void setVisitCount(qint64 visitCount);
    bool isPublic() const;
    void setIsPublic(bool isPublic);
    // Lifetime in hours, counted from createdAt().
    qint64 expiresIn() const;
    void setExpiresIn(qint64 expiresIn);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);
    // Null while the link is active.
    QDateTime revokedAt() const;
    void setRevokedAt(const QDateTime &revokedAt);
    QDateTime updatedAt() const;
    void setUpdatedAt(const QDateTime &updatedAt);
    QString publicUri() const;
    void setPublicUri(const QString &publicUri);

    // Links are equal when their tokens are.
    bool operator==(const MShareLink &other) const;

private:
    QSharedDataPointer<MShareLinkPrivate> d;
};

Q_DECLARE_SHARED(MShareLink)
Q_DECLARE_METATYPE(MShareLink)

#endif // MSHARELINK_H
