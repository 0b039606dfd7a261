// Loading the local cache's index of 10,000 cached files (read, check, re-hash every file and
// watch it), against reading and MD5-ing the same files with plain QFile and
// QCryptographicHash. Writing the index back is measured against writing the same bytes.

#include "benchstatistics.h"
#include "mobjectsvirtualfilesystem.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int fileCount = 10000;
constexpr int fileSize = 4096;
constexpr int rounds = 5;

QStringList makeCache(const QString &root)
{
    QStringList keys;
    for (int i = 0; i < fileCount; ++i)
        keys.append(QStringLiteral("Folder %1/Document %2.txt").arg(i / 100).arg(i));
    std::sort(keys.begin(), keys.end());

    QFile index(root + QStringLiteral("/index"));
    if (!QDir(root).mkpath(QStringLiteral("objects")) || !index.open(QIODevice::WriteOnly))
        qFatal("cannot make the cache");
    QDataStream stream(&index);
    stream.setVersion(QDataStream::Qt_5_3);
    stream << qint32(0x637b0000) << qint16(1) << qint32(keys.size());
    for (const QString &key : keys) {
        const QString path = root + QStringLiteral("/objects/") + key;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QByteArray content(fileSize, 'x');
        content.append(key.toUtf8());
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write a cached file");
        file.close();
        const QByteArray hash = QCryptographicHash::hash(content, QCryptographicHash::Md5);
        stream << key;
        stream.writeRawData(hash.constData(), 16);
        stream.writeRawData(QByteArray(16, '\0').constData(), 16);
        stream << qint64(content.size()) << QFileInfo(path).lastModified().toMSecsSinceEpoch()
               << qint8(1);
    }
    return keys;
}

qint64 plainHashing(const QString &root, const QStringList &keys)
{
    QElapsedTimer timer;
    timer.start();
    int hashed = 0;
    for (const QString &key : keys) {
        QFile file(root + QStringLiteral("/objects/") + key);
        QCryptographicHash md5(QCryptographicHash::Md5);
        if (file.open(QIODevice::ReadOnly) && md5.addData(&file))
            hashed += !md5.result().isEmpty();
    }
    const qint64 elapsed = timer.nsecsElapsed();
    if (hashed != keys.size())
        qFatal("plain hashing failed");
    return elapsed;
}

qint64 loadIndex(const QString &root, qint64 *flushTime)
{
    MObjectsVirtualFileSystem cache;
    cache.setFileSystemPath(root);
    QElapsedTimer timer;
    timer.start();
    cache.reload();
    const qint64 elapsed = timer.nsecsElapsed();
    if (cache.indexedPaths().size() != fileCount)
        qFatal("load failed");
    timer.restart();
    cache.flush();
    *flushTime = timer.nsecsElapsed();
    return elapsed;
}

qint64 plainWrite(const QString &root)
{
    QFile index(root + QStringLiteral("/index"));
    if (!index.open(QIODevice::ReadOnly))
        qFatal("cannot read the index");
    const QByteArray bytes = index.readAll();
    QElapsedTimer timer;
    timer.start();
    QSaveFile copy(root + QStringLiteral("/index.copy"));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.commit())
        qFatal("cannot write the copy");
    return timer.nsecsElapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString root = folder.filePath(QStringLiteral("cache"));
    const QStringList keys = makeCache(root);
    qint64 ignored = 0;
    // One unmeasured pass each warms the page cache and the allocator.
    plainHashing(root, keys);
    loadIndex(root, &ignored);

    QVector<double> plainTimes, loadTimes, flushTimes, writeTimes;
    for (int round = 0; round < rounds; ++round) {
        qint64 flush = 0;
        // Alternate the order, so neither side always runs on the warmer cache.
        if (round % 2) {
            plainTimes << plainHashing(root, keys) / 1e6;
            loadTimes << loadIndex(root, &flush) / 1e6;
        } else {
            loadTimes << loadIndex(root, &flush) / 1e6;
            plainTimes << plainHashing(root, keys) / 1e6;
        }
        flushTimes << flush / 1e6;
        writeTimes << plainWrite(root) / 1e6;
    }

    const double plain = median(plainTimes);
    const double load = median(loadTimes);
    const double flush = median(flushTimes);
    const double write = median(writeTimes);
    QTextStream out(stdout);
    out << fileCount << " cached files of " << fileSize / 1024 << " KiB, index of "
        << QFileInfo(root + QStringLiteral("/index")).size() / 1024 << " KiB, " << rounds
        << " rounds, medians\n";
    const auto row = [&out](const QString &step, double ms, double ratio) {
        out << QStringLiteral("%1 %2 %3\n").arg(step, -40).arg(ms, 8, 'f', 2).arg(ratio, 7, 'f', 2);
    };
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("step"), -40)
               .arg(QStringLiteral("ms"), 8)
               .arg(QStringLiteral("ratio"), 7);
    row(QStringLiteral("QFile + MD5 of every file"), plain, 1.0);
    row(QStringLiteral("index load (parse, re-hash, watch)"), load, load / plain);
    row(QStringLiteral("QSaveFile of the same index bytes"), write, 1.0);
    row(QStringLiteral("index write (flush)"), flush, flush / write);
    return 0;
}
