#include "mnotificationmanager.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"
#include "mtransfernotifications.h"
#include "storageobjecttypes.h"
#include "transfertypes.h"

#include <QDataStream>
#include <QSet>
#include <QtTest>

#include <functional>
#include <limits>

template<typename T> static QByteArray streamed(const T &value, int version)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(version);
    stream << value;
    return bytes;
}

template<typename T> static T read(const QByteArray &bytes, T value = T())
{
    QDataStream stream(bytes);
    stream >> value;
    return value;
}

// A request with every streamed field set, and the same fields as one map for comparing.
static MObjectTransferRequest fullRequest()
{
    MObjectTransferRequest request(QStringLiteral("/Docs/a.txt"), QStringLiteral("/home/u/a.txt"),
                                   1);
    request.setMode(3);
    request.setBaseHash("0123456789abcdef0123456789abcdef");
    request.setShouldCache(true);
    request.setAction(Tolvo::DownloadToCache);
    request.setAttribute(MObjectTransferRequest::RequestType,
                         QVariant::fromValue(Tolvo::DownloadObject));
    request.setStorageObject(MStorageObject(QStringLiteral("/Docs"), QStringLiteral("a.txt")));
    request.setUserData(QStringLiteral("context"));
    return request;
}

static QVariantMap fields(const MObjectTransferRequest &request)
{
    return {{"source", request.sourcePath()},
            {"destination", request.destinationPath()},
            {"direction", request.direction()},
            {"mode", request.mode()},
            {"baseHash", request.baseHash()},
            {"cache", request.shouldCache()},
            {"strategy", request.overwriteStrategy()},
            {"action", request.action()},
            {"requestType", request.attribute(MObjectTransferRequest::RequestType)},
            {"object", request.storageObject().fullPath()},
            {"null", request.isNull()},
            {"userData", request.userData()}};
}

using RequestSetter = std::function<void(MObjectTransferRequest &)>;

// Every setter, each writing a default value; the last one leaves the request null.
static const QList<QPair<const char *, RequestSetter>> &requestSetters()
{
    static const QList<QPair<const char *, RequestSetter>> setters{
        {"source",
         [](MObjectTransferRequest &r) {
             r.setSourcePath(QString());
         }},
        {"destination",
         [](MObjectTransferRequest &r) {
             r.setDestinationPath(QString());
         }},
        {"direction",
         [](MObjectTransferRequest &r) {
             r.setDirection(0);
         }},
        {"mode",
         [](MObjectTransferRequest &r) {
             r.setMode(0);
         }},
        {"base hash",
         [](MObjectTransferRequest &r) {
             r.setBaseHash(QByteArray());
         }},
        {"cache flag",
         [](MObjectTransferRequest &r) {
             r.setShouldCache(false);
         }},
        {"user data",
         [](MObjectTransferRequest &r) {
             r.setUserData(QVariant());
         }},
        {"strategy",
         [](MObjectTransferRequest &r) {
             r.setOverwriteStrategy(0);
         }},
        {"action",
         [](MObjectTransferRequest &r) {
             r.setAction(0);
         }},
        {"attribute",
         [](MObjectTransferRequest &r) {
             r.setAttribute(MObjectTransferRequest::RequestType, 1);
         }},
        {"storage object",
         [](MObjectTransferRequest &r) {
             r.setStorageObject(MStorageObject());
         }},
    };
    return setters;
}

class tst_TransferValues : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void requestDefaults();
    void requestSettersClearNull_data();
    void requestSettersClearNull();
    void requestStreamRoundTrip();
    void stableBytes();
    void corruptStreamLeavesValue();
    void transferDefaultsAndAttributes();
    void uploadTokenMustBeOnePathSegment_data();
    void uploadTokenMustBeOnePathSegment();
    void transferStateAndIdentity();
    void transferStreamRoundTrip();
    void stateMetatypesAndDebug();
    void groupCounters();
    void notificationsCarryTransfers();
};

void tst_TransferValues::initTestCase()
{
    registerStorageObjectTypes();
    registerTransferTypes();
}

void tst_TransferValues::requestDefaults()
{
    const MObjectTransferRequest request;
    QVERIFY(request.isNull());
    QCOMPARE(request.direction(), 0);
    QCOMPARE(request.mode(), 0);
    QCOMPARE(request.overwriteStrategy(), 0);
    QCOMPARE(request.action(), 0);
    for (auto key : {MObjectTransferRequest::OverwriteStrategy, MObjectTransferRequest::Action,
                     MObjectTransferRequest::RequestType})
        QVERIFY(!request.attribute(key).isValid());

    const MObjectTransferRequest download(QStringLiteral("/a"), QStringLiteral("/tmp/a"), 1);
    QVERIFY(!download.isNull());
    QCOMPARE(download.overwriteStrategy(), 2);
    QCOMPARE(download.action(), 0);

    MObjectTransferRequest unconvertible;
    unconvertible.setAttribute(MObjectTransferRequest::OverwriteStrategy, QStringLiteral("x"));
    QCOMPARE(unconvertible.overwriteStrategy(), 0);
}

void tst_TransferValues::requestSettersClearNull_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("staysNull");
    for (int i = 0; i < requestSetters().size(); ++i)
        QTest::newRow(requestSetters().at(i).first) << i << (i == requestSetters().size() - 1);
}

void tst_TransferValues::requestSettersClearNull()
{
    QFETCH(int, index);
    QFETCH(bool, staysNull);
    MObjectTransferRequest request;
    requestSetters().at(index).second(request);
    QCOMPARE(request.isNull(), staysNull);
}

void tst_TransferValues::requestStreamRoundTrip()
{
    const MObjectTransferRequest request = fullRequest();
    const auto back = read<MObjectTransferRequest>(streamed(request, QDataStream::Qt_5_15));
    QVariantMap expected = fields(request);
    expected.insert("userData", QVariant());
    QCOMPARE(fields(back), expected);
    QCOMPARE(back.attribute(MObjectTransferRequest::RequestType).value<Tolvo::ObjectAction>(),
             Tolvo::DownloadObject);

    // The null flag comes back as stored; the user data, never stored, stays as it was.
    MObjectTransferRequest target;
    target.setUserData(42);
    const auto null = read(streamed(MObjectTransferRequest(), QDataStream::Qt_5_3), target);
    QVERIFY(null.isNull());
    QCOMPARE(null.userData(), QVariant(42));
}

void tst_TransferValues::stableBytes()
{
    MObjectTransferRequest request(QStringLiteral("a"), QStringLiteral("b"), 1);
    request.setMode(3);
    request.setBaseHash("h");
    request.setShouldCache(true);
    request.setAttribute(MObjectTransferRequest::RequestType,
                         QVariant::fromValue(Tolvo::DownloadToCache));

    MObjectTransfer transfer;
    transfer.setState(MObjectTransfer::Paused);
    transfer.setTotalBytes(5);
    transfer.setTransferredBytes(2);
    transfer.setTotalTransferredBytes(3);
    transfer.setErrorCode(Tolvo::LocalIOError);
    transfer.setMissingChunks({1, 2});

    // An empty storage object, as every stored request and transfer without one carries it.
    const QByteArray emptyObject =
        "ffffffffffffffff0000000000000000ffffffffffffffff00000000ffffffff"
        "8000000000000000ffffffff000000000000000000000000ffffffff";
    const QByteArray requestBytes =
        "000000020061000000020062000000010000000300000001680100000002"
        // "1001" = Tolvo::ObjectAction 15 (Qt writes map entries last key first), "0" = int 2
        "000000080031003000300031000004000000000014546f6c766f3a3a4f626a656374416374696f6e00"
        "0000000f00000002003000000002000000000200" +
        emptyObject;
    const QByteArray transferBytes =
        "00000003"
        "ffffffffffffffff0000000000000000ffffffff000000000001" + // a null request
        emptyObject +
        emptyObject +
        "000000000000000500000000000000020000000000000003ffffffff"
        // "7" = QVector<int> {1, 2}, "4" = int -1
        "0000000200000002003700000400000000000d51566563746f723c696e743e0000000002000000010000"
        "00020000000200340000000200ffffffff00000068";
    for (int version : {int(QDataStream::Qt_5_3), int(QDataStream::Qt_DefaultCompiledVersion)}) {
        QCOMPARE(streamed(request, version).toHex(), requestBytes);
        QCOMPARE(streamed(transfer, version).toHex(), transferBytes);
    }
    QCOMPARE(streamed(read<MObjectTransfer>(QByteArray::fromHex(transferBytes)), 15).toHex(),
             transferBytes);
}

void tst_TransferValues::corruptStreamLeavesValue()
{
    MObjectTransfer source;
    source.setState(MObjectTransfer::Running);
    source.setTransferRequest(fullRequest());
    const QByteArray transferBytes = streamed(source, 15);
    MObjectTransfer transfer;
    transfer.setTotalBytes(7);
    QDataStream transferStream(transferBytes.left(transferBytes.size() - 1));
    transferStream >> transfer;
    QVERIFY(transferStream.status() != QDataStream::Ok);
    QCOMPARE(transfer.state(), int(MObjectTransfer::Invalid));
    QCOMPARE(transfer.totalBytes(), 7LL);
}

void tst_TransferValues::transferDefaultsAndAttributes()
{
    MObjectTransfer transfer;
    QVERIFY(!transfer.isValid());
    QCOMPARE(transfer.state(), -1);
    QCOMPARE(transfer.previousState(), -1);
    QCOMPARE(transfer.identifier(), 0LL);
    QCOMPARE(transfer.lastUploadedChunk(), -1);
    QCOMPARE(transfer.totalBytes() + transfer.transferredBytes() + transfer.totalTransferredBytes(),
             0LL);
    QCOMPARE(transfer.attributes(), QVariantMap({{"4", -1}}));

    transfer.setUserString(QStringLiteral("free"));
    transfer.setResumeOffset(std::numeric_limits<qint64>::max());
    transfer.setMissingChunks({4, 0, 2});
    transfer.setFinalHash("d41d8cd98f00b204e9800998ecf8427e");
    // Key 8 is a key of its own: no other accessor sees it.
    QCOMPARE(transfer.attributes().value("8"), QVariant(QStringLiteral("free")));
    QVERIFY(transfer.sendRequestIdentifier().isNull());
    QCOMPARE(transfer.lastUploadedChunk(), -1);

    // The attributes that a resumed upload or download needs survive storage.
    const auto back = read<MObjectTransfer>(streamed(transfer, 15));
    QCOMPARE(back.resumeOffset(), std::numeric_limits<qint64>::max());
    QCOMPARE(back.missingChunks(), QVector<int>({4, 0, 2}));
    QCOMPARE(back.finalHash(), QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(back.userString(), QStringLiteral("free"));

    // A replaced map without key 4 reads as 0, not -1.
    transfer.setAttributes({});
    QCOMPARE(transfer.lastUploadedChunk(), 0);
    QCOMPARE(transfer.resumeOffset(), 0LL);
    QVERIFY(!transfer.attribute(MObjectTransfer::MissingChunks).isValid());
}

void tst_TransferValues::uploadTokenMustBeOnePathSegment_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("plain") << "a1B2-c3_d4.e5~" << true;
    QTest::newRow("parent path") << "../objects/delete" << false;
    QTest::newRow("parent") << ".." << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("encoded slash") << "a%2Fb" << false;
    QTest::newRow("query") << "a?force=true" << false;
    QTest::newRow("blank") << "a b" << false;
    QTest::newRow("non-ASCII") << QString::fromUtf8("a\xc3\xa9") << false;
    QTest::newRow("empty") << "" << false;
}

void tst_TransferValues::uploadTokenMustBeOnePathSegment()
{
    QFETCH(QString, token);
    QFETCH(bool, accepted);
    MObjectTransfer transfer;
    transfer.setSendRequestIdentifier(token);
    QCOMPARE(transfer.sendRequestIdentifier(), accepted ? token : QString());
    // The same rule holds for a token that comes back from storage.
    QVariantMap attributes;
    attributes.insert("1", token);
    transfer.setAttributes(attributes);
    QCOMPARE(transfer.sendRequestIdentifier(), accepted ? token : QString());
}

void tst_TransferValues::transferStateAndIdentity()
{
    MObjectTransfer transfer;
    transfer.setState(MObjectTransfer::Running);
    transfer.setState(MObjectTransfer::Paused);
    QCOMPARE(transfer.previousState(), int(MObjectTransfer::Running));
    transfer.setState(MObjectTransfer::Paused);
    QCOMPARE(transfer.previousState(), int(MObjectTransfer::Paused));

    // Equal by identifier, whatever else differs; hashed the same way, so sets agree.
    MObjectTransfer other;
    other.setState(MObjectTransfer::Completed);
    other.setTotalBytes(100);
    QVERIFY(transfer == other); // both unsaved
    transfer.setIdentifier(9);
    QVERIFY(transfer != other);
    other.setIdentifier(9);
    QVERIFY(transfer == other);
    QCOMPARE(QSet<MObjectTransfer>({transfer, other}).size(), 1);
}

void tst_TransferValues::transferStreamRoundTrip()
{
    MObjectTransfer transfer;
    transfer.setState(MObjectTransfer::Running);
    transfer.setState(MObjectTransfer::Error);
    transfer.setIdentifier(12);
    MObjectTransferGroup group;
    group.setIdentifier(4);
    transfer.setGroup(group);
    transfer.setCreatedAt(QDateTime::currentDateTime());
    transfer.setErrors({MObjectError::ioError(QStringLiteral("/a"), QStringLiteral("upload"))});
    transfer.setTransferRequest(fullRequest());
    transfer.setStorageObject(MStorageObject(QStringLiteral("/"), QStringLiteral("b")));
    transfer.setTotalBytes(5LL << 30);
    transfer.setTransferredBytes(3);
    transfer.setTotalTransferredBytes(4);
    transfer.setChunkHashes({QStringLiteral("x"), QStringLiteral("y")});
    transfer.setErrorCode(Tolvo::QuotaExceeded);

    const auto back = read<MObjectTransfer>(streamed(transfer, QDataStream::Qt_5_15));
    QCOMPARE(back.state(), int(MObjectTransfer::Error));
    QCOMPARE(back.previousState(), int(MObjectTransfer::Running));
    QVariantMap expected = fields(transfer.transferRequest());
    expected.insert("userData", QVariant());
    QCOMPARE(fields(back.transferRequest()), expected);
    QCOMPARE(back.storageObject(), transfer.storageObject());
    QCOMPARE(back.totalBytes(), 5LL << 30);
    QCOMPARE(back.transferredBytes(), 3LL);
    QCOMPARE(back.totalTransferredBytes(), 4LL);
    QCOMPARE(back.attributes(), transfer.attributes());
    QCOMPARE(back.errorCode(), int(Tolvo::QuotaExceeded));
    QCOMPARE(back.identifier(), 0LL);
    QCOMPARE(back.groupIdentifier(), 0LL);
    QVERIFY(back.createdAt().isNull());
    QVERIFY(back.errors().isEmpty());
}

void tst_TransferValues::stateMetatypesAndDebug()
{
    QCOMPARE(QMetaType::type("MObjectTransferState::State"), qMetaTypeId<MObjectTransfer::State>());
    QCOMPARE(QMetaType::type("MObjectTransfer::State"), qMetaTypeId<MObjectTransfer::State>());
    QVERIFY(QMetaType::type("MObjectTransferGroup") != QMetaType::UnknownType);

    // Variants holding the values are stored and read back (queued signals, notifications).
    MObjectTransfer transfer;
    transfer.setState(MObjectTransfer::Idle);
    const QVariantList variants{QVariant::fromValue(MObjectTransfer::Canceled),
                                QVariant::fromValue(transfer), QVariant::fromValue(fullRequest())};
    const auto back = read<QVariantList>(streamed(variants, QDataStream::Qt_5_3));
    QCOMPARE(back.size(), 3);
    QCOMPARE(back.at(0).value<MObjectTransfer::State>(), MObjectTransfer::Canceled);
    QCOMPARE(back.at(1).value<MObjectTransfer>().state(), int(MObjectTransfer::Idle));
    QCOMPARE(back.at(2).value<MObjectTransferRequest>().sourcePath(), fullRequest().sourcePath());

    QString text;
    QDebug(&text) << MObjectTransfer::Running << MObjectTransfer::State(42)
                  << MObjectTransfer::Invalid;
    QCOMPARE(text, QStringLiteral("Running (1) Unknown (42) Invalid (-1) "));
}

void tst_TransferValues::groupCounters()
{
    MObjectTransferGroup group;
    QVERIFY(!group.isValid());
    MObjectTransfer done;
    done.setState(MObjectTransfer::Completed);
    done.setTotalBytes(100);
    done.setTransferredBytes(40);
    done.setTotalTransferredBytes(90);
    group.addTransfer(done);
    QVERIFY(!group.isValid()); // members do not make a group valid
    group.setIdentifier(6);
    MObjectTransfer running;
    running.setState(MObjectTransfer::Running);
    running.setTotalBytes(10);
    running.setTransferredBytes(1);
    group.addTransfer(running);

    QVERIFY(group.isValid());
    QCOMPARE(group.completedCount(), 1LL);
    QCOMPARE(group.totalBytes(), 110LL);
    QCOMPARE(group.overallTransferredBytes(), 41LL); // the current runs, not the totals
    QCOMPARE(done.groupIdentifier(), 0LL);           // added before the group had its identifier
    QCOMPARE(running.groupIdentifier(), 6LL);
    QCOMPARE(group.transfers().last().groupIdentifier(), 6LL);
}

void tst_TransferValues::notificationsCarryTransfers()
{
    MNotificationManager *manager = MNotificationManager::instance();
    QSignalSpy spy(manager, &MNotificationManager::notificationReady);
    MObjectTransfer transfer;
    transfer.setState(MObjectTransfer::Error);
    transfer.setIdentifier(31);
    const MObjectTransferRequest request = fullRequest();
    MTransferNotifications::postIOErrorNotification(Tolvo::DownloadObject, QStringLiteral("/tmp/a"),
                                                    transfer);
    MTransferNotifications::postIOErrorNotification(Tolvo::DownloadObject, QStringLiteral("/tmp/a"),
                                                    MObjectTransfer());
    MTransferNotifications::postFileExistsErrorNotification(Tolvo::UploadObject, request);
    MTransferNotifications::postSpaceQuotaExceededError(Tolvo::UploadObject, transfer);
    manager->postSpaceQuotaExceededError(Tolvo::UploadObject);
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 5);

    struct Expected
    {
        QString message;
        int code;
        qint64 transfer; // -1: none
        bool request;
    };
    const QList<Expected> expected{{"Unable to access file at path '/tmp/a'", 104, 31, false},
                                   {"Unable to access file at path '/tmp/a'", 104, -1, false},
                                   {"A file already exists at path '/home/u/a.txt'", 801, -1, true},
                                   {"You don't have enough cloud space available", 507, 31, false},
                                   {"You don't have enough cloud space available", 507, -1, false}};
    for (int i = 0; i < expected.size(); ++i) {
        const auto n = spy.at(i).at(0).value<MNotification>();
        QCOMPARE(n.type(), MNotification::ERROR);
        QCOMPARE(n.subtype(), 0);
        QCOMPARE(n.message(), expected.at(i).message);
        QCOMPARE(n.attribute(MNotification::ErrorCode), QVariant(expected.at(i).code));
        QVERIFY(n.attribute(MNotification::Action).isValid());
        const QVariant carried = n.attribute(MNotification::Transfer);
        QCOMPARE(carried.isValid(), expected.at(i).transfer >= 0);
        if (carried.isValid())
            QCOMPARE(carried.value<MObjectTransfer>().identifier(), expected.at(i).transfer);
        const QVariant carriedRequest = n.attribute(MNotification::TransferRequest);
        QCOMPARE(carriedRequest.isValid(), expected.at(i).request);
        if (carriedRequest.isValid())
            QCOMPARE(carriedRequest.value<MObjectTransferRequest>().destinationPath(),
                     request.destinationPath());
    }
}

QTEST_GUILESS_MAIN(tst_TransferValues)
#include "tst_transfervalues.moc"
