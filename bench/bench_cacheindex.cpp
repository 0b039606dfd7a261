// Loading the local cache's index of 1,000 to 100,000 cached files (read, check, re-hash every
// file and watch it), against reading and MD5-ing the same files with plain QFile and
// QCryptographicHash: a ratio that stays put as the cache grows is a linear load. Writing the
// index back is measured against writing the same bytes. Indexing a folder of 200 new files,
// all at once and one at a time, is measured against MD5-ing them and writing the index once.
// Sizes may be given on the command line.

#include "benchsize.h"
#include "benchstatistics.h"
#include "mobjectsvirtualfilesystem.h"
#include "tempguard.h"

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

int fileCount = 10000;
constexpr int fileSize = 4096;
const int newFileCount = benchSize(200, 50);

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

// Keys of a folder of new files, not in the index.
QStringList makeNewFiles(const QString &root)
{
    QStringList keys;
    const QByteArray content(fileSize, 'n');
    for (int i = 0; i < newFileCount; ++i) {
        const QString key = QStringLiteral("New folder/Scan %1.txt").arg(i);
        const QString path = root + QStringLiteral("/objects/") + key;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content + key.toUtf8()) <= fileSize)
            qFatal("cannot write a new file");
        keys.append(key);
    }
    return keys;
}

qint64 addNewFiles(const QString &root, const QStringList &keys, bool together)
{
    MObjectsVirtualFileSystem cache;
    cache.setFileSystemPath(root);
    cache.reload();
    QStringList paths;
    for (const QString &key : keys)
        paths.append(root + QStringLiteral("/objects/") + key);
    QElapsedTimer timer;
    timer.start();
    int added = 0;
    if (together) {
        added = cache.addObjects(paths, false).size();
    } else {
        for (const QString &path : paths)
            added += cache.addObject(path, false);
    }
    // The write held back after adds one at a time is part of their work.
    if (!together)
        cache.flush();
    const qint64 elapsed = timer.nsecsElapsed();
    if (added != keys.size())
        qFatal("adding the new files failed");
    // Back to the cached files alone for the next round.
    for (const QString &key : keys)
        cache.removeObject(key, true, false);
    return elapsed;
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_cacheindex");
    QCoreApplication app(argc, argv);
    QVector<int> sizes;
    for (const QString &argument : app.arguments().mid(1))
        sizes.append(argument.toInt());
    if (sizes.isEmpty())
        sizes = benchSize<QVector<int>>({1000, 10000, 30000, 100000}, {200, 1000});

    QTextStream out(stdout);
    out << "cached files of " << fileSize / 1024 << " KiB, medians\n";
    const auto row = [&out](int files, const QString &step, double ms, double ratio) {
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(files, 7)
                   .arg(step, -40)
                   .arg(ms, 9, 'f', 2)
                   .arg(ratio, 7, 'f', 2);
    };
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("files"), 7)
               .arg(QStringLiteral("step"), -40)
               .arg(QStringLiteral("ms"), 9)
               .arg(QStringLiteral("ratio"), 7);
    for (const int size : qAsConst(sizes)) {
        fileCount = size;
        const int rounds = benchSize(size <= 10000 ? 5 : 3, 1);
        QTemporaryDir folder;
        const QString root = folder.filePath(QStringLiteral("cache"));
        const QStringList keys = makeCache(root);
        const QStringList newKeys = makeNewFiles(root);
        qint64 ignored = 0;
        // One unmeasured pass each warms the page cache and the allocator.
        plainHashing(root, keys);
        loadIndex(root, &ignored);

        QVector<double> plainTimes, loadTimes, flushTimes, writeTimes;
        QVector<double> newPlainTimes, togetherTimes, singleTimes;
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
            const qint64 write = plainWrite(root);
            writeTimes << write / 1e6;
            newPlainTimes << (plainHashing(root, newKeys) + write) / 1e6;
            togetherTimes << addNewFiles(root, newKeys, true) / 1e6;
            singleTimes << addNewFiles(root, newKeys, false) / 1e6;
        }

        const double plain = median(plainTimes);
        const double load = median(loadTimes);
        const double flush = median(flushTimes);
        const double write = median(writeTimes);
        const double newPlain = median(newPlainTimes);
        const double together = median(togetherTimes);
        const double single = median(singleTimes);
        out << "(index of " << QFileInfo(root + QStringLiteral("/index")).size() / 1024 << " KiB, "
            << rounds << " rounds)\n";
        row(size, QStringLiteral("QFile + MD5 of every file"), plain, 1.0);
        row(size, QStringLiteral("index load (parse, re-hash, watch)"), load, load / plain);
        row(size, QStringLiteral("QSaveFile of the same index bytes"), write, 1.0);
        row(size, QStringLiteral("index write (flush)"), flush, flush / write);
        row(size, QStringLiteral("MD5 of %1 new files + one write").arg(newFileCount), newPlain,
            1.0);
        row(size, QStringLiteral("addObjects of them (one write)"), together, together / newPlain);
        row(size, QStringLiteral("addObject of each"), single, single / newPlain);
        out.flush();
    }
    return 0;
}
