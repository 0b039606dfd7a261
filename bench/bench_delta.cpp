// Applying a delta reply of 1,000, 10,000 and 30,000 entries through the objects manager
// (listing cache, signals and the cursor saved to config.db after every entry, a slice per
// turn of the event loop from the turn after the reply arrived), against
// turning the same entries into storage objects, which grows linearly by construction: a
// ratio that stays put as the reply grows is a linear apply. Also times the same entries put
// into a listing cache without the manager, counts the rows the reply wrote to config.db and
// times those writes alone. Sizes may be given on the command line.

#include "benchsize.h"
#include "benchstatistics.h"
#include "mconfigdatabase.h"
#include "mobjectslistcache.h"
#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"
#include "mstorageobject.h"
#include "tempguard.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>

namespace {

int entryCount = 1000;
int listedFiles = 2000;
const QString folder = QStringLiteral("/Bench");

QString hashOf(int i, int version)
{
    return QString::number(0x10000000u + uint(i * 16 + version), 16).repeated(4);
}

QJsonObject file(const QString &label, int i, int version)
{
    return {{"base_path", folder},
            {"label", label},
            {"size", 1024 + i},
            {"hash", hashOf(i, version)},
            {"type", "regfile"},
            {"metadata", QJsonObject{{"content_type", "text/plain"},
                                     {"last_modified", "2014-05-01T10:00:00+02:00"}}},
            {"version_id", QString("v%1").arg(i)}};
}

QString listedName(int i)
{
    return QStringLiteral("file %1.txt").arg(i);
}

// What the service lists in the folder before the changes.
MStorageObjectList listing()
{
    MStorageObjectList objects;
    for (int i = 0; i < listedFiles; ++i)
        objects.append(MStorageObject(file(listedName(i), i, 0).toVariantMap()));
    return objects;
}

// 40 % new files, 30 % content updates, 20 % renames, 10 % deletes, all in one listed folder,
// as the JSON manager hands the reply over.
QVariantMap deltaReply()
{
    QJsonArray updates;
    for (int i = 0; i < entryCount; ++i) {
        const QString token = QStringLiteral("bench-%1").arg(i + 1);
        const QString path = folder + '/' + listedName(i);
        QJsonObject entry{{"device_id", 0}, {"path", path}, {"token", token}};
        switch (i % 10) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const QString label = QStringLiteral("new %1.txt").arg(i);
            entry.insert("path", folder + '/' + label);
            entry.insert("type", "add");
            entry.insert("object", file(label, i, 1));
            break;
        }
        case 4:
        case 5:
        case 6:
            entry.insert("type", "update");
            entry.insert("attributes",
                         QJsonObject{{"hash", QJsonArray{hashOf(i, 0), hashOf(i, 1)}}});
            entry.insert("final_object", file(listedName(i), i, 1));
            break;
        case 7:
        case 8: {
            const QString label = QStringLiteral("renamed %1.txt").arg(i);
            entry.insert("type", "update");
            entry.insert("attributes", QJsonObject{{"path", QJsonArray{path, folder + '/' + label}},
                                                   {"label", QJsonArray{listedName(i), label}}});
            entry.insert("final_object", file(label, i, 0));
            break;
        }
        default:
            entry.insert("type", "delete");
            entry.insert("object", file(listedName(i), i, 0));
            break;
        }
        updates.append(entry);
    }
    return QJsonDocument(QJsonObject{{"updates", updates}}).toVariant().toMap();
}

qint64 configChanges()
{
    QSqlQuery query(mConfigDatabase());
    if (!query.exec(QStringLiteral("SELECT total_changes()")) || !query.next())
        qFatal("cannot count config.db changes");
    return query.value(0).toLongLong();
}

struct Run
{
    qint64 nanoseconds = 0;
    qint64 writes = 0;
    int signalled = 0;
};

Run throughManager(const QVariantMap &reply, const MStorageObjectList &listed)
{
    MObjectsManager manager;
    MObjectsManagerPrivate *d = MObjectsManagerPrivate::get(&manager);
    d->listingsCache.store(listed);
    Run run;
    const auto count = [&run](const auto &objects) {
        run.signalled += objects.size();
    };
    QObject::connect(&manager, &MObjectsManager::objectsAdded, count);
    QObject::connect(&manager, &MObjectsManager::objectsDeleted, count);
    QObject::connect(&manager, &MObjectsManager::objectsModified, count);
    const qint64 before = configChanges();
    QElapsedTimer timer;
    timer.start();
    d->applyDelta(reply);
    // A reply of more than a hundred entries goes on in later turns, a slice each.
    while (d->pendingDelta)
        QCoreApplication::processEvents();
    run.nanoseconds = timer.nsecsElapsed();
    run.writes = configChanges() - before;
    if (run.signalled != entryCount || d->deltaCursor != QStringLiteral("bench-%1").arg(entryCount))
        qFatal("the manager did not apply the reply");
    return run;
}

// Each entry's object built and put into (or taken out of) a listing cache.
Run cacheOnly(const QVariantMap &reply, const MStorageObjectList &listed)
{
    MObjectsListCache cache;
    cache.store(listed);
    Run run;
    QElapsedTimer timer;
    timer.start();
    const QVariantList updates = reply.value(QStringLiteral("updates")).toList();
    for (const QVariant &item : updates) {
        const QVariantMap entry = item.toMap();
        const QString type = entry.value(QStringLiteral("type")).toString();
        const QString path = entry.value(QStringLiteral("path")).toString();
        if (type == QLatin1String("add")) {
            cache.updateObject(MStorageObject(entry.value(QStringLiteral("object")).toMap()),
                               false);
        } else if (type == QLatin1String("delete")) {
            cache.takeObject(path);
        } else {
            cache.takeObject(path);
            cache.updateObject(MStorageObject(entry.value(QStringLiteral("final_object")).toMap()),
                               false);
        }
        ++run.signalled;
    }
    run.nanoseconds = timer.nsecsElapsed();
    return run;
}

// The reference: each entry's object built, nothing more.
Run objectsOnly(const QVariantMap &reply)
{
    Run run;
    QElapsedTimer timer;
    timer.start();
    MStorageObjectList objects;
    const QVariantList updates = reply.value(QStringLiteral("updates")).toList();
    for (const QVariant &item : updates) {
        const QVariantMap entry = item.toMap();
        const QString type = entry.value(QStringLiteral("type")).toString();
        objects.append(MStorageObject(entry
                                          .value(type == QLatin1String("update")
                                                     ? QStringLiteral("final_object")
                                                     : QStringLiteral("object"))
                                          .toMap()));
        ++run.signalled;
    }
    run.nanoseconds = timer.nsecsElapsed();
    if (objects.size() != entryCount)
        qFatal("the objects were not built");
    return run;
}

// The cursor saves alone, as the manager makes them.
Run cursorSaves()
{
    Run run;
    const qint64 before = configChanges();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < entryCount; ++i)
        MWriteValueToDB(QStringLiteral("lhid"), QStringLiteral("bench-%1").arg(i + 1));
    run.nanoseconds = timer.nsecsElapsed();
    run.writes = configChanges() - before;
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_delta");
    QCoreApplication app(argc, argv);
    // No service is needed: the reply is applied as if it had just arrived.
    TestCore::initCore(QUrl(QStringLiteral("http://127.0.0.1:9")), TestCore::supportPath());
    QVector<int> sizes;
    for (const QString &argument : app.arguments().mid(1))
        sizes.append(argument.toInt());
    if (sizes.isEmpty())
        sizes = benchSize<QVector<int>>({1000, 10000, 30000}, {100, 1000});

    QTextStream out(stdout);
    out << "delta replies into one listed folder of twice as many files, medians; config.db at "
        << TestCore::supportPath() << "\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("entries"), 7)
               .arg(QStringLiteral("step"), -44)
               .arg(QStringLiteral("ms"), 10)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("db rows"), 8);
    for (const int size : qAsConst(sizes)) {
        entryCount = size;
        listedFiles = 2 * size;
        const int rounds = benchSize(size <= 1000 ? 7 : 3, 1);
        const QVariantMap reply = deltaReply();
        const MStorageObjectList listed = listing();
        objectsOnly(reply);

        QVector<double> referenceTimes, managerTimes, cacheTimes, saveTimes;
        qint64 writes = 0;
        qint64 saveWrites = 0;
        for (int round = 0; round < rounds; ++round) {
            referenceTimes << objectsOnly(reply).nanoseconds / 1e6;
            cacheTimes << cacheOnly(reply, listed).nanoseconds / 1e6;
            const Run applied = throughManager(reply, listed);
            const Run saved = cursorSaves();
            managerTimes << applied.nanoseconds / 1e6;
            saveTimes << saved.nanoseconds / 1e6;
            writes = applied.writes;
            saveWrites = saved.writes;
        }

        const double reference = median(referenceTimes);
        const auto row = [&](const QString &name, double ms, qint64 rows) {
            out << QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(size, 7)
                       .arg(name, -44)
                       .arg(ms, 10, 'f', 2)
                       .arg(ms / reference, 7, 'f', 2)
                       .arg(rows, 8);
        };
        row(QStringLiteral("storage objects built (reference)"), reference, 0);
        row(QStringLiteral("objects into a listing cache"), median(cacheTimes), 0);
        row(QStringLiteral("MObjectsManager applies the reply"), median(managerTimes), writes);
        row(QStringLiteral("cursor saves alone, a commit each"), median(saveTimes), saveWrites);
        out.flush();
    }
    return 0;
}
