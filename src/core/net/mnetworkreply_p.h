#ifndef MNETWORKREPLY_P_H
#define MNETWORKREPLY_P_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QNetworkReply>
#include <QSharedData>
#include <QSslError>

// Set by the request manager on a reply it gave up on for its silence: the reply was aborted,
// but its snapshot reports a timeout, as for a connection that dropped.
constexpr char MStalledReplyProperty[] = "_mStalled";

class MNetworkReplyPrivate : public QSharedData
{
public:
    QByteArray body;
    int statusCode = 0;
    QList<QSslError> sslErrors;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QMultiMap<QByteArray, QByteArray> headers;
};

#endif // MNETWORKREPLY_P_H
