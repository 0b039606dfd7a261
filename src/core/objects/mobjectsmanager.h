#ifndef MOBJECTSMANAGER_H
#define MOBJECTSMANAGER_H

#include "mobjecterror.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mreconnectable.h"
#include "msharelink.h"
#include "mshutdownable.h"
#include "mstorageobject.h"
#include "tolvo.h"

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class MObjectSender;
class MObjectsManagerPrivate;

// The core's one facade onto the user's remote store. Every operation returns at once; its
// result comes as a signal carrying the caller's userData unchanged. Lives on the main thread;
// its transfer engine runs on a thread of its own from start() to shutdownCompleted().
class MObjectsManager
    : public QObject
    , public MShutdownable
    , public MReconnectable
{
    Q_OBJECT
public:
    explicit MObjectsManager(QObject *parent = nullptr);
    ~MObjectsManager() override;

    // A directory listed before is answered from the listing cache, after the call has
    // returned, unless force is set. While a listing of path is in flight, further calls for it
    // send nothing: the reply in flight answers, with its own userData.
    void listObjects(const QString &path, bool force, const QVariant &userData);
    // An object of a listed directory is answered at once, inside the call.
    void fetchInfo(const QString &path, const QVariant &userData);
    // A successful delete is not answered: the change reaches listeners as a live update.
    void deleteObject(const QString &path, const QVariant &userData);
    void deleteObject(const MStorageObject &object, const QVariant &userData);
    void deleteObjects(const QStringList &paths, const QVariant &userData);
    // A directory the listing cache already holds is reported to the user and not sent.
    void createDirectory(const QString &path, const QVariant &userData);
    void renameObject(const QString &source, const QString &destination, const QVariant &userData);
    void copyObject(const QString &source, const QString &destination, const QVariant &userData);

    void getShareLink(const QString &path, const QVariant &userData);
    void revokeShareLink(const QString &token, const QVariant &userData);
    void getShareLinksList(int offset, int limit, const QVariant &userData);
    void sendShareLinkByEmail(const QString &link, const QString &filename,
                              const QStringList &emails, const QString &message);

    // The first free name from path on ("Report 2.pdf", "Report 3.pdf", ...), as far as the
    // listing cache knows; path itself when it is free. Null for a path with a ".." component.
    QString suggestedFilePath(const QString &path) const;

    // The transfer engine; null before start() and once it has shut down. Its transfer
    // signals reach listeners through the manager's.
    MObjectSender *objectSender() const;

signals:
    // basePath is the directory the service answered for, or the caller's path for a listing
    // answered from the cache.
    void objectsReady(const QString &basePath, const MStorageObjectList &objects,
                      const QVariant &userData);
    void objectRenamed(const MStorageObject &currentObject, const MStorageObject &originalObject,
                       const QVariant &userData);
    void objectCopied(const MStorageObject &copiedObject, const MStorageObject &originalObject,
                      const QVariant &userData);
    void pathNotFound(const QString &requestPath, const QVariant &userData);
    void objectReady(const MStorageObject &object, const QVariant &userData);
    void objectActionErrors(const MObjectErrorList &errors, Tolvo::ObjectAction action,
                            const QVariant &userData);
    void shareUrlReady(const MStorageObject &object, const QUrl &shareUrl,
                       const QVariant &userData);
    void shareLinksListReady(const QList<MShareLink> &list, const QVariant &userData);
    // userData is always invalid.
    void shareLinkEmailsSent(const QString &filename, const QStringList &recpts,
                             const QStringList &errors, const QVariant &userData);
    void shareUrlRevoked(const MShareLink &shareLink, const QVariant &userData);
    // caching: the transfer fills or empties the local cache. Progress comes at most once
    // per 500 ms per transfer, with its latest state.
    void transferScheduled(const MObjectTransfer &transfer, bool caching = false);
    void transferStarted(const MObjectTransfer &transfer, bool caching = false);
    void transferProgressed(const MObjectTransfer &transfer, bool caching = false);
    void transferPaused(const MObjectTransfer &transfer, bool caching = false);
    void transferFinished(const MObjectTransfer &transfer, bool caching = false);
    void transferGroupScheduled(const MObjectTransferGroup &group);
    void transferGroupStarted(const MObjectTransferGroup &group);
    void transferGroupProgressed(const MObjectTransferGroup &group);
    void transferGroupPaused(const MObjectTransferGroup &group);
    void transferGroupFinished(const MObjectTransferGroup &group);
    void shutdownCompleted();
    // Changes made elsewhere, as the live-update poll learns them: once per poll reply, each
    // only when not empty, in this order, userData always invalid. paths[i] is where
    // objectPairs[i] (before, after) was before the change.
    void objectsAdded(const MStorageObjectList &objects, const QVariant &userData);
    void objectsDeleted(const MStorageObjectList &objects, const QVariant &userData);
    void objectsModified(const QStringList &paths, const QList<MStorageObjectPair> &objectPairs,
                         const QVariant &userData);

public slots:
    // Runs once; later calls do nothing. Starts the transfer engine.
    void start();
    // Cancels every request in flight and stops the transfer engine, which keeps unfinished
    // transfers for the next start; shutdownCompleted() follows, whether start() ran or not.
    void shutdown() override;
    // Polls the service for changes made elsewhere until stopped. The cursor of the last
    // change seen is kept in config.db, for the signed-in user only.
    void startLiveUpdatesMonitor();
    void stopLiveUpdatesMonitor();
    void ensureRepetitiveServices(TolvoApp::ConnectivityStatus previous,
                                  TolvoApp::ConnectivityStatus current) override;

protected:
    void timerEvent(QTimerEvent *event) override;

private slots:
    void transferStateChanged(const MObjectTransfer &transfer);

private:
    Q_DECLARE_PRIVATE(MObjectsManager)
    QScopedPointer<MObjectsManagerPrivate> d_ptr;
};

#endif // MOBJECTSMANAGER_H
