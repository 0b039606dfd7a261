#ifndef MOBJECTSENDER_H
#define MOBJECTSENDER_H

#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"

#include <QList>
#include <QObject>
#include <QRunnable>
#include <QScopedPointer>
#include <QVariant>

class MObjectSenderPrivate;

// The transfer engine: runs the persistent transfer queue on its own thread, at most
// maxConcurrentTransfers() transfers at a time, started by a 200 ms tick. Uploads go in
// 5 MiB chunks that the service does not hold yet; downloads land in a temporary file that
// replaces their destination once its MD5 is verified. Move it to its thread, then call
// start() there (the thread's started() signal); shutdownCompleted() follows shutdown().
class MObjectSender
    : public QObject
    , public QRunnable
{
    Q_OBJECT
public:
    enum State { Initial = 0, Paused = 1, Resumed = 2, Running = 3, ShutDown = 4 };
    Q_ENUM(State)

    explicit MObjectSender(QObject *parent = nullptr);
    ~MObjectSender() override;

    // Queue calls: they touch only the store and may run on any thread.
    MObjectTransfer scheduleTransfer(const MObjectTransferRequest &request);
    // Each request as scheduleTransfer() would, written in one transaction, then announced
    // in order.
    QList<MObjectTransfer> scheduleTransfers(const QList<MObjectTransferRequest> &requests);
    MObjectTransfer scheduleTransfer(const QString &source, const QString &destination,
                                     int direction, const QVariant &userData);
    MObjectTransferGroup scheduleTransferGroup(const QList<MObjectTransferRequest> &requests,
                                               const MObjectTransferRequest &groupRequest,
                                               const QString &humanReadableIdentifier);

    // Control calls: they cross into the engine's thread and act on the stored transfer,
    // whatever the caller's copy says.
    void pauseTransfer(const MObjectTransfer &transfer);
    void cancelTransfer(const MObjectTransfer &transfer);
    // Only a paused transfer is queued again.
    void resumeTransfer(const MObjectTransfer &transfer);
    void pauseGroup(const MObjectTransferGroup &group);
    void resumeGroup(const MObjectTransferGroup &group);
    void cancelGroup(const MObjectTransferGroup &group);

    State state() const;
    bool isPaused() const;
    // Transfers with work in flight (hashing, a request or a verification).
    int activeTransfersCount() const;
    int maxConcurrentTransfers() const;
    void setMaxConcurrentTransfers(int count);
    // A request that neither sends nor receives a byte for this long fails as a dropped
    // connection would, freeing its slot (MNetworkRequestManager::defaultStallTimeout()
    // unless set).
    int stallTimeout() const;
    void setStallTimeout(int milliseconds);

    void run() override;

signals:
    void stateChanged(MObjectSender::State old, MObjectSender::State current);
    void transferScheduled(const MObjectTransfer &transfer);
    void transferStarted(const MObjectTransfer &transfer);
    void transferProgressed(const MObjectTransfer &transfer);
    void transferPaused(const MObjectTransfer &transfer);
    void transferGroupScheduled(const MObjectTransferGroup &group);
    void transferGroupStarted(const MObjectTransferGroup &group);
    void transferGroupProgressed(const MObjectTransferGroup &group);
    void transferGroupPaused(const MObjectTransferGroup &group);
    void transferFinished(const MObjectTransfer &transfer);
    void transferGroupFinished(const MObjectTransferGroup &group);
    // Once per request manager.
    void shutdownCompleted();

public slots:
    void resume();
    void pause();
    void shutdown();
    // Creates the request managers; runs in the engine's thread.
    void start();

protected slots:
    // One tick: starts queued transfers while slots are free.
    void handleTransfers();

private:
    friend class MObjectSenderPrivate;
    Q_DECLARE_PRIVATE(MObjectSender)
    QScopedPointer<MObjectSenderPrivate> d_ptr;
};

Q_DECLARE_METATYPE(MObjectSender::State)

#endif // MOBJECTSENDER_H
