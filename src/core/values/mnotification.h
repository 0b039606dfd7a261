#ifndef MNOTIFICATION_H
#define MNOTIFICATION_H

#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

class QDataStream;
class QDebug;
class MNotificationPrivate;

// A message for the user that leaves the core through MNotificationManager, with the
// data the interface needs to act on it.
class MNotification
{
public:
    enum Type { INFO = 1, WARN = 2, ERROR = 3 };

    enum Attribute {
        StorageObject = 0,   // MStorageObject
        ErrorCode = 2,       // int, a Tolvo::Error
        Action = 3,          // int, a Tolvo::ObjectAction
        TransferRequest = 4, // MObjectTransferRequest
        Transfer = 5,        // MObjectTransfer
        Details = 6,         // QString
        Path = 7,            // QString
        AdditionalPath = 8,  // QString, the second path of a two-path action
        UserData = 9         // the poster's user data
    };

    MNotification();
    MNotification(MNotification::Type type, const QString &message, int subtype);
    MNotification(const MNotification &other);
    MNotification &operator=(const MNotification &other);
    ~MNotification();

    void swap(MNotification &other) noexcept { d.swap(other.d); }

    // 0 for a default-constructed notification.
    Type type() const;
    void setType(MNotification::Type type);
    QString message() const;
    void setMessage(const QString &message);
    int subtype() const;
    void setSubtype(int subtype);

    // An invalid QVariant when the attribute was never set.
    QVariant attribute(MNotification::Attribute attribute) const;
    void setAttribute(MNotification::Attribute attribute, const QVariant &value);

private:
    friend QDataStream &operator<<(QDataStream &stream, const MNotification &notification);
    friend QDataStream &operator>>(QDataStream &stream, MNotification &notification);

    QSharedDataPointer<MNotificationPrivate> d;
};

Q_DECLARE_SHARED(MNotification)
Q_DECLARE_METATYPE(MNotification)

QDataStream &operator<<(QDataStream &stream, const MNotification &notification);
QDataStream &operator>>(QDataStream &stream, MNotification &notification);
QDebug operator<<(QDebug debug, const MNotification &notification);

#endif // MNOTIFICATION_H
