#ifndef MSTREAMHASHER_H
#define MSTREAMHASHER_H

#include <QByteArray>
#include <QScopedPointer>

class MStreamHasherPrivate;

// The MD5 of a stream, computed on a thread of its own so that the thread receiving the
// stream is not held up by it. At most a few MiB wait to be hashed: addData() blocks beyond.
class MStreamHasher
{
public:
    MStreamHasher();
    // Stops at once; what still waits is not hashed.
    ~MStreamHasher();

    // Queues a copy that shares the bytes.
    void addData(const QByteArray &data);
    // Lower-case hex MD5 of everything added, once it is all hashed.
    QByteArray result();

private:
    Q_DISABLE_COPY(MStreamHasher)
    QScopedPointer<MStreamHasherPrivate> d;
};

#endif // MSTREAMHASHER_H
