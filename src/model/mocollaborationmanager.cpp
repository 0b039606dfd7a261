#include "mocollaborationmanager.h"

#include "mcollaborationmanager.h"
#include "mocollaboration.h"
#include "mocollaborationmanagerbridge.h"
#include "mocollaborationmanagerdelegate.h"
#include "moconversation.h"
#include "mocorevalues_p.h"
#include "modelegatepointer.h"
#include "monotificationcenter.h"
#include "moobjectmodeltypes_p.h"
#include "mosingleton_p.h"
#include "mqbindings.h"
#include "tolvoappimpl.h"

#include <QPointer>

#include <limits>
#include <memory>

class MOCollaborationManagerPrivate
{
public:
    std::unique_ptr<MONotificationCenter> notificationCenter;
    std::unique_ptr<MOCollaborationManagerBridge> bridge;
    // Owned by the core's shut-down, which deletes it once it has stopped; null afterwards.
    QPointer<MCollaborationManager> cxxInstance;
    MODelegatePointer<MOCollaborationManagerDelegate> delegate;
};

MOCollaborationManager::MOCollaborationManager()
    : d_ptr(new MOCollaborationManagerPrivate)
{
    Q_D(MOCollaborationManager);
    registerObjectModelTypes();
    qRegisterMetaType<MOCollaboration>("MOCollaboration");
    qRegisterMetaType<QList<MOCollaboration>>();

    d->notificationCenter = std::make_unique<MONotificationCenter>();
    d->bridge = std::make_unique<MOCollaborationManagerBridge>(this);
    d->cxxInstance = new MCollaborationManager;
    if (TolvoAppImpl *app = TolvoApp::instance())
        app->registerShutdownableInstance(d->cxxInstance);

    d->bridge->connectToCore(d->cxxInstance);
}

MOCollaborationManager::~MOCollaborationManager()
{
    Q_D(MOCollaborationManager);
    // Answers still queued for the bridge go with it.
    d->bridge.reset();
    // The core's shut-down ends the core manager. When the process ends without one, the
    // manager ends here, with the facade, while Qt is still alive.
    if (MCollaborationManager *core = d->cxxInstance) {
        if (TolvoAppImpl *app = TolvoApp::instance())
            app->unregisterShutdownableInstance(core);
        delete core;
    }
}

MOCollaborationManager *MOCollaborationManager::sharedInstance()
{
    return MOSingleton<MOCollaborationManager>::instance();
}

MONotificationCenter *MOCollaborationManager::notificationCenter() const
{
    return d_func()->notificationCenter.get();
}

void MOCollaborationManager::start()
{
    Q_D(MOCollaborationManager);
    if (d->cxxInstance)
        d->cxxInstance->start();
}

void MOCollaborationManager::accept(const MOCollaboration &collaboration)
{
    Q_D(MOCollaborationManager);
    if (d->cxxInstance)
        d->cxxInstance->accept(MOCoreValues::cxxCollaboration(collaboration));
}

void MOCollaborationManager::reject(const QString &token)
{
    Q_D(MOCollaborationManager);
    if (d->cxxInstance)
        d->cxxInstance->reject(token);
}

void MOCollaborationManager::sendTransferInvitationForPath(const QString &path,
                                                           const QDateTime &creationDate,
                                                           const MOConversation &conversation,
                                                           const QString &provider)
{
    Q_D(MOCollaborationManager);
    // In UTC, so that the service reads the instant and not a wall-clock time.
    if (d->cxxInstance)
        d->cxxInstance->sendTransferInvitation(MOCoreValues::cxxConversation(conversation),
                                               NSDateToQDateTime(creationDate), path, provider);
}

void MOCollaborationManager::listSentInvitations(qint64 offset, int limit)
{
    Q_D(MOCollaborationManager);
    const int first = int(qBound<qint64>(0, offset, std::numeric_limits<int>::max()));
    if (d->cxxInstance)
        d->cxxInstance->listSentInvitations(MCollaboration::FileTransfer, first, limit);
}

void MOCollaborationManager::listReceivedInvitations(const QString &token, int limit)
{
    Q_D(MOCollaborationManager);
    if (d->cxxInstance)
        d->cxxInstance->listReceivedInvitations(MCollaboration::FileTransfer, token, limit);
}

MOCollaborationManagerDelegate *MOCollaborationManager::delegate() const
{
    return d_func()->delegate.get();
}

void MOCollaborationManager::setDelegate(MOCollaborationManagerDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}
