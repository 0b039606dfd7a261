#ifndef MOOBJECTSMANAGER_H
#define MOOBJECTSMANAGER_H

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include "moerror.h"
#include "moobjectsmanagerdelegates.h"
#include "moobjecttransfer.h"
#include "moobjecttransfergroup.h"
#include "moobjecttransferrequest.h"
#include "mosharelink.h"
#include "mostorageobject.h"

class MONotificationCenter;
class MOObjectsManagerPrivate;

// The interface's door to the remote store: listings, metadata, changes, share links, local
// copies and transfers. Calls return at once; answers come later on the main thread, as
// notifications on notificationCenter() (object: this facade) or as delegate calls. userData
// given with a call comes back unchanged with its answer, under "MOObjectsManagerUserDataKey"
// (left out when invalid). Main thread only.
class MOObjectsManager : public QObject
{
    Q_OBJECT
public:
    ~MOObjectsManager() override;

    static MOObjectsManager *sharedInstance();

    MONotificationCenter *notificationCenter() const;

    // Starts the core's objects manager after sign-in: its transfer engine and local copies.
    void start();
    // Turns on the periodic check for remote changes ("MOObjects...UpdateNotification").
    void startLiveUpdates();

    MOObjectsManagerHierarchyDelegate *hierarchyDelegate() const;
    // Not owned; a delegate that is a QObject is forgotten when it is destroyed.
    void setHierarchyDelegate(MOObjectsManagerHierarchyDelegate *delegate);
    MOObjectsManagerCacheDelegate *cacheDelegate() const;
    void setCacheDelegate(MOObjectsManagerCacheDelegate *delegate);

    void listObjectsAtPath(const QString &path, bool force, const QVariant &userData);
    // Lists path again even while a listing of it is in flight, which it replaces.
    void listObjectsAgainAtPath(const QString &path, const QVariant &userData);
    void fetchInfoForObjectAtPath(const QString &path, const QVariant &userData);
    void deleteObject(const MOStorageObject &object, const QVariant &userData);
    void deleteObjectAtPath(const QString &path, const QVariant &userData);
    void deleteObjectsAtPaths(const QStringList &paths, const QVariant &userData);
    // Not answered: the new folder arrives as a live update.
    void createDirectoryAtPath(const QString &path, const QVariant &userData);
    // Not answered: the change arrives as a live update.
    void renameObjectAtPath(const QString &source, const QString &toPath, const QVariant &userData);
    void doCopyObjectAtPath(const QString &source, const QString &toPath, const QVariant &userData);
    void getShareLinkForObject(const QString &path, const QVariant &userData);
    void revokeShareLinkForToken(const QString &token, const QVariant &userData);
    void getShareLinksListWithLimit(int limit, int offset, const QVariant &userData);
    // Only the last component of filename is sent.
    void sendShareLinkByEmailWithShareLink(const QUrl &link, const QString &filename,
                                           const QStringList &emails, const QString &message);

    // For a path the core has listed; another is refused with a warning.
    void cacheObjectAtPath(const QString &path);
    // False when there is no local copy of path.
    bool uncacheObjectAtPath(const QString &path);
    // The local file of a cached object; empty when there is no local copy of path.
    QString localCopyPathOfObjectAtPath(const QString &path) const;
    void consolidateObjectAtPath(const QString &path);
    // An empty application URL opens with the default application.
    void openObjectAtPath(const QString &path, const QUrl &application = QUrl());
    // A free remote path for path, by a numeric suffix; null when there is none.
    QString suggestedFilePathWithPath(const QString &path) const;

    // Scheduled at once, unless this turn of the event loop has spent a few milliseconds on
    // transfers already: then on the next turns, in order (queueing thousands never holds the
    // main thread long).
    void transferObject(const MOObjectTransferRequest &request);
    void transferDirectory(const MOObjectTransferRequest &request);
    void cancelTransfer(const MOObjectTransfer &transfer);
    // The transfers that do not run under the account signed in: queued under another account,
    // or before accounts were recorded. They wait in the queue for their account; cancelling one
    // removes it. Empty while nobody is signed in.
    QList<MOObjectTransfer> waitingTransfers() const;
    void pauseTransfer(const MOObjectTransfer &transfer);
    void resumeTransfer(const MOObjectTransfer &transfer);
    void cancelTransferGroup(const MOObjectTransferGroup &group);
    void pauseTransferGroup(const MOObjectTransferGroup &group);
    void resumeTransferGroup(const MOObjectTransferGroup &group);

private:
    MOObjectsManager();
    template<class T> friend class MOSingleton;
    Q_DECLARE_PRIVATE(MOObjectsManager)
    QScopedPointer<MOObjectsManagerPrivate> d_ptr;
};

#endif // MOOBJECTSMANAGER_H
