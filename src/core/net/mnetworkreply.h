#ifndef MNETWORKREPLY_H
#define MNETWORKREPLY_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QNetworkReply>
#include <QSharedDataPointer>
#include <QSslError>

class MNetworkReplyPrivate;
class QDebug;

// An immutable snapshot of a reply, handed to listeners by value.
class MNetworkReply
{
public:
    MNetworkReply();
    // Copies status, error and headers; reads what the reply still holds unless skipBody.
    MNetworkReply(QNetworkReply *reply, bool skipBody);
    MNetworkReply(const MNetworkReply &other);
    MNetworkReply &operator=(const MNetworkReply &other);
    ~MNetworkReply();

    QByteArray body() const;
    int statusCode() const;
    QNetworkReply::NetworkError error() const;
    QList<QSslError> sslErrors() const;
    // Every header pair as received; a repeated name keeps all its values.
    QMultiMap<QByteArray, QByteArray> headers() const;
    // The value of a header, its name compared without regard to case; the value inserted
    // last when the name repeats, an empty array when absent.
    QByteArray header(const QByteArray &name) const;

private:
    // Adds the bytes its listener took from the stream before the snapshot.
    friend class MSynchronousReplyManager;
    QSharedDataPointer<MNetworkReplyPrivate> d;
};

// Prints the body: never use it on replies that may carry credentials (sign-in replies).
QDebug operator<<(QDebug debug, const MNetworkReply &reply);

Q_DECLARE_METATYPE(MNetworkReply)

#endif // MNETWORKREPLY_H
