#ifndef MCONTACTSMANAGER_P_H
#define MCONTACTSMANAGER_P_H

#include "mcontactsmanager.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QVariant>

#include <memory>

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
    // Reads a listing's contacts, a long one on a pool thread; they are announced in the order
    // the listings came.
    void readListing(const QVariantList &elements);
    // Announces the listings read, up to the first still being read.
    void announceReadListings();
    // Answers a failed invitation or search with its signal.
    void reportFailure(const MNetworkRequest &request, int status, const QVariantMap &answer);
    void decodeErrorSlot(const MNetworkRequest &request, const QByteArray &data,
                         const MNetworkReply &reply);

    // A contacts listing, read into accounts.
    struct Listing
    {
        QList<MUserAccount> contacts;
        bool read = false;
    };

    MContactsManager *q_ptr;
    MJsonRequestManager *jsonManager = nullptr;
    // The listings asked for, in the order they came, the first not yet announced.
    QList<std::shared_ptr<Listing>> listings;
};

#endif // MCONTACTSMANAGER_P_H
