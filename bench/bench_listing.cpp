// Decoding a 10,000-object listing reply into storage objects, as the objects manager does
// (JSON text, then variant maps, then objects), against parsing the same bytes alone.

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

constexpr int objectCount = 10000;
constexpr int rounds = 11;

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

qint64 decodeObjects(const QByteArray &reply)
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
    const QByteArray reply = listingReply();
    // One unmeasured pass each warms the allocator and caches.
    parseOnly(reply);
    decodeObjects(reply);

    QVector<double> parseTimes, decodeTimes;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order, so neither side always runs on the warmer cache.
        if (round % 2) {
            parseTimes << parseOnly(reply) / 1e6;
            decodeTimes << decodeObjects(reply) / 1e6;
        } else {
            decodeTimes << decodeObjects(reply) / 1e6;
            parseTimes << parseOnly(reply) / 1e6;
        }
    }

    const double parse = median(parseTimes);
    const double decode = median(decodeTimes);
    QTextStream out(stdout);
    out << objectCount << "-object listing, " << reply.size() / 1024 << " KiB, " << rounds
        << " rounds, medians\n";
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("step"), -34)
               .arg(QStringLiteral("ms"), 8)
               .arg(QStringLiteral("ratio"), 7);
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("QJsonDocument::fromJson"), -34)
               .arg(parse, 8, 'f', 2)
               .arg(1.0, 7, 'f', 2);
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("fromJson + toVariant + objects"), -34)
               .arg(decode, 8, 'f', 2)
               .arg(decode / parse, 7, 'f', 2);
    return 0;
}
