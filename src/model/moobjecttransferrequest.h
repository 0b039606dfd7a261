#ifndef MOOBJECTTRANSFERREQUEST_H
#define MOOBJECTTRANSFERREQUEST_H

#include <QFlags>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

class MOObjectTransferRequestPrivate;
class MOStorageObject;

// What to transfer where, and how. Copies share the request until one is changed; a setter
// changes only its own copy.
class MOObjectTransferRequest
{
public:
    // The stored value is kept as it is; any value but Upload downloads.
    enum Direction : qint64 { Upload = 0, Download = 1 };
    // What a download does when its local destination exists.
    enum OverwriteStrategy : qint64 {
        FailIfExists = 0, // the transfer fails with a file-exists notification
        Replace = 1,      // the destination is truncated and written anew
        PickFreeName = 2, // the next free name with a numeric suffix (" 2", " 3"...)
        Resume = 3        // the destination's bytes are kept and the rest is fetched
    };
    enum ModeFlag {
        // An upload goes to the synchronising endpoint; a download creates the
        // destination's parent folders.
        Synchronising = 0x1,
        // An upload replaces an existing remote object.
        Force = 0x2
    };
    Q_DECLARE_FLAGS(Mode, ModeFlag)

    // An empty request whose user data is an empty QVariantMap, for the caller to fill.
    MOObjectTransferRequest();
    // Also sets PickFreeName.
    MOObjectTransferRequest(const QString &sourcePath, const QString &destinationPath,
                            qint64 direction);
    MOObjectTransferRequest(const MOObjectTransferRequest &other);
    MOObjectTransferRequest &operator=(const MOObjectTransferRequest &other);
    ~MOObjectTransferRequest();

    // The local file of an upload, the remote path of a download.
    QString sourcePath() const;
    QString destinationPath() const;
    void setDestinationPath(const QString &destinationPath);
    // Stored in 32 bits.
    Direction direction() const;
    void setDirection(qint64 direction);
    OverwriteStrategy overwriteStrategy() const;
    void setOverwriteStrategy(qint64 strategy);
    bool shouldCache() const;
    void setShouldCache(bool shouldCache);
    Mode mode() const;
    void setMode(Mode mode);
    void setMode(quint64 mode);
    // The object a download fetches as its folder's listing gave it (its size before any byte
    // has come); an invalid object when the request names none.
    MOStorageObject storageObject() const;
    // The caller's context; it comes back with the transfers made from this request, and is
    // not kept with the queue across restarts.
    QVariant userData() const;
    void setUserData(const QVariant &userData);

private:
    friend class MOCoreValues;
    QSharedDataPointer<MOObjectTransferRequestPrivate> d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(MOObjectTransferRequest::Mode)
Q_DECLARE_METATYPE(MOObjectTransferRequest)

#endif // MOOBJECTTRANSFERREQUEST_H
