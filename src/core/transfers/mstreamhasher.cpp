#include "mstreamhasher.h"

#include <QCryptographicHash>
#include <QMutex>
#include <QMutexLocker>
#include <QQueue>
#include <QThread>
#include <QWaitCondition>

#include <memory>

namespace {

// A loopback body arrives faster than MD5 goes; beyond this the receiver waits for it.
constexpr qint64 MaxPendingBytes = 16 * 1024 * 1024;

} // namespace

class MStreamHasherPrivate
{
public:
    void run();

    QMutex mutex;
    QWaitCondition changed;
    QQueue<QByteArray> pending;
    qint64 pendingBytes = 0;
    bool busy = false; // a block is being hashed outside the lock
    bool stopping = false;
    QCryptographicHash hash{QCryptographicHash::Md5};
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
        const QByteArray block = pending.dequeue();
        busy = true;
        locker.unlock();
        hash.addData(block);
        locker.relock();
        busy = false;
        pendingBytes -= block.size();
        changed.wakeAll();
    }
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

void MStreamHasher::addData(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    QMutexLocker locker(&d->mutex);
    while (d->pendingBytes >= MaxPendingBytes && !d->stopping)
        d->changed.wait(&d->mutex);
    d->pending.enqueue(data);
    d->pendingBytes += data.size();
    d->changed.wakeAll();
}

QByteArray MStreamHasher::result()
{
    QMutexLocker locker(&d->mutex);
    while ((!d->pending.isEmpty() || d->busy) && !d->stopping)
        d->changed.wait(&d->mutex);
    return d->hash.result().toHex();
}
