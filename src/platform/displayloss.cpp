#include "displayloss.h"

#include "platformlogging.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

QtMessageHandler previousHandler = nullptr;
std::function<void()> *stopAtLoss = nullptr;

// Qt's own words, printed just before it calls exit(1); Qt offers no other sign.
bool isDisplayLoss(QtMsgType type, const QString &message)
{
    return type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke")) &&
           QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    previousHandler(type, context, message);
    if (!stopAtLoss || !isDisplayLoss(type, message))
        return;
    const std::function<void()> stop = *stopAtLoss;
    stopAtLoss = nullptr;
    qCWarning(lcQuit) << "The display connection was lost: saving and ending at once";
    stop();
    std::fflush(nullptr);
    ::_exit(1);
}

} // namespace

void DisplayLoss::watch(std::function<void()> stop)
{
    static std::function<void()> watched;
    watched = std::move(stop);
    stopAtLoss = &watched;
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(handleMessage);
}
