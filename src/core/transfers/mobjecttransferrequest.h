#ifndef MOBJECTTRANSFERREQUEST_H
#define MOBJECTTRANSFERREQUEST_H

#include <QByteArray>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include "mstorageobject.h"
#include "tolvo.h"

class QDataStream;
class MObjectTransferRequestPrivate;

// One upload or download somebody asked for: where the data comes from and goes to, how an
// upload is made and what a download does about an existing destination.
class MObjectTransferRequest
{
public:
    // Keys of the attribute map, stored as their decimal text.
    enum Attribute {
        OverwriteStrategy = 0, // int, a Tolvo::OverwriteStrategy
        Action = 1,            // int, the Tolvo::ObjectAction of the transfer (12 to 15)
        RequestType = 1001     // Tolvo::ObjectAction, set on the members of a directory transfer
    };

    // A null request: nothing has been set on it.
    MObjectTransferRequest();
    // A Tolvo::TransferDirection: Upload uploads, anything else downloads. A download made
    // this way picks a free local name when its destination exists (Tolvo::PickFreeName).
    MObjectTransferRequest(const QString &sourcePath, const QString &destinationPath,
                           int direction);
    MObjectTransferRequest(const MObjectTransferRequest &other);
    MObjectTransferRequest &operator=(const MObjectTransferRequest &other);
    ~MObjectTransferRequest();

    void swap(MObjectTransferRequest &other) noexcept { d.swap(other.d); }

    // The local file of an upload, the remote path of a download.
    QString sourcePath() const;
    void setSourcePath(const QString &sourcePath);
    // The remote path of an upload, the local file of a download.
    QString destinationPath() const;
    void setDestinationPath(const QString &destinationPath);
    // A Tolvo::TransferDirection, stored as an int.
    int direction() const;
    void setDirection(int direction);
    // Tolvo::TransferMode bits, stored as an int.
    int mode() const;
    void setMode(int mode);
    // Content hash of the remote version a synchronising upload is based on.
    QByteArray baseHash() const;
    void setBaseHash(const QByteArray &baseHash);
    // The transfer is made for the local cache rather than for a user path.
    bool shouldCache() const;
    void setShouldCache(bool shouldCache);
    // Caller context; it never leaves the process.
    QVariant userData() const;
    void setUserData(const QVariant &userData);
    // A Tolvo::OverwriteStrategy; 0 when unset.
    int overwriteStrategy() const;
    void setOverwriteStrategy(int strategy);
    // 0 when unset.
    int action() const;
    void setAction(int action);
    // An invalid QVariant when unset.
    QVariant attribute(MObjectTransferRequest::Attribute attribute) const;
    void setAttribute(MObjectTransferRequest::Attribute attribute, const QVariant &value);
    MStorageObject storageObject() const;
    void setStorageObject(const MStorageObject &storageObject);

    // True until a field other than the storage object is set.
    bool isNull() const;

private:
    friend QDataStream &operator<<(QDataStream &stream, const MObjectTransferRequest &request);
    friend QDataStream &operator>>(QDataStream &stream, MObjectTransferRequest &request);

    QSharedDataPointer<MObjectTransferRequestPrivate> d;
};

uint qHash(const MObjectTransferRequest &request, uint seed = 0) noexcept;

// The stored form (transfer queue, variants), always at Qt_5_3 whatever the stream's version.
// The user data is not part of it; reading leaves it as it was.
QDataStream &operator<<(QDataStream &stream, const MObjectTransferRequest &request);
QDataStream &operator>>(QDataStream &stream, MObjectTransferRequest &request);

Q_DECLARE_SHARED(MObjectTransferRequest)
Q_DECLARE_METATYPE(MObjectTransferRequest)

#endif // MOBJECTTRANSFERREQUEST_H
