#include "mstreamhasher.h"

#include "mmd5.h"

#include <QMutex>
#include <QMutexLocker>
#include <QQueue>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <memory>

namespace {

// A loopback body arrives faster than MD5 goes; beyond this the receiver waits for it.
constexpr qint64 MaxPendingBytes = 16 * 1024 * 1024;
// Blocks kept for reuse once hashed: enough to cover what may wait.
constexpr int MaxSpareBlocks = int(MaxPendingBytes / MStreamHasher::BlockSize) + 2;

} // namespace

class MStreamHasherPrivate
{
public:
    struct Pending
    {
        QByteArray block;
        int length = 0;
    };

    void run();
    void enqueue(QByteArray block, int length);

    QMutex mutex;
    QWaitCondition changed;
    QQueue<Pending> pending;
    QVector<QByteArray> spare;
    qint64 pendingBytes = 0;
    bool busy = false; // a block is being hashed outside the lock
    bool stopping = false;
    MMd5 hash;
    std::unique_ptr<QThread> thread;
};

void MStreamHasherPrivate::run()
{
    QMutexLocker locker(&mutex);
    for (;;) {
        while (pending.isEmpty() && !stopping)
            changed.wait(&mutex);
        if (stopping)
            return;
        Pending next = pending.dequeue();
        busy = true;
        locker.unlock();
        hash.addData(next.block.constData(), next.length);
        locker.relock();
        busy = false;
        pendingBytes -= next.length;
        // Only whole, unshared blocks are worth handing out again.
        if (next.block.size() == MStreamHasher::BlockSize && next.block.isDetached() &&
            spare.size() < MaxSpareBlocks)
            spare.append(std::move(next.block));
        changed.wakeAll();
    }
}

void MStreamHasherPrivate::enqueue(QByteArray block, int length)
{
    if (length <= 0)
        return;
    QMutexLocker locker(&mutex);
    while (pendingBytes >= MaxPendingBytes && !stopping)
        changed.wait(&mutex);
    pendingBytes += length;
    pending.enqueue({std::move(block), length});
    changed.wakeAll();
}

MStreamHasher::MStreamHasher()
    : d(new MStreamHasherPrivate)
{
    d->thread.reset(QThread::create([this] { d->run(); }));
    d->thread->setObjectName(QStringLiteral("com.kerloapp.transfers-hash"));
    d->thread->start();
}

MStreamHasher::~MStreamHasher()
{
    {
        QMutexLocker locker(&d->mutex);
        d->stopping = true;
        d->changed.wakeAll();
    }
    d->thread->wait();
}

QByteArray MStreamHasher::takeBlock()
{
    {
        QMutexLocker locker(&d->mutex);
        if (!d->spare.isEmpty())
            return d->spare.takeLast();
    }
    return QByteArray(BlockSize, Qt::Uninitialized);
}

void MStreamHasher::addBlock(QByteArray block, int length)
{
    const int usable = qMin(length, block.size());
    d->enqueue(std::move(block), usable);
}

void MStreamHasher::addData(const QByteArray &data)
{
    d->enqueue(data, data.size());
}

QByteArray MStreamHasher::result()
{
    QMutexLocker locker(&d->mutex);
    while ((!d->pending.isEmpty() || d->busy) && !d->stopping)
        d->changed.wait(&d->mutex);
    return d->hash.hexSoFar();
}
