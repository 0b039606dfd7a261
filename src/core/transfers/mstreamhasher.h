#ifndef MSTREAMHASHER_H
#define MSTREAMHASHER_H

#include <QByteArray>
#include <QScopedPointer>

class MStreamHasherPrivate;

// The MD5 of a stream, computed on a thread of its own so that the thread receiving the
// stream is not held up by it. The stream comes in blocks of BlockSize bytes that go back and
// forth between the two threads, so no byte is copied or allocated for the hash once the
// first few blocks exist. At most a few blocks wait to be hashed: addBlock() blocks beyond.
class MStreamHasher
{
public:
    static constexpr int BlockSize = 1024 * 1024;

    MStreamHasher();
    // Stops at once; what still waits is not hashed.
    ~MStreamHasher();

    // A block to fill: one the hash is done with when there is one, of BlockSize bytes.
    QByteArray takeBlock();
    // Queues the first length bytes of block, which the hasher owns from now on.
    void addBlock(QByteArray block, int length);
    // Queues a copy that shares the bytes.
    void addData(const QByteArray &data);
    // Lower-case hex MD5 of everything added, once it is all hashed.
    QByteArray result();

private:
    Q_DISABLE_COPY(MStreamHasher)
    QScopedPointer<MStreamHasherPrivate> d;
};

#endif // MSTREAMHASHER_H
