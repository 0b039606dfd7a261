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
#include <QMutexLocker>
#include <QTimer>

Q_LOGGING_CATEGORY(lcShell, "lumarin.shell")

namespace {
MCManager *s_instance = nullptr;
} // namespace

MCManager *MCManager::sharedManager()
{
    if (!s_instance)
        s_instance = new MCManager;
    return s_instance;
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
    QMutexLocker locker(&m_countersLock);
    return m_totalCount;
}

void MCManager::setTotalCount(qint64 count)
{
    QMutexLocker locker(&m_countersLock);
    if (count == m_totalCount)
        return;
    m_totalCount = count;
    emit totalCountChanged();
}

qint64 MCManager::currentUploadsCount() const
{
    QMutexLocker locker(&m_countersLock);
    return m_currentUploadsCount;
}

void MCManager::setCurrentUploadsCount(qint64 count)
{
    QMutexLocker locker(&m_countersLock);
    m_currentUploadsCount = qMax<qint64>(0, count);
    emit currentUploadsCountChanged();
}

qint64 MCManager::currentDownloadsCount() const
{
    QMutexLocker locker(&m_countersLock);
    return m_currentDownloadsCount;
}

void MCManager::setCurrentDownloadsCount(qint64 count)
{
    QMutexLocker locker(&m_countersLock);
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
    MCBrowsableViewController::changeToPath(path, sender, std::move(completion));
}

void MCManager::doubleClickNavigation(const QString &path, QObject *sender)
{
    clearForwardHistory();
    if (m_currentNode)
        addBackPath(m_currentNode->filePath());
    changeToPath(path, sender);
}

void MCManager::addBackPath(const QString &path)
{
    if (path.isNull() || (!m_arrayBack.isEmpty() && m_arrayBack.last() == path))
        return;
    m_arrayBack.append(path);
    emit arrayBackChanged();
}

void MCManager::addForwardPath(const QString &path)
{
    if (path.isNull() || (!m_arrayForward.isEmpty() && m_arrayForward.last() == path))
        return;
    m_arrayForward.append(path);
    emit arrayForwardChanged();
}

QString MCManager::shownPlace() const
{
    if (!m_notBrowsablePath.isEmpty())
        return m_notBrowsablePath;
    return m_currentNode ? m_currentNode->filePath() : m_currentPath;
}

QString MCManager::backPath()
{
    if (m_arrayBack.isEmpty())
        return QString();
    addForwardPath(shownPlace());
    const QString place = m_arrayBack.takeLast();
    emit arrayBackChanged();
    return place;
}

QString MCManager::forwardPath()
{
    if (m_arrayForward.isEmpty())
        return QString();
    addBackPath(shownPlace());
    const QString place = m_arrayForward.takeLast();
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
    QStringList &stack = back ? m_arrayBack : m_arrayForward;
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
    // In place and unannounced: the stacks keep their lengths.
    for (QStringList *stack : {&m_arrayBack, &m_arrayForward}) {
        for (QString &place : *stack) {
            if (place == oldPath)
                place = newPath;
        }
    }
    if (m_currentPath == oldPath)
        changeToPath(newPath, this);
}

void MCManager::backForwardRemovePath(const QString &path)
{
    for (int i = m_arrayBack.size() - 1; i >= 0; --i) {
        if (m_arrayBack.at(i) == path) {
            m_arrayBack.removeAt(i);
            emit arrayBackChanged();
        }
    }
    for (int i = m_arrayForward.size() - 1; i >= 0; --i) {
        if (m_arrayForward.at(i) == path) {
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
        helper->pathFailed(path, userData);
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
