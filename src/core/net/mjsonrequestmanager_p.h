#ifndef MJSONREQUESTMANAGER_P_H
#define MJSONREQUESTMANAGER_P_H

#include "mjsonrequestmanager.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QVector>
#include <QWaitCondition>

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
        bool large = false;  // a map decoded on another thread
        QVariant body;
        QByteArray raw;
    };

    // Decodes running on other threads. A decode started before the last abandon() is
    // dropped: its decoder is not called, its result not delivered. Shared with the decodes,
    // so it outlives the manager.
    struct Decodes
    {
        QMutex mutex;
        QWaitCondition idle;
        quint64 generation = 0;
        int running = 0; // decoders being called now

        // Marks the decoder of this generation as running; false when it was abandoned.
        bool enter(quint64 of);
        void leave();
        // Abandons every decode started so far and waits for decoders still running.
        void abandon();
    };

    std::shared_ptr<Decodes> decodes = std::make_shared<Decodes>();
    // Bytes received so far, by request identifier.
    QMutex mutex;
    QHash<QString, QByteArray> buffers;
    MJsonRequestManager::Decoder decoder;
    MJsonRequestManager::RawDecoder rawDecoder;
    QVector<std::shared_ptr<Delivery>> deliveries;
};

#endif // MJSONREQUESTMANAGER_P_H
