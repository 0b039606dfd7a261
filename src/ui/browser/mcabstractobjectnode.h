#ifndef MCABSTRACTOBJECTNODE_H
#define MCABSTRACTOBJECTNODE_H

#include <QCollatorSortKey>
#include <QDateTime>
#include <QEnableSharedFromThis>
#include <QHash>
#include <QIcon>
#include <QMetaType>
#include <QPixmap>
#include <QSharedPointer>
#include <QString>
#include <QVariantMap>
#include <QVector>
#include <QWeakPointer>

#include <functional>
#include <optional>

class MCAbstractObjectNode;
class MCNodeObserver;

using MCNodePtr = QSharedPointer<MCAbstractObjectNode>;
using MCNodeList = QVector<MCNodePtr>;

// One file or folder as the browser views, the path bar and the menus show it: where it is,
// its name, size, kind, icon, dates, transfer state (shown as a badge) and its children.
//
// Nodes are plain values held by shared pointers: a folder holds its children, a child points
// back at its parent weakly. A large folder has many thousands of them, so they are not
// QObjects; an item model learns about changes through MCNodeObserver. Main thread only.
class MCAbstractObjectNode : public QEnableSharedFromThis<MCAbstractObjectNode>
{
public:
    // The state bits; the badge follows the first set bit in the order Syncing, Downloading,
    // Uploading, Cached, DownloadFailed.
    enum State : quint64 {
        Downloading = 1,
        Uploading = 2, // also: a folder being created
        Cached = 4,
        Syncing = 8, // a rename was sent and the service has not confirmed it
        DownloadFailed = 16,
    };
    // The keys of sortChildrenByKey(); any other key sorts by modification date.
    enum SortKey { SortByName = 1, SortBySize = 2, SortByDate = 3, SortByKind = 4 };
    // The sort key for a sort code's field (0 name, 1 kind, 4 size, any other a date).
    static int sortKeyForField(int field);

    virtual ~MCAbstractObjectNode();

    // A new node of the same class with the same shown values; the children are the
    // subclass's to copy.
    virtual MCNodePtr copy() const = 0;

    // basePath joined with fileName, cleaned ("/" for the root, whose name is empty).
    QString filePath() const;
    QString basePath() const { return m_basePath; }
    void setBasePath(const QString &basePath);
    QString fileName() const { return m_fileName; }
    // Also sets representedName.
    void setFileName(const QString &fileName);
    QString representedName() const { return m_representedName; }
    void setRepresentedName(const QString &name) { m_representedName = name; }

    // The icon set, or else the one the subclass gives for the node's name and type (made
    // when first asked for, on the main thread: a node may be built on another).
    QIcon fileIcon() const;
    void setFileIcon(const QIcon &icon);
    // The state badge setStates() chose; null when there is none.
    QPixmap fileImageStatus() const;
    // A badge image by name ("badge_sync.png", ...); null for an empty or unknown name.
    static QPixmap badgeImage(const QString &name);
    QString fileImageStatusName() const { return m_fileImageStatusName; }
    qint64 fileSize() const { return m_fileSize; }
    void setFileSize(qint64 size) { m_fileSize = size; }
    // The extra line under an icon; infoType is the icon view's "AdditionalInfoType" option
    // (invalid when absent), which remote nodes compute it from.
    virtual QString additionalFileInfo(const QVariant &infoType = QVariant()) const;
    void setAdditionalFileInfo(const QString &info) { m_additionalFileInfo = info; }
    QString mimeType() const { return m_mimeType; }
    void setMimeType(const QString &mimeType) { m_mimeType = mimeType; }
    QDateTime fileDateModified() const { return m_fileDateModified; }
    void setFileDateModified(const QDateTime &date) { m_fileDateModified = date; }
    QString fileKind() const { return m_fileKind; }
    void setFileKind(const QString &kind) { m_fileKind = kind; }
    QString contentHash() const { return m_contentHash; }
    void setContentHash(const QString &hash) { m_contentHash = hash; }

    bool isDir() const { return m_isDir; }
    // Also makes the node a leaf when it is not a folder.
    virtual void setIsDir(bool isDir);
    bool isLeaf() const { return m_isLeaf; }
    bool isPackage() const { return m_isPackage; }
    void setIsPackage(bool isPackage) { m_isPackage = isPackage; }
    bool isBusy() const { return m_isBusy; }
    void setIsBusy(bool busy);
    bool isPlaceholder() const { return m_isPlaceholder; }
    void setIsPlaceholder(bool placeholder) { m_isPlaceholder = placeholder; }
    bool hideHiddenFiles() const { return m_hideHiddenFiles; }
    void setHideHiddenFiles(bool hide) { m_hideHiddenFiles = hide; }
    virtual bool isRoot() const { return false; }

    quint64 states() const { return m_states; }
    // Stores the bits and shows the badge of the first set bit by priority. Clearing every
    // bit of a node that had some clears the badge.
    void setStates(quint64 states);

    // The parent folder's node, when it is still alive.
    MCNodePtr parent() const { return m_parent.toStrongRef(); }
    void setParent(const MCNodePtr &parent) { m_parent = parent; }

    quint64 childrenCount() const { return m_childrenCount; }
    void setChildrenCount(quint64 count);
    // The children are not (or no longer) valid: the folder has not been listed.
    bool childrenDirty() const { return m_childrenDirty; }
    void setChildrenDirty(bool dirty) { m_childrenDirty = dirty; }
    // Whether children were ever set (a null array in the original sense).
    bool hasChildren() const { return m_hasChildren; }
    const MCNodeList &children() const { return m_children; }
    // Replaces the children; each gets this node as its parent.
    virtual void setChildren(const MCNodeList &children) = 0;
    // The row of child in children(), -1 when it is not one.
    int rowOfChild(const MCAbstractObjectNode *child) const;
    // The child of that exact name (the first by row), through an index kept with the
    // children.
    MCNodePtr childNamed(const QString &name) const;
    // Every child of that exact name (a file and a folder, a placeholder and the listed
    // object), in no particular order.
    MCNodeList childrenNamed(const QString &name) const;

    // The node at path in the loaded subtree (an absolute path or one relative to this
    // node); null when it is not loaded. Never loads anything.
    MCNodePtr childAtPath(const QString &path);

    // Adds the nodes at the end (also to dirty children) and updates the count.
    void appendChildNodes(const MCNodeList &nodes);
    // Adds the nodes where the order last asked of sortChildrenByKey() puts them, at the end
    // when none was, and updates the count.
    void insertChildNodes(const MCNodeList &nodes);
    // Moves child to where that order puts it after its values changed (a rename, say).
    void reorderChild(const MCAbstractObjectNode *child);
    // Removes every child equal to one of nodes; nothing while the children are dirty.
    void removeChildNodes(const MCNodeList &nodes);
    // Sorts the children by a SortKey and keeps that order for insertChildNodes() (set even
    // while the children are dirty); names compare as people read them: case-insensitively,
    // digit runs as numbers, ties in a fixed order.
    void sortChildrenByKey(int key, bool ascending);
    // The order last asked of sortChildrenByKey(); key 0 when none was.
    int childrenSortKey() const { return m_sortKey; }
    bool childrenSortAscending() const { return m_sortAscending; }
    // Sorts nodes in place the way sortChildrenByKey() does; any thread, for nodes no other
    // thread touches.
    static void sortNodes(MCNodeList &nodes, int key, bool ascending);
    // Inserts nodes into sorted (in that order) where the order puts them.
    static void insertSorted(MCNodeList &sorted, const MCNodeList &nodes, int key, bool ascending);

    // Marks this node and its children invalid on the next turn of the event loop.
    void invalidateChildren();
    virtual void performChildrenInvalidation() = 0;
    void notifyChildrenReady();
    void notifyChildrenInvalidated();

    // Applies {key: [old, new]} updates from the service ("label", "path", "hash", ...).
    void applyAttributesFromDictionary(const QVariantMap &attributes);

    // Same path, same placeholder flag and same (non-empty) kind: a placeholder never equals
    // the listed object at its path, and a file never equals a folder of the same name.
    bool isEqual(const MCAbstractObjectNode *other) const;

    // Observers of this node's children; not owned.
    void addObserver(MCNodeObserver *observer);
    void removeObserver(MCNodeObserver *observer);

    // Tells the parent's observers that this node's shown values changed.
    void notifyChanged();

protected:
    MCAbstractObjectNode();
    MCAbstractObjectNode(const MCAbstractObjectNode &other); // the shown values only

    virtual void doApplyAttributesFromDictionary(const QVariantMap &attributes) = 0;
    // Stores children and announces the reset; updateCount also sets the count and makes the
    // children valid.
    void replaceChildren(const MCNodeList &children, bool updateCount);
    void forEachObserver(const std::function<void(MCNodeObserver *)> &call);
    // The icon fileIcon() shows while none was set; made on the main thread.
    virtual QIcon typeIcon() const { return QIcon(); }
    // Forgets the icon made by typeIcon(), after a change of name or type.
    void resetTypeIcon() { m_fileIcon = QIcon(); }

private:
    friend class MCNodeOrdering;
    void rebuildIndex();
    void setRowHints(int from);
    // Inserts node at row, announced, indexed and counted by the caller.
    void insertChildAt(int row, const MCNodePtr &node);

    mutable QIcon m_fileIcon;
    QString m_fileImageStatusName;
    QString m_fileName;
    qint64 m_fileSize = 0;
    QString m_additionalFileInfo;
    QString m_mimeType;
    QDateTime m_fileDateModified;
    QString m_fileKind;
    bool m_isDir = false;
    bool m_isPackage = false;
    bool m_isBusy = false;
    bool m_childrenDirty = true;
    bool m_hideHiddenFiles = false;
    bool m_isPlaceholder = false;
    bool m_isLeaf = true;
    bool m_hasChildren = false;
    QString m_contentHash;
    QString m_representedName;
    QString m_basePath;
    quint64 m_childrenCount = 0;
    quint64 m_states = 0;
    QWeakPointer<MCAbstractObjectNode> m_parent;
    MCNodeList m_children;
    // name -> the children of that name; rows come from their hints, so rows that shift need
    // no new index.
    QMultiHash<QString, MCAbstractObjectNode *> m_childIndex;
    int m_rowHint = -1; // this node's row in its parent's children, when the parent set it
    int m_sortKey = 0;
    bool m_sortAscending = true;
    QVector<MCNodeObserver *> m_observers;
    // The name's collation key, kept between sorts; made again for another locale or name.
    mutable std::optional<QCollatorSortKey> m_nameKey;
    mutable QString m_nameKeyLocale;
    // The name's place among its siblings at the last name sort, valid for the siblings that
    // carry the same stamp (0: none).
    mutable qint64 m_nameRank = 0;
    mutable quint64 m_nameRankStamp = 0;
};

Q_DECLARE_METATYPE(MCNodePtr)

#endif // MCABSTRACTOBJECTNODE_H
