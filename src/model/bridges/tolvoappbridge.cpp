#include "tolvoappbridge.h"

#include "moapplication.h"
#include "moapplicationdelegate.h"
#include "mologging_p.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QThread>

TolvoAppBridge::TolvoAppBridge(MOApplication *application)
    : QObject(nullptr)
    , m_application(application)
{
    TolvoApp *app = TolvoApp::instance();
    if (!app || !connect(app, &TolvoApp::readyToQuit, this, &TolvoAppBridge::notifyReadyToQuit))
        qCDebug(lcModel, "Cannot connect to readyToQuit() signal");
    if (!app || !connect(app, &TolvoApp::ready, this, &TolvoAppBridge::notifyReadyToStart))
        qCDebug(lcModel, "Cannot connect to ready() signal");
}

void TolvoAppBridge::notifyReadyToQuit()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (MOApplicationDelegate *delegate = m_application->delegate())
        delegate->applicationDidFinishShutdown(m_application);
}

void TolvoAppBridge::notifyReadyToStart()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (MOApplicationDelegate *delegate = m_application->delegate())
        delegate->applicationDidFinishSetup(m_application);
}
