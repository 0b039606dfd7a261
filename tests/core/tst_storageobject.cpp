#include "mstorageobject.h"
#include "storageobjecttypes.h"
#include "testdata.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

static MStorageObject fromJson(const QByteArray &json)
{
    return MStorageObject(QJsonDocument::fromJson(json).toVariant().toMap());
}

template<typename T>
static QByteArray streamed(const T &value, int version = QDataStream::Qt_DefaultCompiledVersion)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(version);
    stream << value;
    return bytes;
}

class tst_StorageObject : public QObject
{
    Q_OBJECT
private slots:
    void jsonFields_data();
    void jsonFields();
    void jsonObjectsReadAsVariants_data();
    void jsonObjectsReadAsVariants();
    void hostileNames_data();
    void hostileNames();
    void localFiles();
    void writes();
    void equalityAndHash();
    void streamBytes();
    void streamReading();
};

void tst_StorageObject::jsonFields_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("no base_path") << QByteArray(R"({"label": "x"})") << "fullPath"
                                  << QVariant("/x");
    QTest::newRow("size as text") << QByteArray(R"({"size": "12"})") << "size" << QVariant(12LL);
    QTest::newRow("huge size") << QByteArray(R"({"size": 1e300})") << "size" << QVariant(0LL);
    QTest::newRow("unknown type") << QByteArray(R"({"type": "file"})") << "type" << QVariant(-1);
    QTest::newRow("metadata not an object")
        << QByteArray(R"({"metadata": [1]})") << "metadata" << QVariant(QVariantMap());
    QTest::newRow("MIME type from metadata only")
        << QByteArray(R"({"content_type": "a/b", "metadata": {"content_type": "text/plain"}})")
        << "MIMEType" << QVariant("text/plain");
    QTest::newRow("ISO date with offset")
        << QByteArray(R"({"metadata": {"last_modified": "2014-05-01T10:00:00+02:00"}})")
        << "lastModified" << QVariant(QDateTime(QDate(2014, 5, 1), QTime(8, 0), Qt::UTC));
    QTest::newRow("empty date") << QByteArray(R"({"metadata": {"last_modified": ""}})")
                                << "lastModified" << QVariant(QDateTime());
    QTest::newRow("consolidated implies cached")
        << QByteArray(R"({"consolidated": true, "cached": false})") << "cached" << QVariant(true);
    QTest::newRow("flag as text") << QByteArray(R"({"cached": "true"})") << "cached"
                                  << QVariant(false);
}

void tst_StorageObject::jsonFields()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);
    const MStorageObject object = fromJson(json);
    const QVariantMap fields = {{"fullPath", object.fullPath()},
                                {"size", object.size()},
                                {"type", object.type()},
                                {"metadata", object.metadata()},
                                {"MIMEType", object.MIMEType()},
                                {"cached", object.cached()},
                                {"lastModified", object.lastModified()}};
    QCOMPARE(fields.value(field), expected);
}

void tst_StorageObject::jsonObjectsReadAsVariants_data()
{
    QTest::addColumn<QByteArray>("json");
    const auto dated = [](const char *date) {
        return QByteArray(R"({"label": "a", "type": "regfile", "metadata": {"last_modified": ")") +
               date + R"("}})";
    };
    QTest::newRow("every field") << QByteArray(
        R"({"base_path": "/Docs", "label": "a.pdf", "size": 4096, "hash": "0123",
            "children_count": 3, "type": "directory", "version_id": "v1", "cached": true,
            "consolidated": false, "deleted": true, "provider": "x",
            "metadata": {"content_type": "application/pdf", "n": null, "list": [1, "b"],
                         "last_modified": "2014-05-01T10:00:00+02:00"}})");
    QTest::newRow("wrong shapes") << QByteArray(
        R"({"base_path": 7, "label": ["a"], "size": -5, "hash": 12, "children_count": "4",
            "type": "directory", "cached": 1, "consolidated": "true", "metadata": "m"})");
    QTest::newRow("sizes as doubles") << QByteArray(R"({"size": 1.5e3, "children_count": 1e300})");
    QTest::newRow("hostile name") << QByteArray(R"({"base_path": "/a/..", "label": "x"})");
    QTest::newRow("root") << QByteArray(R"({"base_path": "/", "label": "/", "type": "directory"})");
    QTest::newRow("empty") << QByteArray("{}");
    // The service's date forms are read without Qt's parser; they must read the same.
    for (const char *date :
         {"2014-05-01T10:00:00+02:00", "2014-05-01T10:00:00-09:30", "2014-05-01T10:00:00+00:00",
          "2014-05-01T10:00:00+14:00", "2014-05-01T10:00:00+15:00", "2014-05-01T10:00:00Z",
          "2014-05-01T10:00:00", "2014-05-01T10:00:00.250+02:00", "2014-05-01T24:00:00Z",
          "2014-02-30T10:00:00Z", "2014-05-01T1a:00:00Z", "2014-05-01 10:00:00Z", "2014-05-01",
          "x014-05-01T10:00:00Z"})
        QTest::newRow(date) << dated(date);
}

void tst_StorageObject::jsonObjectsReadAsVariants()
{
    QFETCH(QByteArray, json);
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    QVERIFY(!object.isEmpty() || json == "{}");
    if (QByteArray(QTest::currentDataTag()) == "hostile name")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("name leaves its directory"));
    const MStorageObject direct(object);
    if (QByteArray(QTest::currentDataTag()) == "hostile name")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("name leaves its directory"));
    const MStorageObject viaVariants(object.toVariantMap());
    QCOMPARE(direct.basePath(), viaVariants.basePath());
    QCOMPARE(direct.label(), viaVariants.label());
    QCOMPARE(direct.size(), viaVariants.size());
    QCOMPARE(direct.contentHash(), viaVariants.contentHash());
    QCOMPARE(direct.childrenCount(), viaVariants.childrenCount());
    QCOMPARE(direct.type(), viaVariants.type());
    QCOMPARE(direct.metadata(), viaVariants.metadata());
    QCOMPARE(direct.MIMEType(), viaVariants.MIMEType());
    QCOMPARE(direct.versionID(), viaVariants.versionID());
    QCOMPARE(direct.cached(), viaVariants.cached());
    QCOMPARE(direct.consolidated(), viaVariants.consolidated());
    QCOMPARE(direct.deleted(), viaVariants.deleted());
    QCOMPARE(streamed(direct), streamed(viaVariants));

    const QString date = object.value("metadata").toObject().value("last_modified").toString();
    const QDateTime expected = QDateTime::fromString(date, Qt::ISODate);
    QCOMPARE(direct.lastModified().isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(direct.lastModified(), expected);
        QCOMPARE(direct.lastModified().timeSpec(), expected.timeSpec());
        QCOMPARE(direct.lastModified().offsetFromUtc(), expected.offsetFromUtc());
    }
}

void tst_StorageObject::hostileNames_data()
{
    QTest::addColumn<QStringList>("basePathAndLabel");
    QTest::addColumn<bool>("valid");
    QTest::newRow("parent label") << QStringList{"/Docs", ".."} << false;
    QTest::newRow("label climbing") << QStringList{"/Docs", "../../etc"} << false;
    QTest::newRow("label with NUL") << QStringList{"/Docs", QString("a") + QChar(0)} << false;
    QTest::newRow("base path climbing") << QStringList{"/Docs/../..", "a"} << false;
    QTest::newRow("base path is parent") << QStringList{"..", "a"} << false;
    QTest::newRow("dots inside names") << QStringList{"/a..b", "..hidden"} << true;
    QTest::newRow("root folder") << QStringList{"/", "/"} << true;
    QTest::newRow("slash name below root") << QStringList{"/Docs", "/"} << false;
}

void tst_StorageObject::hostileNames()
{
    QFETCH(QStringList, basePathAndLabel);
    QFETCH(bool, valid);
    if (!valid)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("name leaves its directory"));
    const MStorageObject object(QVariantMap{{"base_path", basePathAndLabel.at(0)},
                                            {"label", basePathAndLabel.at(1)},
                                            {"type", "regfile"}});
    QCOMPARE(object.isValid(), valid);
}

void tst_StorageObject::localFiles()
{
    QTemporaryDir dir;
    const QString objects = dir.path() + "/objects";
    for (const char *path : {"/objects/Docs/.hidden", "/objects/b", "/objectsX/c"}) {
        QVERIFY(QDir().mkpath(QFileInfo(dir.path() + path).path()));
        QVERIFY(QFile(dir.path() + path).open(QIODevice::WriteOnly));
    }
    QFile text(objects + "/Docs/a.txt");
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("hello") == 5);
    text.close();

    const MStorageObject file(QFileInfo(text.fileName()), objects + "/", QString());
    QCOMPARE(file.fullPath(), QString("/Docs/a.txt"));
    QCOMPARE(file.contentHash(), TestData::md5Hex("hello"));
    QVERIFY(file.consolidated() && file.lastModified().isValid() && file.size() == 5);
    QCOMPARE(MStorageObject(QFileInfo(objects + "/b"), objects, "h").basePath(), QString("/"));
    // A sibling whose name merely starts like the base is not below it.
    QCOMPARE(MStorageObject(QFileInfo(dir.path() + "/objectsX/c"), objects, "h").basePath(),
             dir.path() + "/objectsX");

    // A directory counts its own entries, hidden ones included.
    const MStorageObject folder(QFileInfo(objects + "/Docs"), objects, QString());
    QVERIFY(folder.type() == MStorageObject::Directory && folder.childrenCount() == 2);
    QVERIFY(folder.contentHash().isEmpty() && !folder.cached());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot open file at path: \".*/gone\""));
    const MStorageObject gone(QFileInfo(objects + "/gone"), objects, QString());
    QVERIFY(gone.contentHash().isEmpty() && gone.consolidated() && gone.isValid());
}

void tst_StorageObject::writes()
{
    MStorageObject original("/Docs", "a.txt");
    original.setVersionID("v1");
    original.setChildrenCount(4);
    MStorageObject copy = original;
    copy.setConsolidated(true);
    copy.setConsolidated(false);
    // The writer's new record keeps every field; the other copy sees none of the writes.
    QVERIFY(copy.cached() && copy.versionID() == "v1" && copy.childrenCount() == 4);
    QVERIFY(!original.cached());
}

void tst_StorageObject::equalityAndHash()
{
    MStorageObject base("/Docs", "a.txt");
    base.setType(MStorageObject::RegularFile);
    base.setContentHash("0cc175b9c0f1b6a831c399e269772661");
    MStorageObject same = base;
    same.setBasePath("/Docs/");
    same.setSize(9);
    same.setCached(true);
    QVERIFY(same == base);
    QCOMPARE(qHash(same), qHash(base));

    const auto differs = [&](auto change) {
        MStorageObject other = base;
        change(other);
        return other != base && !QList<MStorageObject>{base}.contains(other);
    };
    QVERIFY(differs([](MStorageObject &o) { o.setLabel("A.txt"); }));
    QVERIFY(differs([](MStorageObject &o) { o.setType(MStorageObject::Directory); }));
    QVERIFY(differs([](MStorageObject &o) { o.setContentHash("x"); }));
}

void tst_StorageObject::streamBytes()
{
    MStorageObject filled("/D", "a");
    filled.setSize(5);
    filled.setType(MStorageObject::RegularFile);
    filled.setLastModified(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 6), Qt::UTC));
    filled.setMetadata({{"k", 1}});
    filled.setChildrenCount(3);
    filled.setConsolidated(true);
    filled.setVersionID("not stored");
    filled.setProvider("p");
    const QList<QPair<MStorageObject, QByteArray>> cases = {
        {MStorageObject(), "ffffffff ffffffff 0000000000000000 ffffffff ffffffff 00000000 "
                           "ffffffff 8000000000000000 ffffffff 00 0000000000000000 000000 "
                           "ffffffff"},
        {filled, "00000004002f0044 000000020061 0000000000000005 ffffffff 00000000 "
                 "00000001 00000002006b 00000002 00 00000001 ffffffff 00000000002584e3 00a8888e "
                 "01 0000000000000003 010100 000000020070"}};
    // The stored form is Qt_5_3's whatever the stream's version.
    for (const auto &[object, hex] : cases) {
        for (int version : {int(QDataStream::Qt_4_0), int(QDataStream::Qt_DefaultCompiledVersion)})
            QCOMPARE(streamed(object, version).toHex(), QByteArray(hex).replace(' ', ""));
    }
}

void tst_StorageObject::streamReading()
{
    MStorageObject written = fromJson(R"({"base_path": "/D", "label": "a", "type": "regfile",
        "hash": "h", "version_id": "v1", "metadata": {"content_type": "text/plain", "n": null}})");
    written.setConsolidated(true);
    written.setCached(false);
    const QByteArray bytes = streamed(written);

    MStorageObject fresh;
    QDataStream in(bytes);
    in >> fresh;
    QVERIFY(fresh == written && fresh.metadata() == written.metadata() && fresh.cached());
    QVERIFY(fresh.versionID().isEmpty());

    // A cut stream leaves the object as it was, version ID included.
    MStorageObject existing("/X", "y");
    existing.setVersionID("kept");
    QDataStream cut(bytes.left(10));
    cut >> existing;
    QCOMPARE(cut.status(), QDataStream::ReadPastEnd);
    QVERIFY(existing.fullPath() == "/X/y" && existing.versionID() == "kept");

    // Variants are stored through the same form once the types are registered.
    registerStorageObjectTypes();
    QCOMPARE(QMetaType::type("MStorageObjectList"), qMetaTypeId<MStorageObjectList>());
    QCOMPARE(QMetaType::type("MStorageObjectPair"), qMetaTypeId<MStorageObjectPair>());
    QDataStream variant(streamed(QVariant::fromValue(written)));
    QVariant read;
    variant >> read;
    QCOMPARE(read.value<MStorageObject>().metadata(), written.metadata());
}

QTEST_GUILESS_MAIN(tst_StorageObject)
#include "tst_storageobject.moc"
