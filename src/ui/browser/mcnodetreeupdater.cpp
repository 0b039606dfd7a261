#include "mcnodetreeupdater.h"

#include "mcbrowserlog.h"
#include "mcfakenode.h"
#include "mcfilenode.h"
#include "mcobjectnode.h"
#include "mcremotepath.h"
#include "moconstants.h"
#include "moobjectsnotification.h"
#include "moobjecttransfer.h"
#include "motransfernotification.h"

#include <QDir>
#include <QSet>

#include <algorithm>

namespace {

QString clean(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("/");
    const QString cleaned = QDir::cleanPath(path.startsWith(QLatin1Char('/')) ? path : '/' + path);
    return cleaned.isEmpty() ? QStringLiteral("/") : cleaned;
}

QString parentOf(const QString &path)
{
    return MCRemotePath::parentOf(clean(path));
}

QString nameOf(const QString &path)
{
    return MCRemotePath::lastComponent(clean(path));
}

bool isUnder(const QString &path, const QString &folder)
{
    return folder == QLatin1String("/") ? path != folder : path.startsWith(folder + '/');
}

} // namespace

MCNodeTreeUpdater::MCNodeTreeUpdater(const MCNodePtr &root)
    : m_root(root)
{}

MCNodePtr MCNodeTreeUpdater::nodeAtPath(const QString &path) const
{
    if (!m_root)
        return MCNodePtr();
    const QString wanted = clean(path);
    if (wanted == m_root->filePath())
        return m_root;
    const MCNodePtr parent = wanted == QLatin1String("/") ? MCNodePtr()
                             : parentOf(wanted) == m_root->filePath()
                                 ? m_root
                                 : m_root->childAtPath(parentOf(wanted));
    if (!parent)
        return MCNodePtr();
    MCNodePtr found;
    int foundRow = -1;
    for (const MCNodePtr &child : parent->childrenNamed(nameOf(wanted))) {
        const int row = parent->rowOfChild(child.data());
        if (!child->isPlaceholder() && (foundRow < 0 || row < foundRow)) {
            found = child;
            foundRow = row;
        }
    }
    return found;
}

MCNodePtr MCNodeTreeUpdater::placeholderAtPath(const QString &path) const
{
    const QString wanted = clean(path);
    const auto folder = m_placeholders.constFind(parentOf(wanted));
    if (folder == m_placeholders.constEnd())
        return MCNodePtr();
    const MCNodeList named = folder->value(nameOf(wanted));
    return named.isEmpty() ? MCNodePtr() : named.first();
}

QList<MCNodePtr> MCNodeTreeUpdater::placeholders() const
{
    QList<MCNodePtr> all;
    for (const Placeholders &folder : m_placeholders)
        for (const MCNodeList &nodes : folder)
            for (const MCNodePtr &node : nodes)
                all.append(node);
    return all;
}

void MCNodeTreeUpdater::applyNotification(const MOPostedNotification &notification)
{
    const QString &name = notification.name;
    if (name == MOObjectsListDidFetchNotification) {
        const MOObjectsNotification reader(notification);
        setListing(reader.basePath(), reader.objects());
    } else if (name == MOObjectsAddedUpdateNotification ||
               name == MOObjectsDeletedUpdateNotification ||
               name == MOObjectsModifiedUpdateNotification) {
        applyNotifications({notification});
    } else if (name == MOObjectUncachedNotification) {
        setStateBits(MOObjectsNotification(notification).object().fullPath(), 0,
                     MCAbstractObjectNode::Cached);
    } else if (name.startsWith(QLatin1String("MOObjectTransfer"))) {
        transferNotification(notification);
    }
}

void MCNodeTreeUpdater::applyNotifications(const QVector<MOPostedNotification> &notifications)
{
    for (int first = 0; first < notifications.size();) {
        const QString &name = notifications.at(first).name;
        int end = first + 1;
        while (end < notifications.size() && notifications.at(end).name == name)
            ++end;
        if (name == MOObjectsAddedUpdateNotification ||
            name == MOObjectsDeletedUpdateNotification) {
            QMap<QString, QList<MOStorageObject>> byFolder;
            for (int i = first; i < end; ++i) {
                const auto objects = MOObjectsNotification(notifications.at(i)).objectsByFolder();
                for (auto it = objects.constBegin(); it != objects.constEnd(); ++it)
                    byFolder[it.key()] += it.value();
            }
            if (name == MOObjectsDeletedUpdateNotification) {
                removeObjects(byFolder);
            } else {
                // An object added twice in the run is added as it was last.
                for (QList<MOStorageObject> &objects : byFolder) {
                    QSet<QString> seen;
                    QList<MOStorageObject> latest;
                    for (auto it = objects.crbegin(); it != objects.crend(); ++it) {
                        if (!seen.contains(it->label())) {
                            seen.insert(it->label());
                            latest.append(*it);
                        }
                    }
                    std::reverse(latest.begin(), latest.end());
                    objects = latest;
                }
                addObjects(byFolder);
            }
        } else if (name == MOObjectsModifiedUpdateNotification) {
            QVector<QPair<MOStorageObject, MOStorageObject>> changes;
            QStringList paths;
            for (int i = first; i < end; ++i) {
                for (const MOObjectsNotification::Change &change :
                     MOObjectsNotification(notifications.at(i)).pairs()) {
                    changes.append({change.before, change.after});
                    paths.append(change.before.fullPath());
                }
            }
            updateObjects(changes);
            removePlaceholdersAtPaths(paths);
        } else {
            for (int i = first; i < end; ++i)
                applyNotification(notifications.at(i));
        }
        first = end;
    }
}

bool MCNodeTreeUpdater::setListing(const QString &basePath, const QList<MOStorageObject> &objects)
{
    const MCNodePtr folder = nodeAtPath(basePath);
    if (!folder)
        return false;
    MCNodeList nodes = visibleNodes(objects, folder);
    if (folder->childrenSortKey())
        MCAbstractObjectNode::sortNodes(nodes, folder->childrenSortKey(),
                                        folder->childrenSortAscending());
    folder->setChildren(withPlaceholders(folder, nodes));
    folder->notifyChildrenReady();
    return true;
}

MCNodeList MCNodeTreeUpdater::withPlaceholders(const MCNodePtr &folder, const MCNodeList &nodes)
{
    // A listed object replaces its placeholder.
    const auto held = m_placeholders.find(folder->filePath());
    if (held == m_placeholders.end())
        return nodes;
    QSet<QString> listed;
    listed.reserve(nodes.size());
    for (const MCNodePtr &node : nodes)
        listed.insert(node->fileName());
    MCNodeList waiting;
    for (auto it = held->begin(); it != held->end();) {
        if (listed.contains(it.key())) {
            it = held->erase(it);
            continue;
        }
        waiting += *it;
        ++it;
    }
    if (held->isEmpty())
        m_placeholders.erase(held);
    MCNodeList all = nodes;
    if (folder->childrenSortKey())
        MCAbstractObjectNode::insertSorted(all, waiting, folder->childrenSortKey(),
                                           folder->childrenSortAscending());
    else
        all += waiting;
    return all;
}

void MCNodeTreeUpdater::addObjects(const QMap<QString, QList<MOStorageObject>> &objectsByFolder)
{
    for (auto it = objectsByFolder.constBegin(); it != objectsByFolder.constEnd(); ++it) {
        QStringList paths;
        for (const MOStorageObject &object : it.value())
            paths.append(clean(object.fullPath()));
        removePlaceholdersAtPaths(paths);
        const MCNodePtr folder = nodeAtPath(it.key());
        if (!folder || folder->childrenDirty())
            continue;
        // An object added again (a replaced file, or one a listing already brought) updates
        // its node; only a file that became a folder or the other way takes its place.
        QList<MOStorageObject> added;
        for (const MOStorageObject &object : it.value()) {
            const MCNodePtr node = folder->childNamed(object.label());
            if (node && !node->isPlaceholder() &&
                node->isDir() == (object.type() == MOStorageObject::Directory)) {
                refreshNode(node, object);
                const quint64 cached = MCAbstractObjectNode::Cached;
                node->setStates(object.cached() ? node->states() | cached
                                                : node->states() & ~cached);
            } else
                added.append(object);
        }
        const MCNodeList nodes = visibleNodes(added, folder);
        folder->removeChildNodes(nodes);
        folder->insertChildNodes(nodes);
    }
}

void MCNodeTreeUpdater::removeObjects(const QMap<QString, QList<MOStorageObject>> &objectsByFolder)
{
    for (auto it = objectsByFolder.constBegin(); it != objectsByFolder.constEnd(); ++it) {
        const MCNodePtr folder = nodeAtPath(it.key());
        if (!folder)
            continue;
        MCNodeList gone;
        for (const MOStorageObject &object : it.value()) {
            // By path: a deletion's object may lack the type details the node was made from.
            if (const MCNodePtr node = nodeAtPath(object.fullPath()))
                gone.append(node);
        }
        folder->removeChildNodes(gone);
    }
}

void MCNodeTreeUpdater::updateObjects(
    const QVector<QPair<MOStorageObject, MOStorageObject>> &changes)
{
    // Moves are gathered by folder, so that thousands of items leaving a large folder cost one
    // pass over it instead of one each.
    QHash<MCAbstractObjectNode *, QPair<MCNodePtr, MCNodeList>> leaving;
    QMap<QString, QList<MOStorageObject>> arriving;
    const auto moveNow = [&] {
        for (const auto &folder : qAsConst(leaving))
            folder.first->removeChildNodes(folder.second);
        for (auto it = arriving.constBegin(); it != arriving.constEnd(); ++it) {
            const MCNodePtr to = nodeAtPath(it.key());
            if (to && !to->childrenDirty()) {
                const MCNodeList arrived = visibleNodes(it.value(), to);
                to->removeChildNodes(arrived);
                to->insertChildNodes(arrived);
            }
        }
        leaving.clear();
        arriving.clear();
    };
    for (const auto &change : changes) {
        const MOStorageObject &before = change.first;
        const MOStorageObject &after = change.second;
        // An item that arrived in this batch and moves on: the arrival is made first.
        if (arriving.contains(clean(before.basePath())))
            moveNow();
        const MCNodePtr node = nodeAtPath(before.fullPath());
        const bool moved = clean(before.basePath()) != clean(after.basePath());
        if (!node && !moved && !(hides(before.label()) && !hides(after.label())))
            continue;
        if (!node || moved || hides(after.label())) {
            // Moved (perhaps from a folder this tree never loaded), renamed out of sight or
            // back into it: out of the old place, and into the new one when it is loaded, once.
            if (const MCNodePtr from = node ? node->parent() : MCNodePtr()) {
                auto &gone = leaving[from.data()];
                gone.first = from;
                gone.second.append(node);
            }
            arriving[clean(after.basePath())].append(after);
            continue;
        }
        if (!MCObjectNode::isSafeLabel(after.label())) {
            qCWarning(lcBrowser) << "[WARNING]: Change to an unusable name ignored";
            continue;
        }
        refreshNode(node, after);
    }
    moveNow();
}

void MCNodeTreeUpdater::refreshNode(const MCNodePtr &node, const MOStorageObject &object)
{
    QVariantMap values{
        {QStringLiteral("label"), QVariantList{node->fileName(), object.label()}},
        {QStringLiteral("hash"), QVariantList{node->contentHash(), object.contentHash()}},
        {QStringLiteral("size"), QVariantList{node->fileSize(), object.size()}},
        {QStringLiteral("fileDateModified"),
         QVariantList{node->fileDateModified(), object.lastModified()}},
    };
    if (!object.MIMEType().isEmpty())
        values.insert(QStringLiteral("mimeType"),
                      QVariantList{node->mimeType(), object.MIMEType()});
    node->applyAttributesFromDictionary(values);
    // The service has answered: a rename is done.
    node->setStates(node->states() & ~quint64(MCAbstractObjectNode::Syncing));
    node->setIsBusy(false);
    if (const MCNodePtr folder = node->parent())
        folder->reorderChild(node.data());
}

MCNodeList MCNodeTreeUpdater::visibleNodes(const QList<MOStorageObject> &objects,
                                           const MCNodePtr &folder, bool hideHidden)
{
    MCNodeList nodes = MCNodesFromStorageObjects(objects, folder);
    if (hideHidden)
        nodes.erase(std::remove_if(nodes.begin(), nodes.end(),
                                   [](const MCNodePtr &node) {
                                       return node->fileName().startsWith(QLatin1Char('.'));
                                   }),
                    nodes.end());
    return nodes;
}

bool MCNodeTreeUpdater::hides(const QString &name) const
{
    return m_root && m_root->hideHiddenFiles() && name.startsWith(QLatin1Char('.'));
}

void MCNodeTreeUpdater::registerPlaceholder(const MCNodePtr &node, const QString &parentPath)
{
    if (!node)
        return;
    const QString parent = clean(parentPath);
    node->setIsPlaceholder(true);
    m_placeholders[parent][node->fileName()].append(node);
    const MCNodePtr folder = nodeAtPath(parent);
    if (folder)
        folder->insertChildNodes({node});
    else if (const MCNodePtr fake = placeholderAtPath(parent))
        fake->insertChildNodes({node});
}

void MCNodeTreeUpdater::removePlaceholdersAtPaths(const QStringList &paths)
{
    for (const QString &raw : paths) {
        const QString path = clean(raw);
        const QString parent = parentOf(path);
        auto it = m_placeholders.find(parent);
        if (it == m_placeholders.end())
            continue;
        const MCNodeList removed = it->take(nameOf(path));
        if (it->isEmpty())
            m_placeholders.erase(it);
        if (removed.isEmpty())
            continue;
        if (const MCNodePtr folder = nodeAtPath(parent))
            folder->removeChildNodes(removed);
        else if (const MCNodePtr fake = placeholderAtPath(parent))
            fake->removeChildNodes(removed);
    }
}

void MCNodeTreeUpdater::placeholderRenamed(const MCNodePtr &node, const QString &oldName)
{
    const auto folder = m_placeholders.find(clean(node->basePath()));
    if (folder == m_placeholders.end())
        return;
    const auto named = folder->find(oldName);
    if (named == folder->end() || !named->removeOne(node))
        return;
    if (named->isEmpty())
        folder->erase(named);
    (*folder)[node->fileName()].append(node);
}

void MCNodeTreeUpdater::markRenameSent(const QString &path)
{
    if (const MCNodePtr node = nodeAtPath(path)) {
        node->setIsBusy(true);
        node->setStates(node->states() | MCAbstractObjectNode::Syncing);
    }
}

void MCNodeTreeUpdater::abortRenamingNodeAtPath(const QString &path)
{
    const MCNodePtr node = nodeAtPath(path);
    if (node && (node->states() & MCAbstractObjectNode::Syncing)) {
        node->setStates(node->states() & ~quint64(MCAbstractObjectNode::Syncing));
        // Busy came with the rename; left set, the item could never be selected again.
        node->setIsBusy(false);
        return;
    }
    removePlaceholdersAtPaths({path});
    dropEmptyFakeAncestors(path);
}

void MCNodeTreeUpdater::transferNotification(const MOPostedNotification &notification)
{
    const MOTransferNotification reader(notification);
    const MOObjectTransfer transfer = reader.transfer();
    const MOObjectTransferRequest request = transfer.transferRequest();
    Transfer event;
    event.sourcePath = request.sourcePath();
    event.destinationPath = request.destinationPath();
    event.upload = request.direction() == MOObjectTransferRequest::Upload;
    event.caching = reader.isCaching();
    event.completed = transfer.state() == MOObjectTransfer::Completed;
    event.failed = transfer.state() == MOObjectTransfer::Error;
    // A transfer that failed before the service described its object carries an empty one,
    // whose path would be "/": the request's path names the file then.
    const MOStorageObject object = transfer.storageObject();
    event.objectPath = object.label().isEmpty() ? QString() : object.fullPath();
    event.object = transfer.storageObject();
    const QString &name = notification.name;
    if (name == MOObjectTransferWillStartNotification ||
        name == MOObjectTransferDidProgressNotification)
        transferStarted(event);
    else if (name == MOObjectTransferDidFinishNotification ||
             name == MOObjectTransferDidAbortNotification ||
             name == MOObjectTransferDidCancelNotification)
        transferEnded(event);
}

void MCNodeTreeUpdater::transferStarted(const Transfer &transfer)
{
    if (transfer.caching) {
        if (transfer.upload)
            setStateBits(transfer.destinationPath, MCAbstractObjectNode::Uploading, 0);
        else
            setStateBits(transfer.sourcePath, MCAbstractObjectNode::Downloading, 0);
    } else if (transfer.upload) {
        uploadStarted(transfer.sourcePath, transfer.destinationPath);
    }
}

void MCNodeTreeUpdater::transferEnded(const Transfer &transfer)
{
    if (transfer.upload) {
        const QString destination = clean(transfer.destinationPath);
        if (!transfer.completed) {
            removePlaceholdersAtPaths({destination});
            // The folders made up for this upload alone go with it.
            dropEmptyFakeAncestors(destination);
            setStateBits(destination, 0, MCAbstractObjectNode::Uploading);
            return;
        }
        // The object the service stored takes the placeholder's row at once where its folder
        // is loaded; in a made-up folder the placeholder waits for that folder's listing.
        const MCNodePtr folder = nodeAtPath(parentOf(destination));
        if (folder && !folder->childrenDirty() && !transfer.object.label().isEmpty() &&
            clean(transfer.object.fullPath()) == destination)
            addObjects({{parentOf(destination), {transfer.object}}});
        if (const MCNodePtr placeholder = placeholderAtPath(destination)) {
            placeholder->setIsBusy(false);
            placeholder->setStates(placeholder->states() &
                                   ~quint64(MCAbstractObjectNode::Uploading));
        }
        // A file replaced by the upload (a cached copy's edits, say) shows the new version:
        // no live update reports a change this client made itself.
        const MCNodePtr node = nodeAtPath(destination);
        if (node && transfer.object.type() == MOStorageObject::RegularFile &&
            clean(transfer.object.fullPath()) == destination)
            node->applyAttributesFromDictionary({
                {QStringLiteral("hash"),
                 QVariantList{node->contentHash(), transfer.object.contentHash()}},
                {QStringLiteral("size"), QVariantList{node->fileSize(), transfer.object.size()}},
                {QStringLiteral("fileDateModified"),
                 QVariantList{node->fileDateModified(), transfer.object.lastModified()}},
            });
        setStateBits(destination,
                     transfer.caching ? quint64(MCAbstractObjectNode::Cached) : quint64(0),
                     MCAbstractObjectNode::Uploading);
        return;
    }
    const QString source =
        transfer.objectPath.isEmpty() ? transfer.sourcePath : transfer.objectPath;
    quint64 set = 0;
    if (transfer.failed)
        set |= MCAbstractObjectNode::DownloadFailed;
    if (transfer.completed && transfer.caching)
        set |= MCAbstractObjectNode::Cached;
    setStateBits(source, set, MCAbstractObjectNode::Downloading);
}

void MCNodeTreeUpdater::uploadStarted(const QString &sourcePath, const QString &destinationPath)
{
    const QString destination = clean(destinationPath);
    // Made-up folders for the missing parents, from the nearest existing folder down.
    QStringList missing;
    for (QString folder = parentOf(destination); folder != QLatin1String("/");
         folder = parentOf(folder)) {
        if (nodeAtPath(folder) || placeholderAtPath(folder))
            break;
        missing.prepend(folder);
    }
    for (const QString &folder : qAsConst(missing)) {
        const QSharedPointer<MCFakeNode> fake =
            MCFakeNode::create(parentOf(folder), nameOf(folder), true);
        fake->setChildrenDirty(false);
        registerPlaceholder(fake, parentOf(folder));
    }
    if (placeholderAtPath(destination))
        return;
    // Listed already (a report that came after the listing, or a file uploaded over): its
    // row shows the upload; a placeholder beside it would be a second row of one file.
    if (const MCNodePtr listed = nodeAtPath(destination)) {
        listed->setStates(listed->states() | MCAbstractObjectNode::Uploading);
        return;
    }
    const QSharedPointer<MCFileNode> file = MCFileNode::create(sourcePath);
    file->setBasePath(parentOf(destination));
    file->setFileName(nameOf(destination));
    file->setStates(MCAbstractObjectNode::Uploading);
    file->setIsBusy(true);
    registerPlaceholder(file, parentOf(destination));
}

void MCNodeTreeUpdater::dropEmptyFakeAncestors(const QString &path)
{
    for (QString folder = parentOf(path); folder != QLatin1String("/"); folder = parentOf(folder)) {
        const MCNodePtr placeholder = placeholderAtPath(folder);
        if (!placeholder || !placeholder.dynamicCast<MCFakeNode>())
            return;
        bool holdsAny = false;
        for (auto it = m_placeholders.constBegin(); it != m_placeholders.constEnd() && !holdsAny;
             ++it) {
            if (it.key() == folder || isUnder(it.key(), folder))
                holdsAny = !it->isEmpty();
        }
        if (holdsAny)
            return;
        removePlaceholdersAtPaths({folder});
    }
}

void MCNodeTreeUpdater::setStateBits(const QString &path, quint64 set, quint64 clear)
{
    if (const MCNodePtr node = nodeAtPath(path))
        node->setStates((node->states() & ~clear) | set);
}
