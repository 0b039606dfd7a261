// Decoding a listing reply of 10,000 and 100,000 objects into storage objects, straight from
// the parsed JSON and through variant maps (JSON text, then variant maps, then objects),
// against parsing the same bytes alone. Sizes may be given on the command line.

#include "benchsize.h"
#include "benchstatistics.h"
#include "mstorageobject.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

namespace {

int objectCount = 10000;

// A reply of GET /objects/list/Docs: files and some folders with the service's fields.
QByteArray listingReply()
{
    QJsonArray objects;
    for (int i = 0; i < objectCount; ++i) {
        const bool folder = i % 10 == 0;
        const QString hash =
            folder ? QString() : QString::number(0x10000000u + uint(i), 16).repeated(4);
        objects.append(QJsonObject{
            {"base_path", "/Docs"},
            {"label", folder ? QString("Folder %1").arg(i) : QString("Report %1.pdf").arg(i)},
            {"size", folder ? 0 : 1024 * (i % 5000)},
            {"hash", hash},
            {"children_count", folder ? i % 40 : 0},
            {"type", folder ? "directory" : "regfile"},
            {"metadata",
             QJsonObject{{"content_type", folder ? "inode/directory" : "application/pdf"},
                         {"last_modified", "2014-05-01T10:00:00+02:00"}}},
            {"version_id", QString("v%1").arg(i)},
            {"cached", false},
            {"deleted", false}});
    }
    return QJsonDocument(
               QJsonObject{{"objects", objects}, {"cursor", "c-0001"}, {"base_path", "/Docs"}})
        .toJson(QJsonDocument::Compact);
}

qint64 parseOnly(const QByteArray &reply)
{
    QElapsedTimer timer;
    timer.start();
    const QJsonDocument document = QJsonDocument::fromJson(reply);
    const qint64 elapsed = timer.nsecsElapsed();
    if (document.object().value("objects").toArray().size() != objectCount)
        qFatal("parse failed");
    return elapsed;
}

qint64 decodeFromJson(const QByteArray &reply)
{
    QElapsedTimer timer;
    timer.start();
    const QJsonArray items =
        QJsonDocument::fromJson(reply).object().value(QStringLiteral("objects")).toArray();
    MStorageObjectList objects;
    objects.reserve(items.size());
    for (const QJsonValue &item : items)
        objects.append(MStorageObject(item.toObject()));
    const qint64 elapsed = timer.nsecsElapsed();
    if (objects.size() != objectCount || !objects.last().isValid())
        qFatal("decode failed");
    return elapsed;
}

qint64 decodeThroughVariants(const QByteArray &reply)
{
    QElapsedTimer timer;
    timer.start();
    const QVariantMap map = QJsonDocument::fromJson(reply).toVariant().toMap();
    const QVariantList items = map.value(QStringLiteral("objects")).toList();
    MStorageObjectList objects;
    objects.reserve(items.size());
    for (const QVariant &item : items)
        objects.append(MStorageObject(item.toMap()));
    const qint64 elapsed = timer.nsecsElapsed();
    if (objects.size() != objectCount || !objects.last().isValid())
        qFatal("decode failed");
    return elapsed;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QVector<int> sizes;
    for (const QString &argument : app.arguments().mid(1))
        sizes.append(argument.toInt());
    if (sizes.isEmpty())
        sizes = benchSize<QVector<int>>({10000, 100000}, {1000});

    QTextStream out(stdout);
    out << "listing replies, medians\n";
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("objects"), 7)
               .arg(QStringLiteral("step"), -38)
               .arg(QStringLiteral("ms"), 9)
               .arg(QStringLiteral("ratio"), 7);
    for (const int size : qAsConst(sizes)) {
        objectCount = size;
        const int rounds = benchSize(size <= 10000 ? 11 : 5, 1);
        const QByteArray reply = listingReply();
        // One unmeasured pass each warms the allocator and caches.
        parseOnly(reply);
        decodeFromJson(reply);
        decodeThroughVariants(reply);

        QVector<double> parseTimes, jsonTimes, variantTimes;
        for (int round = 0; round < rounds; ++round) {
            // Rotate the order, so no side always runs on the warmest cache.
            switch (round % 3) {
            case 0:
                parseTimes << parseOnly(reply) / 1e6;
                jsonTimes << decodeFromJson(reply) / 1e6;
                variantTimes << decodeThroughVariants(reply) / 1e6;
                break;
            case 1:
                jsonTimes << decodeFromJson(reply) / 1e6;
                variantTimes << decodeThroughVariants(reply) / 1e6;
                parseTimes << parseOnly(reply) / 1e6;
                break;
            default:
                variantTimes << decodeThroughVariants(reply) / 1e6;
                parseTimes << parseOnly(reply) / 1e6;
                jsonTimes << decodeFromJson(reply) / 1e6;
                break;
            }
        }

        const double parse = median(parseTimes);
        const auto row = [&](const QString &step, double ms) {
            out << QStringLiteral("%1 %2 %3 %4\n")
                       .arg(size, 7)
                       .arg(step, -38)
                       .arg(ms, 9, 'f', 2)
                       .arg(ms / parse, 7, 'f', 2);
        };
        out << "(" << reply.size() / 1024 << " KiB, " << rounds << " rounds)\n";
        row(QStringLiteral("QJsonDocument::fromJson (reference)"), parse);
        row(QStringLiteral("fromJson + objects from the JSON"), median(jsonTimes));
        row(QStringLiteral("fromJson + toVariant + objects"), median(variantTimes));
        out.flush();
    }
    return 0;
}
