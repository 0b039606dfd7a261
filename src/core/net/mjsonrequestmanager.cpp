#include "mjsonrequestmanager.h"
#include "mjsonrequestmanager_p.h"

#include "corelogging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QPointer>
#include <QThreadPool>
#include <QVariantMap>

namespace {

// Replies from this size on are decoded on another thread.
constexpr int LargeReply = 1 << 20;

} // namespace

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

void MJsonRequestManager::setDecoder(const Decoder &decoder)
{
    d_func()->decoder = decoder;
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
    const auto delivery = std::make_shared<MJsonRequestManagerPrivate::Delivery>();
    delivery->request = req;
    delivery->reply = reply;
    d->deliveries.append(delivery);
    const bool asObject = req.repliesAsJsonObject();
    // Decodes on the calling thread; false when the buffer is not JSON.
    const auto decode = [asObject](const QByteArray &buffer, QVariant *body) {
        if (buffer.isEmpty()) {
            *body = asObject ? QVariant(QJsonObject()) : QVariant(QVariantMap());
            return true;
        }
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(buffer, &parseError);
        if (parseError.error != QJsonParseError::NoError || document.isNull())
            return false;
        *body = asObject ? QVariant(document.object()) : QVariant(document.object().toVariantMap());
        return true;
    };
    if (buffer.size() < LargeReply || !asObject) {
        delivery->failed = !decode(buffer, &delivery->body);
        if (delivery->failed)
            delivery->raw = buffer;
        delivery->ready = true;
        deliverReady();
        return;
    }
    const QPointer<MJsonRequestManager> self(this);
    const Decoder decoder = d->decoder;
    QThreadPool::globalInstance()->start([self, delivery, buffer, decode, decoder]() mutable {
        QVariant body;
        const bool decoded = decode(buffer, &body);
        if (decoded && decoder) {
            const QVariant made = decoder(body.toJsonObject(), delivery->request, delivery->reply);
            if (made.isValid())
                body = made;
        }
        // What is left of a large reply is freed here, not on the main thread.
        if (decoded)
            buffer.clear();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, delivery, buffer, decoded, body] {
                delivery->failed = !decoded;
                delivery->body = body;
                delivery->raw = buffer;
                delivery->ready = true;
                if (self)
                    self->deliverReady();
            },
            Qt::QueuedConnection);
    });
}

void MJsonRequestManager::deliverReady()
{
    Q_D(MJsonRequestManager);
    while (!d->deliveries.isEmpty() && d->deliveries.first()->ready) {
        const std::shared_ptr<MJsonRequestManagerPrivate::Delivery> delivery =
            d->deliveries.takeFirst();
        if (delivery->failed) {
            qCDebug(lcCoreNet) << "(MJsonRequestManager) decode error.";
            qCDebug(lcCoreNet) << "(MObjectsManager) Received response: "
                               << QString::fromUtf8(delivery->raw);
            emit decodeError(delivery->request, delivery->raw, delivery->reply);
        } else {
            emit responseObjectReady(delivery->body, delivery->request, delivery->reply);
        }
    }
}
