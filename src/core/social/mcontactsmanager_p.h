#ifndef MCONTACTSMANAGER_P_H
#define MCONTACTSMANAGER_P_H

#include "mcontactsmanager.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QVariant>

class MJsonRequestManager;
class MNetworkReply;
class MNetworkRequest;

class MContactsManagerPrivate
{
    Q_DECLARE_PUBLIC(MContactsManager)
public:
    explicit MContactsManagerPrivate(MContactsManager *q);

    void send(const QVariant &parameters, int action);

    void errorForRequestSlot(const MNetworkRequest &request, QNetworkReply::NetworkError code);
    void responseObjectReadySlot(const QVariant &responseObject, const MNetworkRequest &request,
                                 const MNetworkReply &reply);
    // Answers a failed invitation or search with its signal.
    void reportFailure(const MNetworkRequest &request, int status, const QVariantMap &answer);
    void decodeErrorSlot(const MNetworkRequest &request, const QByteArray &data,
                         const MNetworkReply &reply);

    MContactsManager *q_ptr;
    MJsonRequestManager *jsonManager = nullptr;
};

#endif // MCONTACTSMANAGER_P_H
