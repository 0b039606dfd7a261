#ifndef MJSONREQUESTMANAGER_P_H
#define MJSONREQUESTMANAGER_P_H

#include "mjsonrequestmanager.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QVector>

#include <memory>

class MJsonRequestManagerPrivate
{
public:
    // One finished reply on its way to the listeners: decoded (ready) or still being decoded
    // on another thread. Replies reach the listeners in the order they finished.
    struct Delivery
    {
        MNetworkRequest request;
        MNetworkReply reply;
        bool ready = false;
        bool failed = false; // not JSON: decodeError with raw
        QVariant body;
        QByteArray raw;
    };

    // Bytes received so far, by request identifier.
    QMutex mutex;
    QHash<QString, QByteArray> buffers;
    MJsonRequestManager::Decoder decoder;
    QVector<std::shared_ptr<Delivery>> deliveries;
};

#endif // MJSONREQUESTMANAGER_P_H
