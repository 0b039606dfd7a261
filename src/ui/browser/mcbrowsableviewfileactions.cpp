// The views' shared half of opening files and naming items in place: what an "Open" does with
// a list of nodes, how a typed name is checked and sent, new folders named before they are
// created, and the recovery when the service refuses a rename or a new folder.
#include "mcbrowsableviewcontroller.h"

#include "mcbrowserlog.h"
#include "mcfunctions.h"
#include "mcoptions.h"
#include "mcremotepath.h"
#include "mcstring.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"

#include <QDir>
#include <QTimer>

#include <algorithm>

namespace {

// How long paths asked to be selected are awaited: a live update brings a new file in well
// under a second.
constexpr qint64 PendingSelectionLifetimeMs = 30000;

// A folder the service does not have yet, whose name is being chosen.
bool isFolderBeingNamed(const MCNodePtr &node)
{
    return node->isPlaceholder() && node->isDir();
}

} // namespace

void MCBrowsableViewController::setActionServices(MCOptions *options, AlertPresenter *alerts,
                                                  MONotificationCenter *coreMessages)
{
    m_options = options;
    m_alerts = alerts;
    if (coreMessages)
        coreMessages->addObserver(this, &MCBrowsableViewController::coreMessage, MONotification);
}

void MCBrowsableViewController::openNodes(const MCNodeList &nodes)
{
    const bool onlyOne = nodes.size() == 1;
    for (const MCNodePtr &node : nodes) {
        if (!node || node->isBusy() || node->isPlaceholder())
            continue;
        if (node->isDir() && !node->isPackage()) {
            if (onlyOne)
                emit navigationRequested(node->filePath());
            continue;
        }
        const QString path = node->filePath();
        const QPointer<MOObjectsManager> objects = m_objectsManager;
        const auto open = [objects, path](bool confirmed) {
            if (confirmed && objects)
                objects->openObjectAtPath(path);
        };
        if (m_options && m_alerts)
            MCFunctions::ifArchiveAskUser(path, *m_options, *m_alerts, window(), open);
        else
            open(!MCFunctions::isArchive(path)); // nobody to ask: archives stay closed
    }
}

void MCBrowsableViewController::addPlaceholderNode(const MCNodePtr &node, const QString &path,
                                                   bool shouldBeginEditing)
{
    if (!node)
        return;
    m_updater.registerPlaceholder(node, MCRemotePath::parentOf(QDir::cleanPath(path)));
    childrenEdited();
    announceChildrenCount();
    if (shouldBeginEditing)
        startRenamingNodeAtPath(path, true);
}

void MCBrowsableViewController::startRenamingNodeAtPath(const QString &path, bool isPlaceholder)
{
    // After the caller has returned: the item it just added may not be laid out yet.
    QTimer::singleShot(0, this, [this, path, isPlaceholder] {
        if (isPlaceholder) {
            selectPlaceholdersAtPaths({path});
        } else if (const MCNodePtr node = m_updater.nodeAtPath(path)) {
            node->setIsBusy(false);
            selectNodes({node});
        }
        startRename();
    });
}

void MCBrowsableViewController::abortRenamingNodeAtPath(const QString &path)
{
    const MCNodePtr node = m_updater.nodeAtPath(path);
    if (node && (node->states() & MCAbstractObjectNode::Syncing))
        node->setRepresentedName(node->fileName());
    if (m_folderBeingMade == path)
        m_folderBeingMade.clear();
    m_updater.abortRenamingNodeAtPath(path);
    // A placeholder that went is no longer counted.
    announceChildrenCount();
}

void MCBrowsableViewController::selectPaths(const QStringList &paths)
{
    MCNodeList nodes;
    for (const QString &path : paths) {
        if (const MCNodePtr node = m_updater.nodeAtPath(path))
            nodes.append(node);
    }
    m_selectingPaths = true;
    selectNodes(nodes);
    m_selectingPaths = false;
    if (nodes.size() == paths.size()) {
        m_pendingSelection.clear();
        return;
    }
    // The listing may have been answered before the last change reached it: live updates
    // bring the rest soon, or never.
    m_pendingSelection = paths;
    m_pendingSelectionDeadline.setRemainingTime(PendingSelectionLifetimeMs);
}

void MCBrowsableViewController::selectPendingPaths()
{
    if (m_pendingSelection.isEmpty())
        return;
    if (m_pendingSelectionDeadline.hasExpired()) {
        m_pendingSelection.clear();
        return;
    }
    const bool shown =
        std::all_of(m_pendingSelection.cbegin(), m_pendingSelection.cend(),
                    [this](const QString &path) { return !m_updater.nodeAtPath(path).isNull(); });
    if (shown)
        selectPaths(m_pendingSelection);
}

void MCBrowsableViewController::selectMadeFolder()
{
    if (m_folderBeingMade.isEmpty())
        return;
    const MCNodePtr folder = m_updater.nodeAtPath(m_folderBeingMade);
    if (!folder || folder->isPlaceholder())
        return;
    m_folderBeingMade.clear();
    selectPaths({folder->filePath()});
}

void MCBrowsableViewController::selectPlaceholdersAtPaths(const QStringList &paths)
{
    MCNodeList nodes;
    for (const QString &path : paths) {
        if (const MCNodePtr placeholder = m_updater.placeholderAtPath(path)) {
            placeholder->setIsBusy(false);
            nodes.append(placeholder);
        }
    }
    selectNodes(nodes);
}

bool MCBrowsableViewController::endNameEditing(const MCNodePtr &edited, const QString &typedName)
{
    if (!edited)
        return false;
    const unsigned code = MCString::stringValidForFilename(typedName);
    if (isFolderBeingNamed(edited)) {
        // A new folder is always created: under the typed name when it can be used, else
        // under the one it was given.
        if (!filenameInCurrentPathAlredyExists(typedName, edited)) {
            if (code == MCString::FilenameValid) {
                const QString given = edited->fileName();
                edited->setFileName(typedName);
                m_updater.placeholderRenamed(edited, given);
            } else if (code != MCString::FilenameOnlyDots && m_alerts)
                MCFunctions::alertFilenameValidity(code, *m_alerts, window());
        }
        createFolder(edited);
        return true;
    }
    if (code != MCString::FilenameValid) {
        if (code != MCString::FilenameOnlyDots && m_alerts)
            MCFunctions::alertFilenameValidity(code, *m_alerts, window());
        return false;
    }
    const QString oldPath = edited->filePath();
    const QString newPath = MCRemotePath::joined(edited->basePath(), typedName);
    // The node the edit began with may have been replaced by a listing since.
    const MCNodePtr node = m_updater.nodeAtPath(oldPath);
    if (!node || newPath == oldPath || !m_objectsManager)
        return false;
    if (filenameInCurrentPathAlredyExists(typedName, node))
        return false;
    // Shown under the new name, with the syncing badge, until the service answers.
    node->setRepresentedName(typedName);
    m_updater.markRenameSent(oldPath);
    qCDebug(lcBrowser) << "Renaming" << oldPath << "to" << newPath;
    m_objectsManager->renameObjectAtPath(oldPath, newPath, QVariant::fromValue(node));
    return true;
}

void MCBrowsableViewController::cancelNameEditing(const MCNodePtr &node)
{
    if (node && isFolderBeingNamed(node) && !node->isBusy())
        createFolder(node);
}

bool MCBrowsableViewController::filenameInCurrentPathAlredyExists(const QString &name,
                                                                  const MCNodePtr &node)
{
    // The folder that holds the node: in the column view, that is not always the view's root.
    const MCNodePtr folder = node->parent() ? node->parent() : shownFolder();
    if (!folder)
        return false;
    for (const MCNodePtr &child : folder->children()) {
        if (!child->isBusy() && !child->isPlaceholder() && child->fileName() == name) {
            if (m_alerts)
                MCFunctions::alertFilenameTaken(name, *m_alerts, window());
            return true;
        }
    }
    return false;
}

void MCBrowsableViewController::createFolder(const MCNodePtr &placeholder)
{
    placeholder->setStates(placeholder->states() | MCAbstractObjectNode::Uploading);
    placeholder->setIsBusy(true);
    // Named now: it takes its place in the order.
    if (const MCNodePtr folder = placeholder->parent())
        folder->reorderChild(placeholder.data());
    childrenEdited();
    m_folderBeingMade = placeholder->filePath();
    qCDebug(lcBrowser) << "Creating the folder" << placeholder->filePath();
    if (m_objectsManager)
        m_objectsManager->createDirectoryAtPath(placeholder->filePath(), QVariant());
}

void MCBrowsableViewController::coreMessage(const MOPostedNotification &notification)
{
    const MOCoreNotification message(notification);
    const QString path = message.path();
    if (message.type() != MOCoreNotification::Error || path.isEmpty())
        return;
    if (message.action() == MOCoreNotification::Rename) {
        const MCNodePtr node = m_updater.nodeAtPath(path);
        if (node && (node->states() & MCAbstractObjectNode::Syncing))
            abortRenamingNodeAtPath(path);
    } else if (message.action() == MOCoreNotification::MakeDirectory) {
        const MCNodePtr placeholder = m_updater.placeholderAtPath(path);
        if (!placeholder || !placeholder->isBusy())
            return;
        const quint64 code = message.errorCode();
        if (code == MOCoreNotification::NameTaken || code == MOCoreNotification::ObjectExists) {
            // The name is taken: the folder waits to be named again (the hub's sheet asks).
            placeholder->setStates(placeholder->states() &
                                   ~quint64(MCAbstractObjectNode::Uploading));
            placeholder->setIsBusy(false);
        } else {
            abortRenamingNodeAtPath(path);
        }
    }
}
