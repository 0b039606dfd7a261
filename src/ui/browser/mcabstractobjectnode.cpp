#include "mcabstractobjectnode.h"

#include "mcbrowserlog.h"
#include "mcnodeobserver.h"

#include <QCollator>
#include <QDir>
#include <QLocale>
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

QPixmap badgeNamed(const QString &name)
{
    initBrowserResources();
    const QString key = QStringLiteral(":/browser/images/") + name;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap) && pixmap.load(key))
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}

// The badge of the first set bit in the order sync, download, upload, cached, error.
QString badgeName(quint64 states)
{
    static const struct
    {
        quint64 bit;
        const char *name;
    } priority[] = {
        {MCAbstractObjectNode::Syncing, "badge_sync.png"},
        {MCAbstractObjectNode::Downloading, "badge_download.png"},
        {MCAbstractObjectNode::Uploading, "badge_upload.png"},
        {MCAbstractObjectNode::Cached, "badge_cached.png"},
        {MCAbstractObjectNode::DownloadFailed, "badge_error.png"},
    };
    for (const auto &entry : priority) {
        if (states & entry.bit)
            return QLatin1String(entry.name);
    }
    return QString();
}

} // namespace

MCAbstractObjectNode::MCAbstractObjectNode() = default;

MCAbstractObjectNode::MCAbstractObjectNode(const MCAbstractObjectNode &other)
    : QEnableSharedFromThis<MCAbstractObjectNode>()
    , m_fileIcon(other.m_fileIcon)
    , m_fileImageStatus(other.m_fileImageStatus)
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
    if (parentNode &&
        parentNode->m_childIndex.value(m_fileName, -1) == parentNode->rowOfChild(this))
        parentNode->m_childIndex.remove(m_fileName);
    m_fileName = fileName;
    m_representedName = fileName;
    m_nameKey.reset();
    if (parentNode) {
        const int row = parentNode->rowOfChild(this);
        if (row >= 0 && !parentNode->m_childIndex.contains(fileName))
            parentNode->m_childIndex.insert(fileName, row);
    }
    notifyChanged();
}

void MCAbstractObjectNode::setFileIcon(const QIcon &icon)
{
    m_fileIcon = icon;
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
    if (!name.isEmpty()) {
        m_fileImageStatusName = name;
        m_fileImageStatus = badgeNamed(name);
    } else if (m_states != 0 && states == 0) {
        m_fileImageStatusName.clear();
        m_fileImageStatus = QPixmap();
    }
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
    const int row = m_childIndex.value(name, -1);
    if (row >= 0 && row < m_children.size() && m_children.at(row)->fileName() == name)
        return m_children.at(row);
    for (const MCNodePtr &child : m_children) {
        if (child->fileName() == name)
            return child;
    }
    return MCNodePtr();
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
        if (!m_childIndex.contains(child->m_fileName))
            m_childIndex.insert(child->m_fileName, row);
    }
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenInserted(this); });
    setChildrenCount(quint64(m_children.size()));
}

void MCAbstractObjectNode::removeChildNodes(const MCNodeList &nodes)
{
    if (m_childrenDirty || !m_hasChildren || nodes.isEmpty())
        return;
    // Equality is path, placeholder flag and kind: one set look-up per child instead of a
    // scan of nodes per child, which a mass deletion in a large folder would make quadratic.
    QSet<QString> keys;
    for (const MCNodePtr &node : nodes) {
        if (node && !node->m_fileKind.isEmpty())
            keys.insert(node->filePath() + QChar(node->m_isPlaceholder ? 1 : 0) + node->m_fileKind);
    }
    if (keys.isEmpty())
        return;
    int removed = 0;
    int row = m_children.size() - 1;
    while (row >= 0) {
        auto matches = [this, &keys](int r) {
            const MCAbstractObjectNode *c = m_children.at(r).data();
            return !c->m_fileKind.isEmpty() &&
                   keys.contains(c->filePath() + QChar(c->m_isPlaceholder ? 1 : 0) + c->m_fileKind);
        };
        if (!matches(row)) {
            --row;
            continue;
        }
        // One announcement per run of adjacent rows, from the end so rows stay valid.
        const int last = row;
        while (row > 0 && matches(row - 1))
            --row;
        const int first = row;
        forEachObserver([this, first, last](MCNodeObserver *o) {
            o->nodeChildrenAboutToBeRemoved(this, first, last);
        });
        m_children.remove(first, last - first + 1);
        forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenRemoved(this); });
        removed += last - first + 1;
        --row;
    }
    if (!removed)
        return;
    setRowHints(0);
    rebuildIndex();
    setChildrenCount(quint64(m_children.size()));
}

void MCAbstractObjectNode::sortNodes(MCNodeList &nodes, int key, bool ascending)
{
    if (nodes.size() < 2)
        return;
    // Qt's collator compares code points under the C locale (numeric mode and all), so a
    // session without a locale would put "file 10" before "File 2": collate as English there.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Sort keys once per node and name: far cheaper than a collation per comparison, and a
    // re-sort of the same folder makes none.
    const QString localeName = locale.bcp47Name();
    std::vector<const QCollatorSortKey *> nameKeys;
    nameKeys.reserve(size_t(nodes.size()));
    if (key == SortByName) {
        for (const MCNodePtr &node : qAsConst(nodes)) {
            if (!node->m_nameKey || node->m_nameKeyLocale != localeName) {
                node->m_nameKey.emplace(collator.sortKey(node->m_fileName));
                node->m_nameKeyLocale = localeName;
            }
            nameKeys.push_back(&*node->m_nameKey);
        }
    }
    std::vector<int> order(size_t(nodes.size()));
    for (int i = 0; i < nodes.size(); ++i)
        order[size_t(i)] = i;
    // Names compare as people read them; equal-looking names still get a fixed order.
    auto byName = [&](int a, int b) {
        const int c = nameKeys[size_t(a)]->compare(*nameKeys[size_t(b)]);
        if (c)
            return c;
        return nodes.at(a)->m_fileName.compare(nodes.at(b)->m_fileName);
    };
    auto compare = [&](int a, int b) {
        const MCAbstractObjectNode *x = nodes.at(a).data();
        const MCAbstractObjectNode *y = nodes.at(b).data();
        int c = 0;
        switch (key) {
        case SortByName:
            c = byName(a, b);
            break;
        case SortBySize:
            c = x->m_fileSize < y->m_fileSize ? -1 : x->m_fileSize > y->m_fileSize ? 1 : 0;
            break;
        case SortByKind:
            c = collator.compare(x->m_fileKind, y->m_fileKind);
            break;
        default:
            c = x->m_fileDateModified < y->m_fileDateModified   ? -1
                : y->m_fileDateModified < x->m_fileDateModified ? 1
                                                                : 0;
            break;
        }
        return ascending ? c < 0 : c > 0;
    };
    std::stable_sort(order.begin(), order.end(), compare);
    MCNodeList sorted;
    sorted.reserve(nodes.size());
    for (int i : order)
        sorted.append(nodes.at(i));
    nodes = sorted;
}

void MCAbstractObjectNode::sortChildrenByKey(int key, bool ascending)
{
    if (m_childrenDirty || m_children.isEmpty())
        return;
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenAboutToBeReordered(this); });
    sortNodes(m_children, key, ascending);
    setRowHints(0);
    rebuildIndex();
    forEachObserver([this](MCNodeObserver *o) { o->nodeChildrenReordered(this); });
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
    for (int row = m_children.size() - 1; row >= 0; --row)
        m_childIndex.insert(m_children.at(row)->m_fileName, row);
}

void MCAbstractObjectNode::setRowHints(int from)
{
    for (int row = from; row < m_children.size(); ++row)
        m_children.at(row)->m_rowHint = row;
}
