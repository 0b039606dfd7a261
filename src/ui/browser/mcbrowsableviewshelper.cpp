#include "mcbrowsableviewshelper.h"

#include "mcbrowsableviewcontroller.h"
#include "mcnavigationrequest.h"
#include "mcremotepath.h"
#include "moconstants.h"
#include "moerror.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"

#include <algorithm>

MCBrowsableViewsHelper::MCBrowsableViewsHelper(MOObjectsManager *objectsManager, QObject *parent)
    : QObject(parent)
    , m_objectsManager(objectsManager)
{
    MONotificationCenter *center = objectsManager->notificationCenter();
    center->addObserver(this, &MCBrowsableViewsHelper::infoFetched,
                        MOObjectInfoDidFetchNotification);
    center->addObserver(this, &MCBrowsableViewsHelper::listFetched,
                        MOObjectsListDidFetchNotification);
}

MCBrowsableViewsHelper::~MCBrowsableViewsHelper() = default;

void MCBrowsableViewsHelper::addView(MCBrowsableViewController *view)
{
    m_views.append(view);
    // A large listing is shown a while after it arrived: the completions wait for every view.
    connect(view, &MCBrowsableViewController::listingLoaded, this, [this](const QString &path) {
        if (m_pending.contains(path) && !isLoading(path))
            runCompletions(path);
    });
}

bool MCBrowsableViewsHelper::isLoading(const QString &path) const
{
    return std::any_of(m_views.cbegin(), m_views.cend(),
                       [&path](const QPointer<MCBrowsableViewController> &view) {
                           return view && view->isLoadingListing(path);
                       });
}

void MCBrowsableViewsHelper::changeToPath(const QString &path, QObject *sender,
                                          std::function<void()> completion)
{
    Q_UNUSED(sender)
    QList<std::function<void()>> &waiting = m_pending[MCRemotePath::keyed(path)];
    if (completion)
        waiting.append(std::move(completion));
    for (const auto &view : qAsConst(m_views)) {
        if (view)
            view->listingRequested(path);
    }
    m_objectsManager->fetchInfoForObjectAtPath(path, MCNavigationRequest::userData());
}

void MCBrowsableViewsHelper::pathFailed(const QString &path, const MOError &error,
                                        const QVariant &userData)
{
    const QString reason = failureReason(error);
    for (const auto &view : qAsConst(m_views)) {
        if (view)
            view->listingFailed(path, reason);
    }
    m_listing.remove(MCRemotePath::keyed(path));
    if (MCNavigationRequest::isNavigation(userData))
        runCompletions(MCRemotePath::keyed(path));
}

void MCBrowsableViewsHelper::reloadPath(const QString &path)
{
    for (const auto &view : qAsConst(m_views)) {
        if (view)
            view->listingRequested(path);
    }
    m_objectsManager->listObjectsAtPath(path, true, QVariant());
}

QString MCBrowsableViewsHelper::failureReason(const MOError &error)
{
    const qint64 code = error.code();
    if (code == 0)
        return tr("The service does not know this folder.");
    if (code < 0)
        return tr("The service did not answer.");
    if (code < 300)
        return tr("The service\u2019s answer could not be read.");
    if (code < 400)
        return tr("The service sent the request elsewhere (status %1).").arg(code);
    return tr("The service answered with error %1.").arg(code);
}

void MCBrowsableViewsHelper::runCompletions(const QString &path)
{
    // Taken first: a completion may ask for the same folder again.
    const QList<std::function<void()>> completions = m_pending.take(path);
    for (const auto &completion : completions)
        completion();
}

void MCBrowsableViewsHelper::infoFetched(const MOPostedNotification &notification)
{
    const MOObjectsNotification reader(notification);
    const MOStorageObject object = reader.object();
    if (!MCNavigationRequest::isNavigation(reader.userData()) ||
        object.type() == MOStorageObject::Invalid)
        return;
    const QString path = MCRemotePath::keyed(object.fullPath());
    if (object.type() != MOStorageObject::Directory) {
        // Nothing to list: the change is over.
        runCompletions(path);
        return;
    }
    if (m_listing.contains(path)) {
        m_objectsManager->listObjectsAgainAtPath(path, MCNavigationRequest::userData());
        return;
    }
    m_listing.insert(path);
    m_objectsManager->listObjectsAtPath(path, false, MCNavigationRequest::userData());
}

void MCBrowsableViewsHelper::listFetched(const MOPostedNotification &notification)
{
    for (const auto &view : qAsConst(m_views)) {
        if (view)
            view->listingArrived(notification);
    }
    const MOObjectsNotification reader(notification);
    const QString path = MCRemotePath::keyed(reader.basePath());
    m_listing.remove(path);
    if (MCNavigationRequest::isNavigation(reader.userData()) && !isLoading(path))
        runCompletions(path);
}
