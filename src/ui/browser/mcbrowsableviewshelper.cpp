#include "mcbrowsableviewshelper.h"

#include "mcbrowsableviewcontroller.h"
#include "mcobjectnode.h"
#include "mcobjectsnotificationreader.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"

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
    m_objectsManager->fetchInfoForObjectAtPath(path,
                                               MCObjectsNotificationReader::navigationUserData());
}

void MCBrowsableViewsHelper::infoFetched(const MOPostedNotification &notification)
{
    const MCObjectsNotificationReader reader(notification);
    if (!reader.isNavigation() || !reader.hasStorageObject())
        return;
    const MOStorageObject object = reader.storageObject();
    const QString path = normalized(object.fullPath());
    if (object.type() != 1) {
        m_pending.remove(path);
        return;
    }
    m_objectsManager->listObjectsAtPath(path, false,
                                        MCObjectsNotificationReader::navigationUserData());
}

void MCBrowsableViewsHelper::listFetched(const MOPostedNotification &notification)
{
    const MCObjectsNotificationReader reader(notification);
    if (!reader.isNavigation())
        return;
    const QString path = normalized(reader.basePath());
    const QList<MOStorageObject> objects = reader.objects();
    for (const auto &view : qAsConst(m_views)) {
        MCAbstractObjectNode *node = view ? view->currentNode() : nullptr;
        if (!node || node->filePath() != path || !node->childrenDirty())
            continue;
        QList<MCAbstractObjectNode *> children;
        children.reserve(objects.size());
        for (const MOStorageObject &object : objects)
            children.append(new MCObjectNode(object));
        node->setChildren(children);
        node->notifyChildrenReady();
    }
    const QList<std::function<void()>> completions = m_pending.take(path);
    for (const auto &completion : completions)
        completion();
}
