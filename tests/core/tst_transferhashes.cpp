#include "mchunkedupload.h"
#include "mstreamhasher.h"
#include "testdata.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

using TestData::md5Hex;
constexpr qint64 MiB = 1024 * 1024;

} // namespace

// The hashes an upload announces (the whole file's and each 5 MiB chunk's, read on two
// threads) and the one a download is checked with, computed as its body arrives.
class TestTransferHashes : public QObject
{
    Q_OBJECT

private slots:
    void hashFileMatchesTheBytes_data();
    void hashFileMatchesTheBytes();
    void hashFileStopsWhenCanceled();
    void streamHasherMatchesTheBytes();
    void streamHasherStopsWithBytesWaiting();
    void streamHasherBlocksComeBack();

private:
    QTemporaryDir folder;
};

void TestTransferHashes::hashFileMatchesTheBytes_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("one chunk") << MChunkedUpload::ChunkSize;
    QTest::newRow("one byte more") << MChunkedUpload::ChunkSize + 1;
    QTest::newRow("two chunks and a part") << 2 * MChunkedUpload::ChunkSize + 3 * MiB + 7;
}

void TestTransferHashes::hashFileMatchesTheBytes()
{
    QFETCH(qint64, size);
    QByteArray bytes(int(size), Qt::Uninitialized);
    char *data = bytes.data();
    for (int i = 0; i < bytes.size(); ++i)
        data[i] = char(i * 7 + i / 1000);
    const QString path = folder.filePath(QStringLiteral("file-%1").arg(size));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == size);
    file.close();

    QStringList chunks;
    for (qint64 offset = 0; offset < size; offset += MChunkedUpload::ChunkSize)
        chunks.append(md5Hex(bytes.mid(int(offset), int(MChunkedUpload::ChunkSize))));

    const MChunkedUpload::Hashes withChunks =
        MChunkedUpload::hashFile(path, QIODevice::ReadOnly, true);
    QVERIFY(withChunks.complete);
    QCOMPARE(withChunks.size, size);
    QCOMPARE(QString::fromLatin1(withChunks.final), md5Hex(bytes));
    QCOMPARE(withChunks.chunks, chunks);

    // A download's check needs the whole file's hash only.
    const MChunkedUpload::Hashes whole = MChunkedUpload::hashFile(path, QIODevice::ReadOnly, false);
    QVERIFY(whole.complete);
    QCOMPARE(whole.size, size);
    QCOMPARE(whole.final, withChunks.final);
    QVERIFY(whole.chunks.isEmpty());
}

void TestTransferHashes::hashFileStopsWhenCanceled()
{
    const QString path = folder.filePath(QStringLiteral("canceled"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(3 * MChunkedUpload::ChunkSize));
    file.close();
    const std::atomic_bool canceled{true};
    for (const bool chunks : {true, false})
        QVERIFY(!MChunkedUpload::hashFile(path, QIODevice::ReadOnly, chunks, &canceled).complete);
    QVERIFY(!MChunkedUpload::hashFile(folder.filePath(QStringLiteral("missing")),
                                      QIODevice::ReadOnly, true)
                 .complete);
}

void TestTransferHashes::streamHasherMatchesTheBytes()
{
    // More than it lets wait, in blocks of every size a reply hands over.
    QByteArray bytes(int(40 * MiB + 13), Qt::Uninitialized);
    char *data = bytes.data();
    for (int i = 0; i < bytes.size(); ++i)
        data[i] = char(i * 13 + i / 4096);
    MStreamHasher hasher;
    for (int offset = 0, step = 1; offset < bytes.size(); offset += step, step = step * 3 % 1000003)
        hasher.addData(bytes.mid(offset, step));
    QCOMPARE(QString::fromLatin1(hasher.result()), md5Hex(bytes));

    MStreamHasher empty;
    empty.addData(QByteArray());
    QCOMPARE(QString::fromLatin1(empty.result()), md5Hex(QByteArray()));
}

void TestTransferHashes::streamHasherStopsWithBytesWaiting()
{
    // A download ended midway drops its hasher with blocks still queued.
    auto hasher = std::make_unique<MStreamHasher>();
    const QByteArray block(int(MiB), 'x');
    for (int i = 0; i < 12; ++i)
        hasher->addData(block);
    hasher.reset();
}

void TestTransferHashes::streamHasherBlocksComeBack()
{
    // Filled blocks, some partly, with the bytes of each written over the recycled one.
    QByteArray bytes(int(20 * MiB + 5), Qt::Uninitialized);
    char *data = bytes.data();
    for (int i = 0; i < bytes.size(); ++i)
        data[i] = char(i * 7 + i / 1031);
    MStreamHasher hasher;
    QSet<const char *> seen;
    int reused = 0;
    for (int offset = 0, turn = 0; offset < bytes.size(); ++turn) {
        QByteArray block = hasher.takeBlock();
        QCOMPARE(block.size(), MStreamHasher::BlockSize);
        reused += seen.contains(block.constData()) ? 1 : 0;
        seen.insert(block.constData());
        const int length = qMin(turn % 3 ? block.size() : block.size() / 3, bytes.size() - offset);
        std::copy_n(bytes.constData() + offset, length, block.data());
        hasher.addBlock(std::move(block), length);
        offset += length;
        // The hasher hands blocks back once it is done with them.
        if (turn % 4 == 3)
            hasher.result();
    }
    QCOMPARE(QString::fromLatin1(hasher.result()), md5Hex(bytes));
    QVERIFY(reused > 0);
}

QTEST_GUILESS_MAIN(TestTransferHashes)
#include "tst_transferhashes.moc"
