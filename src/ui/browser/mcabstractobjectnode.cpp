#include "mcabstractobjectnode.h"

#include "mcbrowserlog.h"
#include "mcnodeobserver.h"

#include <QDir>
#include <QPixmapCache>
#include <QSet>
#include <QTimer>

#include <algorithm>

static void initBrowserResources()
{
    // The artwork lives in a static library, whose resources are not registered on their own.
    static const bool registered = [] {
        Q_INIT_RESOURCE(browser);
        return true;
    }();
    Q_UNUSED(registered)
}

namespace {

QString cleanPath(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("/");
    QString cleaned =
        QDir::cleanPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
    return cleaned.isEmpty() ? QStringLiteral("/") : cleaned;
}

// The badge of the first set bit in the order sync, download, upload, cached, error. One
// string per badge, shared by every node that shows it.
QString badgeName(quint64 states)
{
    static const struct
    {
        quint64 bit;
        QString name;
    } priority[] = {
        {MCAbstractObjectNode::Syncing, QStringLiteral("badge_sync.png")},
        {MCAbstractObjectNode::Downloading, QStringLiteral("badge_download.png")},
        {MCAbstractObjectNode::Uploading, QStringLiteral("badge_upload.png")},
        {MCAbstractObjectNode::Cached, QStringLiteral("badge_cached.png")},
        {MCAbstractObjectNode::DownloadFailed, QStringLiteral("badge_error.png")},
    };
    for (const auto &entry : priority) {
        if (states & entry.bit)
            return entry.name;
    }
    return QString();
}

} // namespace

MCAbstractObjectNode::MCAbstractObjectNode() = default;

MCAbstractObjectNode::MCAbstractObjectNode(const MCAbstractObjectNode &other)
    : QEnableSharedFromThis<MCAbstractObjectNode>()
    , m_fileIcon(other.m_fileIcon)
    , m_fileImageStatusName(other.m_fileImageStatusName)
    , m_fileName(other.m_fileName)
    , m_fileDateModified(other.m_fileDateModified)
    , m_fileKind(other.m_fileKind)
    , m_isDir(other.m_isDir)
    , m_isPackage(other.m_isPackage)
    , m_isBusy(other.m_isBusy)
    , m_childrenDirty(other.m_childrenDirty)
    , m_isLeaf(other.m_isLeaf)
    , m_representedName(other.m_representedName)
    , m_basePath(other.m_basePath)
    , m_childrenCount(other.m_childrenCount)
    , m_states(other.m_states)
{}

MCAbstractObjectNode::~MCAbstractObjectNode() = default;

QString MCAbstractObjectNode::filePath() const
{
    if (m_fileName.isEmpty())
        return cleanPath(m_basePath);
    if (m_basePath.isEmpty() || m_basePath == QLatin1String("/"))
        return cleanPath(QLatin1Char('/') + m_fileName);
    return cleanPath(m_basePath + QLatin1Char('/') + m_fileName);
}

void MCAbstractObjectNode::setBasePath(const QString &basePath)
{
    m_basePath = basePath;
}

void MCAbstractObjectNode::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    const MCNodePtr parentNode = parent();
    const bool indexed = parentNode && parentNode->m_childIndex.remove(m_fileName, this) > 0;
    m_fileName = fileName;
    m_representedName = fileName;
    m_nameKey.reset();
    m_nameRankStamp = 0;
    if (indexed)
        parentNode->m_childIndex.insert(fileName, this);
    notifyChanged();
}

QIcon MCAbstractObjectNode::fileIcon() const
{
    if (m_fileIcon.isNull())
        m_fileIcon = typeIcon();
    return m_fileIcon;
}

void MCAbstractObjectNode::setFileIcon(const QIcon &icon)
{
    m_fileIcon = icon;
}

QPixmap MCAbstractObjectNode::fileImageStatus() const
{
    return badgeImage(m_fileImageStatusName);
}

QPixmap MCAbstractObjectNode::badgeImage(const QString &name)
{
    if (name.isEmpty())
        return QPixmap();
    initBrowserResources();
    const QString key = QStringLiteral(":/browser/images/") + name;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap) && pixmap.load(key))
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QString MCAbstractObjectNode::additionalFileInfo(const QVariant &infoType) const
{
    Q_UNUSED(infoType)
    return m_additionalFileInfo;
}

void MCAbstractObjectNode::setIsDir(bool isDir)
{
    m_isDir = isDir;
    m_isLeaf = !isDir;
}

void MCAbstractObjectNode::setIsBusy(bool busy)
{
    if (busy == m_isBusy)
        return;
    m_isBusy = busy;
    notifyChanged();
}

void MCAbstractObjectNode::setStates(quint64 states)
{
    const QString name = badgeName(states);
    if (!name.isEmpty())
        m_fileImageStatusName = name;
    else if (m_states != 0 && states == 0)
        m_fileImageStatusName.clear();
    const bool changed = states != m_states;
    m_states = states;
    if (changed)
        notifyChanged();
}

void MCAbstractObjectNode::setChildrenCount(quint64 count)
{
    if (count == m_childrenCount)
        return;
    m_childrenCount = count;
    forEachObserver([this](MCNodeObserver *observer) { observer->nodeChanged(this); });
}

int MCAbstractObjectNode::rowOfChild(const MCAbstractObjectNode *child) const
{
    if (!child)
        return -1;
    const int hint = child->m_rowHint;
    if (hint >= 0 && hint < m_children.size() && m_children.at(hint).data() == child)
        return hint;
    // A child shared with a copy of this folder may carry the copy's row.
    for (int row = 0; row < m_children.size(); ++row) {
        if (m_children.at(row).data() == child)
            return row;
    }
    return -1;
}

MCNodePtr MCAbstractObjectNode::childNamed(const QString &name) const
{
    int first = -1;
    for (auto it = m_childIndex.constFind(name); it != m_childIndex.constEnd() && it.key() == name;
         ++it) {
        const int row = it.value()->m_fileName == name ? rowOfChild(it.value()) : -1;
        if (row >= 0 && (first < 0 || row < first))
            first = row;
    }
    return first < 0 ? MCNodePtr() : m_children.at(first);
}

MCNodeList MCAbstractObjectNode::childrenNamed(const QString &name) const
{
    MCNodeList named;
    for (auto it = m_childIndex.constFind(name); it != m_childIndex.constEnd() && it.key() == name;
         ++it) {
        const int row = it.value()->m_fileName == name ? rowOfChild(it.value()) : -1;
        if (row >= 0)
            named.append(m_children.at(row));
    }
    return named;
}

MCNodePtr MCAbstractObjectNode::childAtPath(const QString &path)
{
    const QString own = filePath();
    const bool absolute = path.startsWith(QLatin1Char('/'));
    if (absolute && cleanPath(path) == own)
        return sharedFromThis();
    QString rest = path;
    if (absolute) {
        const QString wanted = cleanPath(path);
        // Component-wise: "/foo" is not a prefix of "/foobar/x".
        if (own == QLatin1String("/"))
            rest = wanted.mid(1);
        else if (wanted.startsWith(own + QLatin1Char('/')))
            rest = wanted.mid(own.size() + 1);
        else
            return MCNodePtr();
    }
    const QStringList components = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (components.isEmpty()) {
        qCWarning(lcBrowser) << "[WARNING]: Unexpected empty components array" << path;
        return MCNodePtr();
    }
    const MCNodePtr child = childNamed(components.first());
    if (!child)
        return MCNodePtr();
    if (components.size() == 1) {
        child->setParent(sharedFromThis());
        return child;
    }
    return child->childAtPath(components.mid(1).join(QLatin1Char('/')));
}

void MCAbstractObjectNode::replaceChildren(const MCNodeList &children, bool updateCount)
{
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReset(this); });
    m_children = children;
    m_hasChildren = true;
    const MCNodePtr self = sharedFromThis();
    for (const MCNodePtr &child : qAsConst(m_children))
        child->m_parent = self;
    setRowHints(0);
    rebuildIndex();
    if (updateCount) {
        m_childrenCount = quint64(m_children.size());
        m_childrenDirty = false;
    }
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReset(this); });
    if (updateCount)
        forEachObserver([this](MCNodeObserver *o) { o->nodeChanged(this); });
}

void MCAbstractObjectNode::appendChildNodes(const MCNodeList &nodes)
{
    if (nodes.isEmpty())
        return;
    const int first = m_children.size();
    forEachObserver([this, first, &nodes](MCNodeObserver *o) {
        o->nodeChildrenAboutToBeInserted(this, first, first + nodes.size() - 1);
    });
    const MCNodePtr self = sharedFromThis();
    m_children += nodes;
    m_hasChildren = true;
    for (int row = first; row < m_children.size(); ++row) {
        MCAbstractObjectNode *child = m_children.at(row).data();
        child->m_parent = self;
        child->m_rowHint = row;
        m_childIndex.insert(child->m_fileName, child);
    }
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenInserted(this); });
    setChildrenCount(quint64(m_children.size()));
}

void MCAbstractObjectNode::insertChildAt(int row, const MCNodePtr &node)
{
    forEachObserver(
        [this, row](MCNodeObserver *o) { o->nodeChildrenAboutToBeInserted(this, row, row); });
    m_children.insert(row, node);
    m_hasChildren = true;
    node->m_parent = sharedFromThis();
    m_childIndex.insert(node->m_fileName, node.data());
    setRowHints(row);
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenInserted(this); });
}

void MCAbstractObjectNode::removeChildNodes(const MCNodeList &nodes)
{
    if (m_childrenDirty || !m_hasChildren || nodes.isEmpty())
        return;
    // The rows to go, through the name index: a mass removal from a large folder costs one
    // pass over it, not one per node.
    QVector<int> rows;
    rows.reserve(nodes.size());
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        const int own = rowOfChild(node.data());
        if (own >= 0 && !node->m_fileKind.isEmpty()) {
            rows.append(own);
            continue;
        }
        for (auto it = m_childIndex.constFind(node->m_fileName);
             it != m_childIndex.constEnd() && it.key() == node->m_fileName; ++it) {
            if (node->isEqual(it.value())) {
                const int row = rowOfChild(it.value());
                if (row >= 0)
                    rows.append(row);
            }
        }
    }
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Runs of adjacent rows, from the end so that rows stay valid.
    QVector<QPair<int, int>> runs;
    for (int i = rows.size() - 1; i >= 0;) {
        const int last = rows.at(i);
        while (i > 0 && rows.at(i - 1) == rows.at(i) - 1)
            --i;
        runs.append({rows.at(i), last});
        --i;
    }
    for (int row : qAsConst(rows))
        m_childIndex.remove(m_children.at(row)->m_fileName, m_children.at(row).data());
    if (runs.size() <= 64) {
        // One announcement per run.
        for (const auto &run : qAsConst(runs)) {
            forEachObserver([this, &run](MCNodeObserver *o) {
                o->nodeChildrenAboutToBeRemoved(this, run.first, run.second);
            });
            m_children.remove(run.first, run.second - run.first + 1);
            forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenRemoved(this); });
        }
    } else {
        // Scattered rows: one pass, announced as a new order without them (a row shift per
        // run would be quadratic).
        forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
        int next = 0;
        int kept = 0;
        for (int row = 0; row < m_children.size(); ++row) {
            if (next < rows.size() && rows.at(next) == row) {
                ++next;
                continue;
            }
            if (kept != row)
                m_children[kept] = std::move(m_children[row]);
            ++kept;
        }
        m_children.resize(kept);
        setRowHints(0);
        forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReordered(this); });
    }
    setRowHints(rows.first());
    setChildrenCount(quint64(m_children.size()));
}

void MCAbstractObjectNode::invalidateChildren()
{
    // Deferred, so a caller that invalidates still sees the old children in the same turn.
    const QWeakPointer<MCAbstractObjectNode> weak = sharedFromThis();
    QTimer::singleShot(0, [weak] {
        if (const MCNodePtr node = weak.toStrongRef())
            node->performChildrenInvalidation();
    });
}

void MCAbstractObjectNode::notifyChildrenReady()
{
    m_childrenDirty = false;
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReady(this); });
}

void MCAbstractObjectNode::notifyChildrenInvalidated()
{
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenInvalidated(this); });
}

void MCAbstractObjectNode::applyAttributesFromDictionary(const QVariantMap &attributes)
{
    doApplyAttributesFromDictionary(attributes);
}

bool MCAbstractObjectNode::isEqual(const MCAbstractObjectNode *other) const
{
    if (other == this)
        return true;
    return other && !m_fileKind.isEmpty() && other->m_isPlaceholder == m_isPlaceholder &&
           other->m_fileKind == m_fileKind && other->filePath() == filePath();
}

void MCAbstractObjectNode::addObserver(MCNodeObserver *observer)
{
    if (observer && !m_observers.contains(observer))
        m_observers.append(observer);
}

void MCAbstractObjectNode::removeObserver(MCNodeObserver *observer)
{
    m_observers.removeAll(observer);
}

void MCAbstractObjectNode::notifyChanged()
{
    const MCNodePtr parentNode = parent();
    if (!parentNode || parentNode->m_observers.isEmpty())
        return;
    const int row = parentNode->rowOfChild(this);
    if (row < 0)
        return;
    parentNode->forEachObserver(
        [&parentNode, row](MCNodeObserver *o) { o->nodeChildChanged(parentNode.data(), row); });
}

void MCAbstractObjectNode::forEachObserver(const std::function<void(MCNodeObserver *)> &call)
{
    if (m_observers.isEmpty())
        return;
    // A copy: an observer may remove itself while it is told.
    const QVector<MCNodeObserver *> observers = m_observers;
    for (MCNodeObserver *observer : observers) {
        if (m_observers.contains(observer))
            call(observer);
    }
}

void MCAbstractObjectNode::rebuildIndex()
{
    m_childIndex.clear();
    m_childIndex.reserve(m_children.size());
    for (const MCNodePtr &child : qAsConst(m_children))
        m_childIndex.insert(child->m_fileName, child.data());
}

void MCAbstractObjectNode::setRowHints(int from)
{
    for (int row = from; row < m_children.size(); ++row)
        m_children.at(row)->m_rowHint = row;
}
