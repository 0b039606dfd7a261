#include "tolvoappbridge.h"

#include "moapplication.h"
#include "moapplicationdelegate.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QDebug>
#include <QThread>

TolvoAppBridge::TolvoAppBridge(MOApplication *application)
    : QObject(nullptr)
    , m_application(application)
{
    TolvoApp *app = TolvoApp::instance();
    if (!app || !connect(app, SIGNAL(readyToQuit()), this, SLOT(notifyReadyToQuit())))
        qDebug("Cannot connect to readyToQuit() signal");
    if (!app || !connect(app, SIGNAL(ready()), this, SLOT(notifyReadyToStart())))
        qDebug("Cannot connect to ready() signal");
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
