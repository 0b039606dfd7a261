#include "mnetworkreply.h"
#include "mnetworkreply_p.h"

#include <QDebug>

MNetworkReply::MNetworkReply()
    : d(new MNetworkReplyPrivate)
{}

MNetworkReply::MNetworkReply(QNetworkReply *reply, bool skipBody)
    : d(new MNetworkReplyPrivate)
{
    if (!skipBody && reply->isOpen())
        d->body = reply->readAll();
    const bool stalled = reply->property(MStalledReplyProperty).toBool();
    // A reply given up on never came whole: whatever status its head had, there is no answer.
    d->statusCode =
        stalled ? 0 : reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    d->error = stalled ? QNetworkReply::TimeoutError : reply->error();
    // Qt gave up sending again a request that must not be carried out twice, after its
    // connection closed without an answer: to the caller the connection dropped.
    if (d->error == QNetworkReply::ContentReSendError)
        d->error = QNetworkReply::RemoteHostClosedError;
    for (const QNetworkReply::RawHeaderPair &pair : reply->rawHeaderPairs())
        d->headers.insert(pair.first, pair.second);
}

MNetworkReply::MNetworkReply(const MNetworkReply &other) = default;
MNetworkReply &MNetworkReply::operator=(const MNetworkReply &other) = default;
MNetworkReply::~MNetworkReply() = default;

QByteArray MNetworkReply::body() const
{
    return d->body;
}

int MNetworkReply::statusCode() const
{
    return d->statusCode;
}

QNetworkReply::NetworkError MNetworkReply::error() const
{
    return d->error;
}

QList<QSslError> MNetworkReply::sslErrors() const
{
    return d->sslErrors;
}

QMultiMap<QByteArray, QByteArray> MNetworkReply::headers() const
{
    return d->headers;
}

QByteArray MNetworkReply::header(const QByteArray &name) const
{
    // Equal keys iterate from the most recently inserted value.
    const auto exact = d->headers.constFind(name);
    if (exact != d->headers.constEnd())
        return exact.value();
    for (auto it = d->headers.constBegin(); it != d->headers.constEnd(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return QByteArray();
}

QDebug operator<<(QDebug debug, const MNetworkReply &reply)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MNetworkReply(\n"
                    << "              status: " << reply.statusCode() << "\n"
                    << "              body:   " << reply.body() << "\n"
                    << "              headers:" << reply.headers() << ")";
    return debug;
}
