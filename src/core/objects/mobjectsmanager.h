#ifndef MOBJECTSMANAGER_H
#define MOBJECTSMANAGER_H

#include "mobjecterror.h"
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

class MObjectsManagerPrivate;

// The core's one facade onto the user's remote store. Every operation returns at once; its
// result comes as a signal carrying the caller's userData unchanged. Lives on the main thread.
class MObjectsManager
    : public QObject
    , public MShutdownable
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
    void shutdownCompleted();

public slots:
    // Runs once; later calls do nothing.
    void start();
    // Cancels every request in flight; shutdownCompleted() follows, whether start() ran or not.
    void shutdown() override;

private:
    Q_DECLARE_PRIVATE(MObjectsManager)
    QScopedPointer<MObjectsManagerPrivate> d_ptr;
};

#endif // MOBJECTSMANAGER_H
