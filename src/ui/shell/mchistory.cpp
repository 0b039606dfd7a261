#include "mchistory.h"

#include "mcabstractobjectnode.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbrowsableviewshelper.h"
#include "mccounters.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcnavigationrequest.h"
#include "mcobjectnode.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "moconstants.h"
#include "moerror.h"
#include "moobjectsnotification.h"
#include "mosharelinknotification.h"

namespace {
// Enough to recognise the answers still on their way after a few quick clicks.
constexpr int RememberedRequests = 16;
} // namespace

MCHistory::MCHistory(MCCounters *counters, QObject *parent)
    : MCNavigation(parent)
    , m_counters(counters)
{}

QWidget *MCHistory::notBrowsableController() const
{
    return m_notBrowsableController;
}

void MCHistory::setNotBrowsableController(QWidget *controller)
{
    m_notBrowsableController = controller;
}

MCBrowsableViewController *MCHistory::selectedController() const
{
    return m_selectedController;
}

void MCHistory::setChatTitleTest(std::function<bool(const QString &)> isChat)
{
    m_isChatTitle = std::move(isChat);
}

void MCHistory::setCurrentPath(const QString &path)
{
    if (path == m_currentPath)
        return;
    m_currentPath = path;
    emit currentPathChanged();
}

void MCHistory::setCurrentNode(const MCNodePtr &node)
{
    if (node)
        node->setHideHiddenFiles(!m_showHiddenFiles);
    if (node == m_currentNode)
        return;
    m_currentNode = node;
    emit currentNodeChanged();
}

void MCHistory::setNotBrowsablePath(const QString &path)
{
    // Never null: the empty text means the browser is shown.
    const QString value = path.isNull() ? QStringLiteral("") : path;
    if (value == m_notBrowsablePath)
        return;
    m_notBrowsablePath = value;
    emit notBrowsablePathChanged();
}

void MCHistory::setSelectedController(MCBrowsableViewController *controller)
{
    m_selectedController = controller;
}

MCMenuSelection *MCHistory::menuSelection() const
{
    return m_menuSelection;
}

MCMenuNoSelection *MCHistory::menuNoSelection() const
{
    return m_menuNoSelection;
}

QMenu *MCHistory::selectionContextMenu() const
{
    return m_menuSelection;
}

QMenu *MCHistory::backgroundContextMenu() const
{
    return m_menuNoSelection;
}

void MCHistory::setMenuSelection(MCMenuSelection *menu)
{
    m_menuSelection = menu;
}

void MCHistory::setMenuNoSelection(MCMenuNoSelection *menu)
{
    m_menuNoSelection = menu;
}

bool MCHistory::isSelectedController(const MCBrowsableViewController *controller) const
{
    return m_selectedController == controller;
}

void MCHistory::changeToPath(const QString &path, QObject *sender, CompletionBlock completion)
{
    if (!m_notBrowsablePath.isEmpty())
        setNotBrowsablePath(QStringLiteral(""));
    m_requestedPaths.append(MCRemotePath::keyed(path));
    if (m_requestedPaths.size() > RememberedRequests)
        m_requestedPaths.removeFirst();
    MCBrowsableViewController::changeToPath(path, sender, std::move(completion));
}

void MCHistory::doubleClickNavigation(const QString &path, QObject *sender)
{
    // Already there (the column view browses into a folder as it is chosen): one place is one
    // step of the history.
    if (m_notBrowsablePath.isEmpty() && m_currentNode &&
        m_currentNode->filePath() == MCRemotePath::keyed(path) &&
        (m_requestedPaths.isEmpty() || m_requestedPaths.last() == m_currentNode->filePath()))
        return;
    clearForwardHistory();
    if (m_currentNode)
        addBackPath(MCHistoryPlace::folder(m_currentNode->filePath()));
    changeToPath(path, sender);
}

QStringList MCHistory::keysOf(const QList<MCHistoryPlace> &places)
{
    QStringList keys;
    keys.reserve(places.size());
    for (const MCHistoryPlace &place : places)
        keys.append(place.key());
    return keys;
}

void MCHistory::addBackPath(const MCHistoryPlace &place)
{
    if (place.isNull() || (!m_arrayBack.isEmpty() && m_arrayBack.last() == place))
        return;
    m_arrayBack.append(place);
    emit arrayBackChanged();
}

void MCHistory::addForwardPath(const MCHistoryPlace &place)
{
    if (place.isNull() || (!m_arrayForward.isEmpty() && m_arrayForward.last() == place))
        return;
    m_arrayForward.append(place);
    emit arrayForwardChanged();
}

MCHistoryPlace MCHistory::shownPlace() const
{
    if (!m_notBrowsablePath.isEmpty())
        return {m_isChatTitle && m_isChatTitle(m_notBrowsablePath) ? MCHistoryPlace::Chat
                                                                   : MCHistoryPlace::Page,
                m_notBrowsablePath};
    return MCHistoryPlace::folder(m_currentNode ? m_currentNode->filePath() : m_currentPath);
}

MCHistoryPlace MCHistory::backPath()
{
    if (m_arrayBack.isEmpty())
        return MCHistoryPlace();
    addForwardPath(shownPlace());
    const MCHistoryPlace place = m_arrayBack.takeLast();
    emit arrayBackChanged();
    return place;
}

MCHistoryPlace MCHistory::forwardPath()
{
    if (m_arrayForward.isEmpty())
        return MCHistoryPlace();
    addBackPath(shownPlace());
    const MCHistoryPlace place = m_arrayForward.takeLast();
    emit arrayForwardChanged();
    return place;
}

void MCHistory::clearForwardHistory()
{
    while (!m_arrayForward.isEmpty()) {
        m_arrayForward.removeLast();
        emit arrayForwardChanged();
    }
}

void MCHistory::removeNearestHistory(bool back, int count)
{
    QList<MCHistoryPlace> &stack = back ? m_arrayBack : m_arrayForward;
    for (int i = 0; i < count && !stack.isEmpty(); ++i) {
        stack.removeLast();
        if (back)
            emit arrayBackChanged();
        else
            emit arrayForwardChanged();
    }
}

void MCHistory::backForwardReplacePath(const QString &oldPath, const QString &newPath)
{
    // In place and unannounced: the stacks keep their lengths. Pages and chats are no folders,
    // whatever their keys look like.
    for (QList<MCHistoryPlace> *stack : {&m_arrayBack, &m_arrayForward}) {
        for (MCHistoryPlace &place : *stack) {
            if (place.isFolder() && place.key() == oldPath)
                place = MCHistoryPlace::folder(newPath);
        }
    }
    if (m_currentPath == oldPath)
        changeToPath(newPath, this);
}

void MCHistory::backForwardRemovePath(const QString &path)
{
    const MCHistoryPlace gone = MCHistoryPlace::folder(path);
    for (int i = m_arrayBack.size() - 1; i >= 0; --i) {
        if (m_arrayBack.at(i) == gone) {
            m_arrayBack.removeAt(i);
            emit arrayBackChanged();
        }
    }
    for (int i = m_arrayForward.size() - 1; i >= 0; --i) {
        if (m_arrayForward.at(i) == gone) {
            m_arrayForward.removeAt(i);
            emit arrayForwardChanged();
        }
    }
    if (m_currentPath == path)
        changeToPath(MCRemotePath::parentOf(path), this);
}

void MCHistory::nodeFetchedNotification(const MOPostedNotification &notification)
{
    const MOObjectsNotification reader(notification);
    if (notification.name != MOObjectInfoDidFetchNotification ||
        !MCNavigationRequest::isNavigation(reader.userData()) ||
        reader.object().type() == MOStorageObject::Invalid)
        return;
    const MCNodePtr node = MCObjectNode::create(reader.object());
    if (node->isRoot() && !m_modelRootNode)
        m_modelRootNode = node;
    if (!node->isDir())
        return;
    // Answers may come out of order: the folder asked for last is the one shown, never one the
    // user left before its answer came.
    const QString answered = MCRemotePath::keyed(reader.object().fullPath());
    if (!m_requestedPaths.isEmpty() &&
        answered.compare(m_requestedPaths.last(), Qt::CaseInsensitive) != 0 &&
        m_requestedPaths.contains(answered)) {
        qCDebug(lcShell) << "Not showing" << answered << "- asked for" << m_requestedPaths.last()
                         << "since";
        return;
    }
    setCurrentNode(node);
    setCurrentPath(node->filePath());
    // Counted once its listing is shown: the metadata's count is not what the view shows.
    m_counters->setTotalCount(0);
}

void MCHistory::objectModifiedNotification(const MOPostedNotification &notification)
{
    for (const MOObjectsNotification::Change &change :
         MOObjectsNotification(notification).pairs()) {
        if (change.before.type() == MOStorageObject::Directory)
            backForwardReplacePath(change.before.fullPath(), change.after.fullPath());
    }
}

void MCHistory::objectDeletedNotification(const MOPostedNotification &notification)
{
    for (const MOStorageObject &object : MOObjectsNotification(notification).objects()) {
        if (object.type() == MOStorageObject::Directory)
            backForwardRemovePath(object.fullPath());
    }
}

void MCHistory::objectsManagerDidFailForPathErrorUserData(MOObjectsManager *, const QString &path,
                                                          const MOError &error,
                                                          const QVariant &userData)
{
    // A folder change that cannot be shown is over: its completions must not wait forever.
    if (MCBrowsableViewsHelper *helper = MCBrowsableViewController::helper())
        helper->pathFailed(path, error, userData);
    qCWarning(lcShell).noquote()
        << QStringLiteral("[WARNING]: An error occurred for requested path '%1': %2")
               .arg(path, QStringLiteral("%1 %2").arg(error.domain()).arg(error.code()));
}

void MCHistory::shareLinkNotification(const MOPostedNotification &notification)
{
    const MOShareLinkNotification link(notification);
    if (m_menuSelection && link.url().isValid())
        m_menuSelection->showShareLink(link.url(), link.object());
}

void MCHistory::goToReceivedFile(const QString &basePath, const QString &label)
{
    if (!m_notBrowsablePath.isEmpty())
        addBackPath(shownPlace());
    clearForwardHistory();
    setNotBrowsablePath(QStringLiteral(""));
    const QString path = MCRemotePath::joined(basePath, label);
    changeToPath(basePath, this, [this, path] {
        if (m_selectedController)
            m_selectedController->selectPaths({path});
    });
}
