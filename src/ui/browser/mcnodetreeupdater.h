#ifndef MCNODETREEUPDATER_H
#define MCNODETREEUPDATER_H

#include "mcabstractobjectnode.h"
#include "mostorageobject.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QVector>

struct MOPostedNotification;

// Keeps one view's node tree in step with the objects facade: listings fill a folder, live
// updates add, remove and change nodes, transfers set and clear the state bits, and uploads
// show placeholders (the file under its destination name, and made-up folders for missing
// parents) until the uploaded object is listed. Placeholders are children of their folder's
// node, flagged isPlaceholder, so the item models show them like any other row. Each view
// owns one updater over its own tree. Main thread only.
class MCNodeTreeUpdater
{
public:
    // What the tree needs of a transfer notification.
    struct Transfer
    {
        QString sourcePath;
        QString destinationPath;
        bool upload = true;
        bool caching = false;   // a transfer for the local cache
        bool completed = true;  // when ended: it completed
        bool failed = false;    // when ended: it ended in error
        QString objectPath;     // a download's remote object, when known
        MOStorageObject object; // a completed upload's object, as the service stored it
    };

    explicit MCNodeTreeUpdater(const MCNodePtr &root = MCNodePtr());

    MCNodePtr rootNode() const { return m_root; }
    void setRootNode(const MCNodePtr &root) { m_root = root; }
    // The loaded node at path (not a placeholder), the root itself for its own path.
    MCNodePtr nodeAtPath(const QString &path) const;
    // The registered placeholder at path, if any.
    MCNodePtr placeholderAtPath(const QString &path) const;
    QList<MCNodePtr> placeholders() const;

    // Applies a notification of the objects facade (listings, live updates, transfers);
    // others are ignored.
    void applyNotification(const MOPostedNotification &notification);
    // Applies notifications in order, as applyNotification() one by one would; consecutive
    // live updates of one kind are applied together, so that a large folder is edited once
    // for the run rather than once for each.
    void applyNotifications(const QVector<MOPostedNotification> &notifications);

    // A listing of basePath: the folder's node gets the listed nodes and its placeholders
    // that no listed object replaces, in the folder's order. False when the folder is not in
    // the tree.
    bool setListing(const QString &basePath, const QList<MOStorageObject> &objects);
    // A listing's nodes of folder, made and sorted in the folder's order elsewhere, with the
    // placeholders no listed object replaces (which are no longer waiting for one), in order.
    MCNodeList withPlaceholders(const MCNodePtr &folder, const MCNodeList &nodes);
    void addObjects(const QMap<QString, QList<MOStorageObject>> &objectsByFolder);
    void removeObjects(const QMap<QString, QList<MOStorageObject>> &objectsByFolder);
    // Changes confirmed by the service, each a (before, after) pair, in order: the node takes
    // the new values and is no longer busy nor waiting for a rename; moved to another folder, it
    // moves in the tree too (moves are gathered by folder).
    void updateObjects(const QVector<QPair<MOStorageObject, MOStorageObject>> &changes);

    // Shows a node (a folder being created, say) under parentPath until it is listed.
    void registerPlaceholder(const MCNodePtr &node, const QString &parentPath);
    void removePlaceholdersAtPaths(const QStringList &paths);
    // A placeholder was given another name (a new folder named by the user).
    void placeholderRenamed(const MCNodePtr &node, const QString &oldName);
    // A rename was sent: the node is busy and waits for the service (the syncing badge).
    void markRenameSent(const QString &path);
    // The service refused a rename or a folder creation: a renamed node is usable again
    // as it was; a placeholder being named goes away.
    void abortRenamingNodeAtPath(const QString &path);

    // A transfer starts or progresses: badges for caching transfers, placeholders for uploads.
    void transferStarted(const Transfer &transfer);
    // A transfer finished, failed or was cancelled.
    void transferEnded(const Transfer &transfer);

    // The nodes of objects under folder, without the hidden ones (names starting with ".")
    // when hideHidden; any thread.
    static MCNodeList visibleNodes(const QList<MOStorageObject> &objects, const MCNodePtr &folder,
                                   bool hideHidden);

private:
    MCNodeList visibleNodes(const QList<MOStorageObject> &objects, const MCNodePtr &folder) const
    {
        return visibleNodes(objects, folder, m_root && m_root->hideHiddenFiles());
    }
    bool hides(const QString &name) const;
    // Gives node what the service now says of it, in place: its row, and with it the
    // selection, stays.
    static void refreshNode(const MCNodePtr &node, const MOStorageObject &object);
    void transferNotification(const MOPostedNotification &notification);
    void uploadStarted(const QString &sourcePath, const QString &destinationPath);
    // Drops the made-up parent folders of path that no longer hold any placeholder.
    void dropEmptyFakeAncestors(const QString &path);
    void setStateBits(const QString &path, quint64 set, quint64 clear);

    MCNodePtr m_root;
    // Placeholders by the path of their folder, then by name.
    using Placeholders = QHash<QString, MCNodeList>;
    QHash<QString, Placeholders> m_placeholders;
};

#endif // MCNODETREEUPDATER_H
