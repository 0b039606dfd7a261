#ifndef MOBJECTSMANAGER_P_H
#define MOBJECTSMANAGER_P_H

#include "mobjectslistcache.h"
#include "mobjectsmanager.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QThread>
#include <QVariant>
#include <QVariantMap>

class MJsonRequestManager;
class MNetworkReply;
class MNetworkRequest;
class MObjectSender;
class MObjectsVirtualFileSystem;

// Everything runs on the manager's thread, so the tables need no lock of their own.
class MObjectsManagerPrivate
{
    Q_DECLARE_PUBLIC(MObjectsManager)
public:
    explicit MObjectsManagerPrivate(MObjectsManager *q);

    // Requests carry paths as callers wrote them; the cache and the pending table meet them
    // in this form, the one replies are matched by.
    static QString remotePath(const QString &path);

    // False when the request could not be built (nobody signed in, a refused path); nothing
    // is sent then.
    bool sendActionRequest(const QVariant &argument, int action, const QVariant &userData);

    void objectArrivedForRequest(const QVariant &body, const MNetworkRequest &request,
                                 const MNetworkReply &reply);
    void decodeErrorForRequest(const MNetworkRequest &request);
    void setDeltaCursor(const QString &cursor);

    void handleSuccess(int action, const QVariantMap &body, const QVariant &userData,
                       const QVariantMap &info);
    void handleListing(const QVariantMap &body, const QVariant &userData);
    void postFileExists(int action, const QVariantMap &argument, const QVariant &userData);
    void postServiceErrors(int action, const QVariant &errors, const QVariant &userData);
    // Answers a reply the manager cannot use as an undecodable one.
    void reportUndecodable(int action, const QVariantMap &info);

    MObjectsManager *q_ptr;
    MJsonRequestManager *jsonManager = nullptr;
    // The live-update cursor, kept in config.db under "lhid".
    QString deltaCursor;
    // Cleaned paths of the listings in flight.
    QSet<QString> pendingListings;
    MObjectsListCache listingsCache;
    // Latest progress per transfer identifier, flushed by the progress timer.
    QMap<qint64, MObjectTransfer> pendingProgress;
    int progressTimerId = 0;
    MObjectSender *sender = nullptr;
    // The local cache of opened files; a child of the manager, created by start().
    MObjectsVirtualFileSystem *vfs = nullptr;
    bool started = false;
    bool senderStopping = false;
    QThread transfersThread;
};

#endif // MOBJECTSMANAGER_P_H
