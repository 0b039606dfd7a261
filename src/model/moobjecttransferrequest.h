#ifndef MOOBJECTTRANSFERREQUEST_H
#define MOOBJECTTRANSFERREQUEST_H

#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

class MObjectTransferRequest;
class MOObjectTransferRequestPrivate;

// What to transfer where, and how. Copies share the request until one is changed; a setter
// changes only its own copy.
class MOObjectTransferRequest
{
public:
    // An empty request whose user data is an empty QVariantMap, for the caller to fill.
    MOObjectTransferRequest();
    // Also sets overwrite strategy 2 (a download picks a free local name).
    MOObjectTransferRequest(const QString &sourcePath, const QString &destinationPath,
                            qint64 direction);
    explicit MOObjectTransferRequest(const MObjectTransferRequest &request);
    MOObjectTransferRequest(const MOObjectTransferRequest &other);
    MOObjectTransferRequest &operator=(const MOObjectTransferRequest &other);
    ~MOObjectTransferRequest();

    static MOObjectTransferRequest
    objectTransferRequestWithCXXObjectTransferRequest(const MObjectTransferRequest &request);

    // The local file of an upload, the remote path of a download.
    QString sourcePath() const;
    QString destinationPath() const;
    void setDestinationPath(const QString &destinationPath);
    // 0 upload; anything else downloads. Stored in 32 bits.
    qint64 direction() const;
    void setDirection(qint64 direction);
    // What a download does about an existing destination: 0 fail, 2 pick a free name.
    qint64 overwriteStrategy() const;
    void setOverwriteStrategy(qint64 strategy);
    bool shouldCache() const;
    void setShouldCache(bool shouldCache);
    // Bit 0 synchronising upload, bit 1 force over an existing remote object.
    quint64 mode() const;
    void setMode(quint64 mode);
    // The caller's context; it comes back with the transfers made from this request, and is
    // not kept with the queue across restarts.
    QVariant userData() const;
    void setUserData(const QVariant &userData);

    MObjectTransferRequest cxxTransferRequest() const;

private:
    QSharedDataPointer<MOObjectTransferRequestPrivate> d;
};

Q_DECLARE_METATYPE(MOObjectTransferRequest)

#endif // MOOBJECTTRANSFERREQUEST_H
