#include "mjsonrequestmanager.h"
#include "mjsonrequestmanager_p.h"

#include "corelogging.h"
#include "mrunaside.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QThreadPool>
#include <QVariantMap>

#include <algorithm>

namespace {

// Replies from this size on are decoded on another thread.
constexpr int LargeReply = 1 << 20;
// Replies read as maps cost as much again to convert as to parse: those of a manager without
// decoders of its own (the people and conversations listings of a sign-in with thousands of
// contacts) leave the main thread from this size on.
constexpr int LargeMapReply = 128 << 10;

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

MJsonRequestManager::~MJsonRequestManager()
{
    abandonDecodes();
}

bool MJsonRequestManagerPrivate::Decodes::enter(quint64 of)
{
    QMutexLocker locker(&mutex);
    if (of != generation)
        return false;
    ++running;
    return true;
}

void MJsonRequestManagerPrivate::Decodes::leave()
{
    QMutexLocker locker(&mutex);
    if (--running == 0)
        idle.wakeAll();
}

void MJsonRequestManagerPrivate::Decodes::abandon()
{
    QMutexLocker locker(&mutex);
    ++generation;
    while (running > 0)
        idle.wait(&mutex);
}

void MJsonRequestManager::abandonDecodes()
{
    Q_D(MJsonRequestManager);
    d->decodes->abandon();
    // Whatever waits behind an abandoned reply would never be delivered in order.
    if (std::any_of(d->deliveries.cbegin(), d->deliveries.cend(),
                    [](const auto &delivery) { return !delivery->ready; }))
        d->deliveries.clear();
}

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

void MJsonRequestManager::setRawDecoder(const RawDecoder &decoder)
{
    d_func()->rawDecoder = decoder;
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
    const bool offThread = asObject
                               ? buffer.size() >= LargeReply
                               : buffer.size() >= LargeMapReply && !d->decoder && !d->rawDecoder;
    if (!offThread) {
        delivery->failed = !decode(buffer, &delivery->body);
        if (delivery->failed)
            delivery->raw = buffer;
        delivery->ready = true;
        deliverReady();
        return;
    }
    const Decoder decoder = d->decoder;
    const RawDecoder rawDecoder = d->rawDecoder;
    const std::shared_ptr<MJsonRequestManagerPrivate::Decodes> decodes = d->decodes;
    quint64 generation;
    {
        QMutexLocker locker(&decodes->mutex);
        generation = decodes->generation;
    }
    struct Decoded
    {
        bool decoded = false;
        QVariant body;
        QByteArray raw;
    };
    // Handed back on this manager's thread, which alone touches its line of deliveries and
    // emits its signals.
    mRunAside(
        this,
        [buffer, decode, decoder, rawDecoder, decodes, generation, req,
         reply]() mutable -> std::optional<Decoded> {
            Decoded result;
            bool made = false;
            if (rawDecoder) {
                // The decoder may use its owner's data: never once the manager abandoned it.
                if (!decodes->enter(generation))
                    return std::nullopt;
                result.body = rawDecoder(buffer, req, reply);
                decodes->leave();
                made = result.body.isValid();
            }
            result.decoded = made || decode(buffer, &result.body);
            // The bytes are not needed once decoded: a large reply is not kept twice meanwhile.
            if (result.decoded)
                buffer.clear();
            if (result.decoded && !made && decoder) {
                if (!decodes->enter(generation))
                    return std::nullopt;
                const QVariant value = decoder(result.body.toJsonObject(), req, reply);
                decodes->leave();
                if (value.isValid())
                    result.body = value;
            }
            result.raw = std::move(buffer);
            return result;
        },
        [this, delivery, decodes, generation, asObject](std::optional<Decoded> result) {
            {
                QMutexLocker locker(&decodes->mutex);
                if (!result || decodes->generation != generation)
                    return;
            }
            delivery->failed = !result->decoded;
            delivery->large = !asObject;
            delivery->body = std::move(result->body);
            delivery->raw = std::move(result->raw);
            delivery->ready = true;
            deliverReady();
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
        // Freeing thousands of maps takes as long as a frame: a large body is freed on a pool
        // thread, as it was made there, once the listeners let go of it.
        if (delivery->large && delivery->body.isValid())
            QThreadPool::globalInstance()->start([body = std::move(delivery->body)] {});
    }
}
