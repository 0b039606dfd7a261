#ifndef MJSONREQUESTMANAGER_H
#define MJSONREQUESTMANAGER_H

#include "mnetworkrequestmanager.h"

#include <QVariant>

class MJsonRequestManagerPrivate;

// A request manager whose listeners get each reply as one decoded JSON object. Every
// finished reply is decoded, whatever its error: listeners check the reply's status code
// and error (a network failure decodes as an empty map with status 0).
class MJsonRequestManager : public MNetworkRequestManager
{
    Q_OBJECT
public:
    explicit MJsonRequestManager(QObject *parent = nullptr);
    ~MJsonRequestManager() override;

    QString sendRequest(const MNetworkRequest &request);

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
    Q_DECLARE_PRIVATE_D(dd_ptr, MJsonRequestManager)
    QScopedPointer<MJsonRequestManagerPrivate> dd_ptr;
};

#endif // MJSONREQUESTMANAGER_H
