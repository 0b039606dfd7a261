#include "mcbrowsableviewshelper.h"

#include "mcbrowsableviewcontroller.h"
#include "mcnavigationrequest.h"
#include "mcobjectnode.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"

#include <QDir>

namespace {
QString normalized(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(path);
}
} // namespace

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
}

void MCBrowsableViewsHelper::changeToPath(const QString &path, QObject *sender,
                                          std::function<void()> completion)
{
    Q_UNUSED(sender)
    QList<std::function<void()>> &waiting = m_pending[normalized(path)];
    if (completion)
        waiting.append(std::move(completion));
    m_objectsManager->fetchInfoForObjectAtPath(path, MCNavigationRequest::userData());
}

void MCBrowsableViewsHelper::infoFetched(const MOPostedNotification &notification)
{
    const MOObjectsNotification reader(notification);
    const MOStorageObject object = reader.object();
    if (!MCNavigationRequest::isNavigation(reader.userData()) ||
        object.type() == MOStorageObject::Invalid)
        return;
    const QString path = normalized(object.fullPath());
    if (object.type() != MOStorageObject::Directory) {
        m_pending.remove(path);
        return;
    }
    m_objectsManager->listObjectsAtPath(path, false, MCNavigationRequest::userData());
}

void MCBrowsableViewsHelper::listFetched(const MOPostedNotification &notification)
{
    const MOObjectsNotification reader(notification);
    if (!MCNavigationRequest::isNavigation(reader.userData()))
        return;
    const QString path = normalized(reader.basePath());
    const QList<MOStorageObject> objects = reader.objects();
    for (const auto &view : qAsConst(m_views)) {
        const MCNodePtr node = view ? view->currentNode() : MCNodePtr();
        if (!node || node->filePath() != path || !node->childrenDirty())
            continue;
        // Each view builds its own children: their badges and busy flags are per view.
        node->setChildren(MCNodesFromStorageObjects(objects, node));
        node->notifyChildrenReady();
    }
    const QList<std::function<void()>> completions = m_pending.take(path);
    for (const auto &completion : completions)
        completion();
}
