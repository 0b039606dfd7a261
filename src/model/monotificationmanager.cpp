#include "monotificationmanager.h"

#include "mnotificationmanager.h"
#include "mocorenotification.h"
#include "mocorevalues_p.h"
#include "monotificationcenter.h"
#include "monotificationmanagerbridge.h"
#include "moobjectmodeltypes_p.h"
#include "mosingleton_p.h"
#include "mstorageobject.h"

class MONotificationManagerPrivate
{
public:
    explicit MONotificationManagerPrivate(MONotificationManager *q)
        : bridge(q)
    {}

    MONotificationManagerBridge bridge;
    MONotificationCenter center;
};

MONotificationManager::MONotificationManager()
    : d_ptr(new MONotificationManagerPrivate(this))
{
    registerObjectModelTypes();
    if (MNotificationManager *core = MNotificationManager::instance())
        connect(core, &MNotificationManager::notificationReady, &d_ptr->bridge,
                &MONotificationManagerBridge::handleNotificationReady);
}

MONotificationManager::~MONotificationManager() = default;

MONotificationManager *MONotificationManager::sharedInstance()
{
    return MOSingleton<MONotificationManager>::instance();
}

MONotificationCenter *MONotificationManager::notificationCenter() const
{
    return &const_cast<MONotificationManagerPrivate *>(d_func())->center;
}

void MONotificationManager::postNotification(const MOPostedNotification &notification)
{
    const MOCoreNotification reader(notification);
    MNotification posted(MNotification::Type(reader.type()), reader.message(), 0);
    if (const std::optional<MOStorageObject> object = reader.storageObject())
        posted.setAttribute(MNotification::StorageObject,
                            QVariant::fromValue(MOCoreValues::cxxStorageObject(*object)));
    posted.setAttribute(MNotification::Action, qlonglong(reader.action()));
    if (MNotificationManager *core = MNotificationManager::instance())
        core->post(posted);
}

void MONotificationManager::postWarningNotification(const QString &message)
{
    if (MNotificationManager *core = MNotificationManager::instance())
        core->post(MNotification(MNotification::WARN, message, 0));
}

void MONotificationManager::postInfoNotification(const QString &message)
{
    if (MNotificationManager *core = MNotificationManager::instance())
        core->post(MNotification(MNotification::INFO, message, 0));
}
