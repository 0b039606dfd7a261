#include "mchunkedupload.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 MiB = 1024 * 1024;

QString md5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

} // namespace

// The hashes an upload announces: the whole file's and each 5 MiB chunk's, read on two threads.
class TestChunkedUpload : public QObject
{
    Q_OBJECT

private slots:
    void hashFileMatchesTheBytes_data();
    void hashFileMatchesTheBytes();
    void hashFileStopsWhenCanceled();

private:
    QTemporaryDir folder;
};

void TestChunkedUpload::hashFileMatchesTheBytes_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("one chunk") << MChunkedUpload::ChunkSize;
    QTest::newRow("one byte more") << MChunkedUpload::ChunkSize + 1;
    QTest::newRow("two chunks and a part") << 2 * MChunkedUpload::ChunkSize + 3 * MiB + 7;
}

void TestChunkedUpload::hashFileMatchesTheBytes()
{
    QFETCH(qint64, size);
    QByteArray bytes(int(size), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 1000);
    const QString path = folder.filePath(QStringLiteral("file-%1").arg(size));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == size);
    file.close();

    QStringList chunks;
    for (qint64 offset = 0; offset < size; offset += MChunkedUpload::ChunkSize)
        chunks.append(md5(bytes.mid(int(offset), int(MChunkedUpload::ChunkSize))));

    const MChunkedUpload::Hashes withChunks =
        MChunkedUpload::hashFile(path, QIODevice::ReadOnly, true);
    QVERIFY(withChunks.complete);
    QCOMPARE(withChunks.size, size);
    QCOMPARE(QString::fromLatin1(withChunks.final), md5(bytes));
    QCOMPARE(withChunks.chunks, chunks);

    // A download's check needs the whole file's hash only.
    const MChunkedUpload::Hashes whole = MChunkedUpload::hashFile(path, QIODevice::ReadOnly, false);
    QVERIFY(whole.complete);
    QCOMPARE(whole.size, size);
    QCOMPARE(whole.final, withChunks.final);
    QVERIFY(whole.chunks.isEmpty());
}

void TestChunkedUpload::hashFileStopsWhenCanceled()
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

QTEST_GUILESS_MAIN(TestChunkedUpload)
#include "tst_chunkedupload.moc"
