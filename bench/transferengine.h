#ifndef TRANSFERENGINE_H
#define TRANSFERENGINE_H

#include "mobjectsender.h"
#include "mobjecttransfer.h"
#include "mobjecttransferrequest.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QThread>

// The transfer engine on its own thread, as the application runs it.
class TransferEngine
{
public:
    // Runs a loop until it quits; false when the run was given up (an interrupted benchmark).
    using LoopRunner = bool (*)(QEventLoop &);

    explicit TransferEngine(LoopRunner runLoop = &runToEnd)
        : runLoop(runLoop)
    {}

    bool start()
    {
        sender = new MObjectSender;
        thread.setObjectName(QStringLiteral("com.kerloapp.transfers-queue"));
        sender->moveToThread(&thread);
        QObject::connect(&thread, &QThread::started, sender, &MObjectSender::start);
        QObject::connect(&thread, &QThread::finished, sender, &QObject::deleteLater);
        QEventLoop loop;
        QObject::connect(sender, &MObjectSender::stateChanged, &loop, &QEventLoop::quit);
        thread.start();
        return runLoop(loop);
    }

    ~TransferEngine()
    {
        if (!thread.isRunning())
            return;
        QEventLoop loop;
        QObject::connect(sender, &MObjectSender::shutdownCompleted, &loop, &QEventLoop::quit);
        sender->shutdown();
        loop.exec();
        thread.quit();
        thread.wait();
    }

    // Schedules request and waits until it finishes; the time runs from scheduling to the
    // finish, as a caller sees it.
    MObjectTransfer run(const MObjectTransferRequest &request, qint64 *elapsedNs)
    {
        QEventLoop loop;
        MObjectTransfer finished;
        qint64 id = -1;
        QElapsedTimer clock;
        QObject::connect(sender, &MObjectSender::transferFinished, &loop,
                         [&](const MObjectTransfer &transfer) {
                             if (transfer.identifier() != id)
                                 return;
                             *elapsedNs = clock.nsecsElapsed();
                             finished = transfer;
                             loop.quit();
                         });
        clock.start();
        id = sender->scheduleTransfer(request).identifier();
        runLoop(loop);
        return finished;
    }

    MObjectSender *sender = nullptr;

private:
    static bool runToEnd(QEventLoop &loop)
    {
        loop.exec();
        return true;
    }

    LoopRunner runLoop;
    QThread thread;
};

#endif // TRANSFERENGINE_H
