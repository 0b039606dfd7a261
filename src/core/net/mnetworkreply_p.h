#ifndef MNETWORKREPLY_P_H
#define MNETWORKREPLY_P_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QNetworkReply>
#include <QSharedData>
#include <QSslError>

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
