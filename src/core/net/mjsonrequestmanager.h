#ifndef MJSONREQUESTMANAGER_H
#define MJSONREQUESTMANAGER_H

#include "mnetworkrequestmanager.h"

#include <QVariant>

#include <functional>

class MJsonRequestManagerPrivate;

// A request manager whose listeners get each reply as one decoded JSON object. Every
// finished reply is decoded, whatever its error: listeners check the reply's status code
// and error (a network failure decodes as an empty map with status 0). A large reply (a
// listing of a large folder) is decoded on another thread; replies still reach the listeners
// in the order they finished, on the manager's own thread.
class MJsonRequestManager : public MNetworkRequestManager
{
    Q_OBJECT
public:
    explicit MJsonRequestManager(QObject *parent = nullptr);
    ~MJsonRequestManager() override;

    QString sendRequest(const MNetworkRequest &request);

    // Makes a large reply's listener value from its decoded object on another thread (a
    // listing's objects, say): an invalid result keeps the object. Called on any thread.
    using Decoder = std::function<QVariant(const QJsonObject &object, const MNetworkRequest &req,
                                           const MNetworkReply &reply)>;
    void setDecoder(const Decoder &decoder);
    // Tried before the decoder on a large reply's bytes, before they are parsed whole (a
    // listing decoded entry by entry, say, never one document of many thousands): an invalid
    // result parses the reply and calls the decoder as usual. Called on any thread.
    using RawDecoder = std::function<QVariant(const QByteArray &bytes, const MNetworkRequest &req,
                                              const MNetworkReply &reply)>;
    void setRawDecoder(const RawDecoder &decoder);
    // Drops every reply still being decoded, after waiting for a decoder already running:
    // neither its decoder nor the listeners are called for it afterwards. The destructor does
    // the same; an owner whose decoder uses its own data calls this before that data goes.
    void abandonDecodes();

signals:
    // An object's members as a map; an empty body or a top-level array gives an empty map.
    void responseObjectReady(const QVariant &responseObject, const MNetworkRequest &req,
                             const MNetworkReply &reply);
    void decodeError(const MNetworkRequest &req, const QByteArray &buffer,
                     const MNetworkReply &reply);

protected slots:
    void bufferDataArrived(const MNetworkRequest &req, const QByteArray &data,
                           const MNetworkReply &reply);
    void handleReplyFinished(const MNetworkRequest &req, const MNetworkReply &reply);

private:
    // Hands the replies at the head of the line that are decoded to the listeners.
    void deliverReady();

    Q_DECLARE_PRIVATE_D(dd_ptr, MJsonRequestManager)
    QScopedPointer<MJsonRequestManagerPrivate> dd_ptr;
};

#endif // MJSONREQUESTMANAGER_H
