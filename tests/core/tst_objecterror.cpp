#include "mobjecterror.h"

#include <QDataStream>
#include <QDateTime>
#include <QtTest>

#include <functional>

class tst_ObjectError : public QObject
{
    Q_OBJECT
private slots:
    void streamOrder();
    void roundTrip_data();
    void roundTrip();
    void truncatedStreamGivesEmptyError();
    void listTravelsInVariant();
    void factories_data();
    void factories();
    void debugFormat();
};

static void compareErrors(const MObjectError &actual, const MObjectError &expected)
{
    QCOMPARE(actual.code(), expected.code());
    QCOMPARE(actual.path(), expected.path());
    QCOMPARE(actual.message(), expected.message());
    QCOMPARE(actual.requestType(), expected.requestType());
    QCOMPARE(actual.arguments(), expected.arguments());
}

// Stored blobs and other readers depend on the field order, which differs from the
// constructor's.
void tst_ObjectError::streamOrder()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << MObjectError(805, "not found", "/a/b", "upload", {42});

    QDataStream in(bytes);
    qint32 code;
    QString path, message, requestType;
    QList<QVariant> arguments;
    in >> code >> path >> message >> requestType >> arguments;
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(in.atEnd());
    QCOMPARE(code, 805);
    QCOMPARE(path, QString("/a/b"));
    QCOMPARE(message, QString("not found"));
    QCOMPARE(requestType, QString("upload"));
    QCOMPARE(arguments, QList<QVariant>{42});
}

void tst_ObjectError::roundTrip_data()
{
    QTest::addColumn<MObjectError>("error");
    QTest::newRow("default") << MObjectError();
    const QList<QVariant> arguments{7, QString("two"), QDateTime::fromSecsSinceEpoch(1700000000),
                                    QVariantList{1, "nested"}};
    QTest::newRow("arguments") << MObjectError(43, "Unable to download file x", "/x", "download",
                                               arguments);
}

void tst_ObjectError::roundTrip()
{
    QFETCH(MObjectError, error);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_3);
    out << error;

    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_3);
    MObjectError read(1, "stale", "stale", "stale", {1});
    in >> read;
    QCOMPARE(in.status(), QDataStream::Ok);
    compareErrors(read, error);
}

void tst_ObjectError::truncatedStreamGivesEmptyError()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << MObjectError(104, "message", "/path", "upload", {1, 2});
    bytes.chop(6);

    QDataStream in(bytes);
    MObjectError read = MObjectError::ioError("/old", "download");
    in >> read;
    QCOMPARE(in.status(), QDataStream::ReadPastEnd);
    compareErrors(read, MObjectError());
}

void tst_ObjectError::listTravelsInVariant()
{
    const MObjectErrorList list{MObjectError::transferError("/a", "upload"),
                                MObjectError(801, "exists", "/b", "rename", {"/c"})};
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << QVariant::fromValue(list);

    QDataStream in(bytes);
    QVariant variant;
    in >> variant;
    QCOMPARE(in.status(), QDataStream::Ok);
    QCOMPARE(variant.userType(), qMetaTypeId<MObjectErrorList>());
    const MObjectErrorList read = variant.value<MObjectErrorList>();
    QCOMPARE(read.size(), 2);
    compareErrors(read.at(0), list.at(0));
    compareErrors(read.at(1), list.at(1));
}

using Factory = std::function<MObjectError(const QString &, const QString &)>;
Q_DECLARE_METATYPE(Factory)

void tst_ObjectError::factories_data()
{
    QTest::addColumn<Factory>("factory");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString path = "/home/u/it's %1 here.txt";
    QTest::newRow("io") << Factory(&MObjectError::ioError) << 104
                        << "I/O error for file: '" + path + "'";
    QTest::newRow("exists") << Factory(&MObjectError::fileExistsError) << 101
                            << "Cannot create file at path: '" + path + "'. A file already exists.";
    QTest::newRow("source") << Factory(&MObjectError::sourceNotFoundError) << 104
                            << "Cannot find source file: '" + path + "'";
    QTest::newRow("transfer") << Factory(&MObjectError::transferError) << 42
                              << "An error occurred during object transfer for path '" + path +
                                     "'.";
}

void tst_ObjectError::factories()
{
    QFETCH(Factory, factory);
    QFETCH(int, code);
    QFETCH(QString, message);

    const MObjectError error = factory("/home/u/it's %1 here.txt", "upload");
    QCOMPARE(error.code(), code);
    QCOMPARE(error.message(), message);
    QCOMPARE(error.path(), QString("/home/u/it's %1 here.txt"));
    QCOMPARE(error.requestType(), QString("upload"));
    QVERIFY(error.arguments().isEmpty());
}

void tst_ObjectError::debugFormat()
{
    QTest::ignoreMessage(QtDebugMsg, "{ code: 104,   path: \"/a \\\"b\\\"\",  message: \"I/O error "
                                     "for file: '/a \\\"b\\\"'\",  request_type: \"upload\"}");
    qDebug() << MObjectError::ioError("/a \"b\"", "upload");
}

QTEST_GUILESS_MAIN(tst_ObjectError)
#include "tst_objecterror.moc"
