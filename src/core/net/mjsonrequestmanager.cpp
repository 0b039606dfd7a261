#include "mjsonrequestmanager.h"
#include "mjsonrequestmanager_p.h"

#include "corelogging.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QVariantMap>

MJsonRequestManager::MJsonRequestManager(QObject *parent)
    : MNetworkRequestManager(parent)
    , dd_ptr(new MJsonRequestManagerPrivate)
{
    connect(this, &MNetworkRequestManager::dataArrivedForRequest, this,
            &MJsonRequestManager::bufferDataArrived);
    connect(this, &MNetworkRequestManager::replyFinishedForRequest, this,
            &MJsonRequestManager::handleReplyFinished);
    // A canceled reply never finishes as a reply: drop what it had received.
    connect(this, &MNetworkRequestManager::requestCanceled, this,
            [this](const MNetworkRequest &req) {
                Q_D(MJsonRequestManager);
                QMutexLocker locker(&d->mutex);
                d->buffers.remove(req.requestId());
            });
}

MJsonRequestManager::~MJsonRequestManager() = default;

QString MJsonRequestManager::sendRequest(const MNetworkRequest &request)
{
    Q_D(MJsonRequestManager);
    const QString requestId = MNetworkRequestManager::sendRequest(request);
    QMutexLocker locker(&d->mutex);
    d->buffers.insert(requestId, QByteArray());
    return requestId;
}

void MJsonRequestManager::bufferDataArrived(const MNetworkRequest &req, const QByteArray &data,
                                            const MNetworkReply &)
{
    Q_D(MJsonRequestManager);
    QMutexLocker locker(&d->mutex);
    d->buffers[req.requestId()].append(data);
}

void MJsonRequestManager::handleReplyFinished(const MNetworkRequest &req,
                                              const MNetworkReply &reply)
{
    Q_D(MJsonRequestManager);
    QByteArray buffer;
    {
        QMutexLocker locker(&d->mutex);
        buffer = d->buffers.take(req.requestId());
    }
    if (buffer.isEmpty()) {
        emit responseObjectReady(req.repliesAsJsonObject() ? QVariant(QJsonObject())
                                                           : QVariant(QVariantMap()),
                                 req, reply);
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(buffer, &parseError);
    if (parseError.error != QJsonParseError::NoError || document.isNull()) {
        qCDebug(lcCoreNet) << "(MJsonRequestManager) decode error.";
        qCDebug(lcCoreNet) << "(MObjectsManager) Received response: " << QString::fromUtf8(buffer);
        emit decodeError(req, buffer, reply);
        return;
    }
    if (req.repliesAsJsonObject())
        emit responseObjectReady(QVariant(document.object()), req, reply);
    else
        emit responseObjectReady(QVariant(document.object().toVariantMap()), req, reply);
}
