#include "mcmanager.h"

#include "mcabstractobjectnode.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbrowsableviewshelper.h"
#include "mcdownloadmarks.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcnavigationrequest.h"
#include "mcobjectnode.h"
#include "mcoptions.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "moapplication.h"
#include "moavatarmanager.h"
#include "mocollaborationmanager.h"
#include "moconstants.h"
#include "moconversationsmanager.h"
#include "moerror.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "moobjecttransferrequest.h"
#include "mosharelinknotification.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

Q_LOGGING_CATEGORY(lcShell, "lumarin.shell")

namespace {
MCManager *s_instance = nullptr;
// Enough to recognise the answers still on their way after a few quick clicks.
constexpr int RememberedRequests = 16;

QString normalizedPath(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(path);
}
} // namespace

MCManager *MCManager::sharedManager()
{
    if (!s_instance)
        s_instance = new MCManager;
    return s_instance;
}

// The pages' face of the hub is the hub the shell makes.
MCHub *MCHub::sharedHub()
{
    return MCManager::sharedManager();
}

void MCManager::dismissSharedManager()
{
    delete s_instance;
    s_instance = nullptr;
}

MCManager::MCManager()
    : m_options(new MCOptions(this))
    , m_downloadMarks(std::make_unique<MCDownloadMarks>())
{}

MCManager::~MCManager()
{
    if (s_instance == this)
        s_instance = nullptr;
}

void MCManager::setCurrentPath(const QString &path)
{
    if (path == m_currentPath)
        return;
    m_currentPath = path;
    emit currentPathChanged();
}

void MCManager::setCurrentNode(const MCNodePtr &node)
{
    if (node)
        node->setHideHiddenFiles(!m_showHiddenFiles);
    if (node == m_currentNode)
        return;
    m_currentNode = node;
    emit currentNodeChanged();
}

void MCManager::setNotBrowsablePath(const QString &path)
{
    // Never null: the empty text means the browser is shown.
    const QString value = path.isNull() ? QStringLiteral("") : path;
    if (value == m_notBrowsablePath)
        return;
    m_notBrowsablePath = value;
    emit notBrowsablePathChanged();
}

void MCManager::setSelectedController(MCBrowsableViewController *controller)
{
    m_selectedController = controller;
}

MCMenuSelection *MCManager::menuSelection() const
{
    return m_menuSelection;
}

MCMenuNoSelection *MCManager::menuNoSelection() const
{
    return m_menuNoSelection;
}

QMenu *MCManager::selectionContextMenu() const
{
    return m_menuSelection;
}

QMenu *MCManager::backgroundContextMenu() const
{
    return m_menuNoSelection;
}

void MCManager::setMenuSelection(MCMenuSelection *menu)
{
    m_menuSelection = menu;
}

void MCManager::setMenuNoSelection(MCMenuNoSelection *menu)
{
    m_menuNoSelection = menu;
}

bool MCManager::isSelectedController(const MCBrowsableViewController *controller) const
{
    return m_selectedController == controller;
}

void MCManager::setSelectedCount(qint64 count)
{
    if (count == m_selectedCount)
        return;
    m_selectedCount = count;
    emit selectedCountChanged();
}

qint64 MCManager::totalCount() const
{
    return m_totalCount;
}

void MCManager::setTotalCount(qint64 count)
{
    if (count == m_totalCount)
        return;
    m_totalCount = count;
    emit totalCountChanged();
}

qint64 MCManager::currentUploadsCount() const
{
    return m_currentUploadsCount;
}

void MCManager::setCurrentUploadsCount(qint64 count)
{
    m_currentUploadsCount = qMax<qint64>(0, count);
    emit currentUploadsCountChanged();
}

qint64 MCManager::currentDownloadsCount() const
{
    return m_currentDownloadsCount;
}

void MCManager::setCurrentDownloadsCount(qint64 count)
{
    m_currentDownloadsCount = qMax<qint64>(0, count);
    emit currentDownloadsCountChanged();
}

QString MCManager::folderUnderSupport(const QString &name) const
{
    const QString path = QDir(applicationSupportPath()).filePath(name);
    QDir().mkpath(path);
    return path;
}

QString MCManager::applicationSupportPath() const
{
    const QString path = MOApplication::sharedInstance()->supportPath();
    if (!path.isEmpty())
        QDir().mkpath(path);
    return path;
}

QString MCManager::fakeFilesPath() const
{
    return folderUnderSupport(QStringLiteral("fakeFiles"));
}

QString MCManager::templatesPath() const
{
    return folderUnderSupport(QStringLiteral("templates"));
}

void MCManager::setupServices()
{
    if (servicesStarted())
        return;
    // Messages sent from now on arrive; older ones are history.
    m_chatSince = QDateTime::currentDateTimeUtc().addSecs(-1);
    connect(&m_chatSupport, &MCChatSupport::notificationDelivered, this,
            &MCManager::notifyOnDesktop);
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    objects->notificationCenter()->addObserver(this, &MCManager::objectModifiedNotification,
                                               MOObjectsModifiedUpdateNotification);
    objects->notificationCenter()->addObserver(this, &MCManager::objectDeletedNotification,
                                               MOObjectsDeletedUpdateNotification);
    objects->notificationCenter()->addObserver(this, &MCManager::shareLinkNotification,
                                               MOObjectsDidGetShareLinkNotification);
    m_avatarManager = new MOAvatarManager(this);
    m_avatarManager->setDelegate(this);
    m_conversationsManager = new MOConversationsManager(this);
    m_conversationsManager->setDelegate(this);
    MOCollaborationManager::sharedInstance()->notificationCenter()->addObserver(
        this, &MCManager::collaborationNotification, MOCollaborationInvitesNotification);
    m_servicesDiscoverer = new MCThirdPartyServicesDiscoverer(QString(), this);
    connect(m_servicesDiscoverer, &MCThirdPartyServicesDiscoverer::thirdPartyServiceDiscovered,
            this, [](const QString &service, const QString &root) {
                qCInfo(lcShell).noquote()
                    << QStringLiteral("Found service %1 with base path at %2").arg(service, root);
            });
    m_servicesDiscoverer->discover();
    QPointer<MOConversationsManager> conversations = m_conversationsManager;
    QTimer::singleShot(0, this, [conversations] {
        if (!conversations)
            return;
        conversations->listenForConversationsNotifications();
        conversations->listConversations();
    });
}

void MCManager::changeToPath(const QString &path, QObject *sender, CompletionBlock completion)
{
    if (!m_notBrowsablePath.isEmpty())
        setNotBrowsablePath(QStringLiteral(""));
    m_requestedPaths.append(normalizedPath(path));
    if (m_requestedPaths.size() > RememberedRequests)
        m_requestedPaths.removeFirst();
    MCBrowsableViewController::changeToPath(path, sender, std::move(completion));
}

void MCManager::doubleClickNavigation(const QString &path, QObject *sender)
{
    clearForwardHistory();
    if (m_currentNode)
        addBackPlace(MCHistoryPlace::folder(m_currentNode->filePath()));
    changeToPath(path, sender);
}

QStringList MCManager::keysOf(const QList<MCHistoryPlace> &places)
{
    QStringList keys;
    keys.reserve(places.size());
    for (const MCHistoryPlace &place : places)
        keys.append(place.key());
    return keys;
}

void MCManager::addBackPlace(const MCHistoryPlace &place)
{
    if (place.isNull() || (!m_arrayBack.isEmpty() && m_arrayBack.last() == place))
        return;
    m_arrayBack.append(place);
    emit arrayBackChanged();
}

void MCManager::addForwardPlace(const MCHistoryPlace &place)
{
    if (place.isNull() || (!m_arrayForward.isEmpty() && m_arrayForward.last() == place))
        return;
    m_arrayForward.append(place);
    emit arrayForwardChanged();
}

MCHistoryPlace MCManager::shownPlace() const
{
    if (!m_notBrowsablePath.isEmpty())
        return {entityForTitle(m_notBrowsablePath) ? MCHistoryPlace::Chat : MCHistoryPlace::Page,
                m_notBrowsablePath};
    return MCHistoryPlace::folder(m_currentNode ? m_currentNode->filePath() : m_currentPath);
}

MCHistoryPlace MCManager::backPlace()
{
    if (m_arrayBack.isEmpty())
        return MCHistoryPlace();
    addForwardPlace(shownPlace());
    const MCHistoryPlace place = m_arrayBack.takeLast();
    emit arrayBackChanged();
    return place;
}

MCHistoryPlace MCManager::forwardPlace()
{
    if (m_arrayForward.isEmpty())
        return MCHistoryPlace();
    addBackPlace(shownPlace());
    const MCHistoryPlace place = m_arrayForward.takeLast();
    emit arrayForwardChanged();
    return place;
}

void MCManager::clearForwardHistory()
{
    while (!m_arrayForward.isEmpty()) {
        m_arrayForward.removeLast();
        emit arrayForwardChanged();
    }
}

void MCManager::removeNearestHistory(bool back, int count)
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

void MCManager::backForwardReplacePath(const QString &oldPath, const QString &newPath)
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

void MCManager::backForwardRemovePath(const QString &path)
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

void MCManager::nodeFetchedNotification(const MOPostedNotification &notification)
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
    const QString answered = normalizedPath(reader.object().fullPath());
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
    setTotalCount(0);
}

void MCManager::objectModifiedNotification(const MOPostedNotification &notification)
{
    for (const MOObjectsNotification::Change &change :
         MOObjectsNotification(notification).pairs()) {
        if (change.before.type() == MOStorageObject::Directory)
            backForwardReplacePath(change.before.fullPath(), change.after.fullPath());
    }
}

void MCManager::objectDeletedNotification(const MOPostedNotification &notification)
{
    for (const MOStorageObject &object : MOObjectsNotification(notification).objects()) {
        if (object.type() == MOStorageObject::Directory)
            backForwardRemovePath(object.fullPath());
    }
}

void MCManager::objectsManagerDidFailForPathErrorUserData(MOObjectsManager *, const QString &path,
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

void MCManager::downloadFileAtPath(const QString &remotePath, const QString &toPath,
                                   const QVariantMap &userData, qint64 overwriteStrategy)
{
    MOObjectTransferRequest request(remotePath, toPath, MOObjectTransferRequest::Download);
    request.setOverwriteStrategy(overwriteStrategy);
    request.setUserData(userData);
    transferObject(request);
}

void MCManager::uploadFileAtPath(const QString &localPath, const QString &toPath, bool shouldCache,
                                 const QVariantMap &userData)
{
    MOObjectTransferRequest request(localPath, toPath, MOObjectTransferRequest::Upload);
    request.setShouldCache(shouldCache);
    request.setUserData(userData);
    if (QFileInfo(localPath).isDir())
        MOObjectsManager::sharedInstance()->transferDirectory(request);
    else
        transferObject(request);
}

void MCManager::transferObject(const MOObjectTransferRequest &request)
{
    MOObjectsManager::sharedInstance()->transferObject(request);
}

void MCManager::shareLinkNotification(const MOPostedNotification &notification)
{
    const MOShareLinkNotification link(notification);
    if (m_menuSelection && link.url().isValid())
        m_menuSelection->showShareLink(link.url(), link.object());
}
