#include "monetworkrequestmanagerbridge.h"

#include "moapiavailabilitymanager.h"
#include "moconstants.h"
#include "monotificationcenter.h"

#include <QThread>

MONetworkRequestManagerBridge::MONetworkRequestManagerBridge(MOAPIAvailabilityManager *manager)
    : QObject(nullptr)
    , m_manager(manager)
{}

void MONetworkRequestManagerBridge::ensureRepetitiveServices(TolvoApp::ConnectivityStatus,
                                                             TolvoApp::ConnectivityStatus current)
{
    Q_ASSERT(QThread::currentThread() == thread());
    m_manager->notificationCenter()->postNotificationName(
        MOAPIAvailabilityChangedNotification, m_manager,
        {{MOAvailabilityStatusFlagsKey, static_cast<uint>(current)}});
}
