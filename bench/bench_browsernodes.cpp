// Building the icon view's nodes and item model for a 100,000-object folder listed by
// kerlo-local, against building the storage objects of the same listing alone; then
// re-sorting the model (with a selection to keep) and reading every row's name and icon as
// a view laying the folder out does. Prints medians and ratios.

#include "benchsize.h"
#include "benchstatistics.h"
#include "kerlolocal.h"
#include "mciconitemmodel.h"
#include "mcobjectnode.h"
#include "mostorageobject.h"
#include "tempguard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTextStream>

#include <httplib.h>

#include <cstdio>

namespace {

const int objectCount = benchSize(100000, 2000);
const int rounds = benchSize(5, 1);
const char userAgent[] = "os: Debian GNU/Linux 12; name: bench; uuid: "
                         "00112233445566778899aabbccddeeff;";

// The storage objects of a listing's JSON, as the model layer hands them to the interface.
QList<MOStorageObject> storageObjects(const QJsonArray &objects)
{
    QList<MOStorageObject> result;
    result.reserve(objects.size());
    for (const QJsonValue &value : objects) {
        const QJsonObject json = value.toObject();
        MOStorageObject object;
        object.setBasePath(json.value("base_path").toString());
        object.setLabel(json.value("label").toString());
        object.setSize(json.value("size").toVariant().toLongLong());
        object.setContentHash(json.value("hash").toString());
        object.setType(json.value("type").toString() == "directory" ? MOStorageObject::Directory
                                                                    : MOStorageObject::RegularFile);
        const QJsonObject metadata = json.value("metadata").toObject();
        object.setMIMEType(metadata.value("content_type").toString());
        object.setLastModified(
            QDateTime::fromString(metadata.value("last_modified").toString(), Qt::ISODate));
        result.append(object);
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_browsernodes");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    KerloLocal server;
    if (!server.start()) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return 1;
    }
    const QString email = QStringLiteral("big@example.org");
    server.createUser(email, QStringLiteral("pw"));
    QByteArray seeded;
    if (server.control(
            "POST", QStringLiteral("/objects/seed"),
            {{"email", email}, {"folder", "/Big"}, {"count", objectCount}, {"files", true}},
            &seeded) != 200) {
        std::fprintf(stderr, "seeding failed: %s\n", seeded.constData());
        return 1;
    }
    const KerloLocal::Tokens tokens = server.signInOverHttp(email, QStringLiteral("pw"), userAgent,
                                                            QStringLiteral("0").repeated(64));
    httplib::Client kerlo("127.0.0.1", server.port());
    kerlo.set_read_timeout(120, 0);
    const httplib::Headers auth{{"Authorization", "Bearer " + tokens.accessToken.toStdString()},
                                {"M-Auth-Token", tokens.apiKey.toStdString()},
                                {"User-Agent", userAgent}};
    const httplib::Result listed = kerlo.Get("/api/v1/objects/list/Big", auth);
    if (!listed || listed->status != 200) {
        std::fprintf(stderr, "listing failed\n");
        return 1;
    }
    QJsonArray objects = QJsonDocument::fromJson(QByteArray::fromStdString(listed->body))
                             .object()
                             .value("objects")
                             .toArray();
    if (objects.size() != objectCount) {
        std::fprintf(stderr, "listed %d objects\n", int(objects.size()));
        return 1;
    }
    // The service lists in name order; the views get whatever order comes, so shuffle.
    QVector<QJsonValue> shuffled(objects.begin(), objects.end());
    std::shuffle(shuffled.begin(), shuffled.end(), *QRandomGenerator::global());
    objects = QJsonArray();
    for (const QJsonValue &value : qAsConst(shuffled))
        objects.append(value);

    QVector<double> reference, building, firstSorting, sorting, reading, buildRatios, sortRatios,
        readRatios;
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg("round", -6)
               .arg("objects ms", 11)
               .arg("nodes+model ms", 15)
               .arg("1st sort ms", 12)
               .arg("re-sort ms", 11)
               .arg("read ms", 8);
    for (int round = 1; round <= rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const QList<MOStorageObject> list = storageObjects(objects);
        const double objectsMs = timer.nsecsElapsed() / 1e6;

        timer.restart();
        MOStorageObject big;
        big.setBasePath("/");
        big.setLabel("Big");
        big.setType(MOStorageObject::Directory);
        const MCNodePtr folder = MCObjectNode::create(big);
        MCIconItemModel model;
        model.setRootNode(folder);
        folder->setChildren(MCNodesFromStorageObjects(list, folder));
        folder->notifyChildrenReady();
        const double buildMs = timer.nsecsElapsed() / 1e6;
        if (model.rowCount() != objectCount)
            qFatal("model has %d rows", model.rowCount());

        // A selection the new order must keep, then by name up and down.
        const QPersistentModelIndex selected = model.index(objectCount / 2);
        const QString selectedName = selected.data().toString();
        timer.restart();
        model.setSortType(10);
        const double firstSortMs = timer.nsecsElapsed() / 1e6;
        timer.restart();
        model.setSortType(11);
        const double sortMs = timer.nsecsElapsed() / 1e6;
        if (selected.data().toString() != selectedName ||
            model.index(0).data().toString() < model.index(1).data().toString())
            qFatal("sorting lost its order or the selection");

        timer.restart();
        qint64 characters = 0;
        for (int row = 0; row < objectCount; ++row) {
            const QModelIndex index = model.index(row);
            characters += index.data().toString().size();
            characters += index.data(Qt::DecorationRole).isValid() ? 1 : 0;
        }
        const double readMs = timer.nsecsElapsed() / 1e6;
        if (!characters)
            qFatal("nothing read");

        reference.append(objectsMs);
        building.append(buildMs);
        sorting.append(sortMs);
        firstSorting.append(firstSortMs);
        reading.append(readMs);
        buildRatios.append(buildMs / objectsMs);
        sortRatios.append(sortMs / objectsMs);
        readRatios.append(readMs / objectsMs);
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(round, -6)
                   .arg(objectsMs, 11, 'f', 1)
                   .arg(buildMs, 15, 'f', 1)
                   .arg(firstSortMs, 12, 'f', 1)
                   .arg(sortMs, 11, 'f', 1)
                   .arg(readMs, 8, 'f', 1);
        out.flush();
    }
    out << QStringLiteral("\nmedian: storage objects %1 ms; nodes and model %2 ms (ratio %3); "
                          "first sort by name %8 ms, a re-sort %4 ms (ratio %5); reading every row "
                          "%6 ms (ratio "
                          "%7)\n")
               .arg(median(reference), 0, 'f', 1)
               .arg(median(building), 0, 'f', 1)
               .arg(median(buildRatios), 0, 'f', 2)
               .arg(median(sorting), 0, 'f', 1)
               .arg(median(sortRatios), 0, 'f', 2)
               .arg(median(reading), 0, 'f', 1)
               .arg(median(readRatios), 0, 'f', 2)
               .arg(median(firstSorting), 0, 'f', 1);
    return 0;
}
