#include "kerlolocal.h"
#include "mjsonrequestmanager.h"
#include "signedincore.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString hostileName = QStringLiteral("/Photos/a b+c%d?e#f/\u00e9t\u00e9");
} // namespace

// Every numbered action, sent to kerlo-local as a signed-in user and compared with what the
// server received.
class TestActionRequests : public QObject
{
    Q_OBJECT
    SignedInCore core;
    KerloLocal &server = core.server();
    MJsonRequestManager *manager = nullptr;

    // Sends the request and returns what the server logged for it.
    QJsonObject sendAndCapture(const MNetworkRequest &request)
    {
        server.clearRequests();
        QSignalSpy finished(manager, &MJsonRequestManager::replyFinishedForRequest);
        manager->sendRequest(request);
        if (!finished.wait(10000))
            return {};
        const QJsonArray log = server.requests();
        return log.isEmpty() ? QJsonObject() : log.last().toObject();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(core.start());

        // Not signed in: nothing to send.
        bool ok = true;
        QTest::ignoreMessage(QtDebugMsg,
                             "Unable to perform a request with an unauthenticated object.");
        const MNetworkRequest refused =
            TolvoApp::instance()->createActionRequest(QStringLiteral("/"), 1, {}, &ok);
        QVERIFY(!ok);
        QVERIFY(refused.userInfo().toMap().isEmpty());

        QVERIFY(core.signIn());
        manager = new MJsonRequestManager(this);
    }

    void table_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QVariant>("params");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("body"); // JSON, compared as parsed
        QTest::addColumn<QString>("infoArg");

        const QVariantMap page{{"offset", 0}, {"limit", 50}};
        const QVariantMap token{{"token", "t0k/en"}, {"note", "x"}};
        const QVariantMap id{{"id", 7}};
        const QStringList paths{"/a b", "/c+d"};
        const QString api = QStringLiteral("/api/v1");

        QTest::newRow("1 list") << 1 << QVariant(hostileName) << "GET"
                                << api + "/objects/list" + hostileName << "" << QByteArray()
                                << "ReqPath";
        QTest::newRow("1 list root")
            << 1 << QVariant(QStringLiteral("/")) << "GET" << api + "/objects/list"
            << "" << QByteArray() << "ReqPath";
        QTest::newRow("2 metadata of paths")
            << 2 << QVariant(paths) << "POST" << api + "/objects/metadata"
            << "" << QByteArray(R"({"paths":["/a b","/c+d"]})") << "ReqPaths";
        QTest::newRow("3 delete") << 3 << QVariant(paths) << "POST" << api + "/objects/delete"
                                  << "" << QByteArray(R"({"paths":["/a b","/c+d"]})") << "ReqPaths";
        QTest::newRow("4 mkdir") << 4 << QVariant(QStringLiteral("/New folder")) << "POST"
                                 << api + "/objects/mkdir/New folder"
                                 << "" << QByteArray() << "ReqPath";
        const QVariantMap move{{"from", "/a"}, {"to", "/b c"}};
        const QByteArray moveJson = QJsonDocument::fromVariant(move).toJson();
        QTest::newRow("5 rename") << 5 << QVariant(move) << "POST" << api + "/objects/rename"
                                  << "" << moveJson << "ReqMap";
        QTest::newRow("6 copy") << 6 << QVariant(move) << "POST" << api + "/objects/copy"
                                << "" << moveJson << "ReqMap";
        const QVariantMap share{{"path", "/a"}};
        QTest::newRow("7 share") << 7 << QVariant(share) << "POST" << api + "/shares.json"
                                 << "" << QJsonDocument::fromVariant(share).toJson() << "ReqMap";
        QTest::newRow("8 revoke") << 8 << QVariant(token) << "POST" << api + "/shares/t0k/en/revoke"
                                  << "" << QJsonDocument::fromVariant(token).toJson() << "ReqMap";
        QTest::newRow("9 share links") << 9 << QVariant(page) << "GET" << api + "/sharelinks/list"
                                       << "limit=50&offset=0" << QByteArray() << "ReqMap";
        QTest::newRow("10 e-mail link")
            << 10 << QVariant(share) << "POST" << api + "/sharelinks/email"
            << "" << QJsonDocument::fromVariant(share).toJson() << "ReqMap";
        QTest::newRow("11 thumbnails")
            << 11 << QVariant(paths) << "POST" << api + "/thumbnail"
            << "" << QByteArray(R"({"paths":["/a b","/c+d"]})") << "ReqPaths";
        for (int transfer : {12, 13, 14, 15, 18, 32})
            QTest::addRow("%d object rule", transfer)
                << transfer << QVariant(QStringLiteral("/f.txt")) << "GET" << api + "/objects/f.txt"
                << "" << QByteArray() << "ReqPath";
        QTest::newRow("16 invite")
            << 16 << QVariant(share) << "POST" << api + "/invites/invite.json"
            << "" << QJsonDocument::fromVariant(share).toJson() << "ReqMap";
        QTest::newRow("17 accept")
            << 17 << QVariant(token) << "POST" << api + "/invites/t0k/en/accept.json"
            << "" << QJsonDocument::fromVariant(token).toJson() << "ReqMap";
        QTest::newRow("19 reject")
            << 19 << QVariant(QStringLiteral("abc")) << "POST" << api + "/invites/abc/reject.json"
            << "" << QByteArray() << "ReqPath";
        QTest::newRow("20 received") << 20 << QVariant() << "GET" << api + "/invites/received.json"
                                     << "" << QByteArray() << "";
        QTest::newRow("21 sent") << 21 << QVariant() << "GET" << api + "/invites/sent.json"
                                 << "" << QByteArray() << "";
        QTest::newRow("22 sent notifications")
            << 22 << QVariant() << "GET" << api + "/invites/notifications/sent.json"
            << "" << QByteArray() << "";
        QTest::newRow("23 contacts") << 23 << QVariant() << "GET" << api + "/contacts.json"
                                     << "" << QByteArray() << "";
        const QVariantMap search{{"query", "a+b@example.com"}, {"x", "1 2&3=4#?"}};
        QTest::newRow("24 search")
            << 24 << QVariant(search) << "GET" << api + "/contacts/search.json"
            << "query=a%2Bb%40example.com&x=1%202%263%3D4%23%3F" << QByteArray() << "ReqMap";
        QTest::newRow("25 invite contact")
            << 25 << QVariant(search) << "POST" << api + "/contacts/invite.json"
            << "" << QJsonDocument::fromVariant(search).toJson() << "ReqMap";
        QTest::newRow("26 conversations") << 26 << QVariant(page) << "GET" << api + "/conversations"
                                          << "limit=50&offset=0" << QByteArray() << "ReqMap";
        QTest::newRow("27 users") << 27 << QVariant(id) << "GET" << api + "/conversations/7/users"
                                  << "id=7" << QByteArray() << "ReqMap";
        QTest::newRow("28 messages")
            << 28 << QVariant(id) << "GET" << api + "/conversations/7/messages"
            << "id=7" << QByteArray() << "ReqMap";
        const QVariantMap message{{"id", 7}, {"text", "hi :smile:"}};
        QTest::newRow("29 post") << 29 << QVariant(message) << "POST" << api + "/conversations/7"
                                 << "" << QJsonDocument::fromVariant(message).toJson() << "ReqMap";
        QTest::newRow("30 start") << 30 << QVariant(message) << "POST"
                                  << api + "/conversations/start"
                                  << "" << QJsonDocument::fromVariant(message).toJson() << "ReqMap";
        QTest::newRow("31 notifications")
            << 31 << QVariant() << "GET" << api + "/conversations/notifications"
            << "" << QByteArray() << "";
        QTest::newRow("33 avatar") << 33 << QVariant() << "POST" << api + "/users/avatar"
                                   << "" << QByteArray() << "";
        QTest::newRow("34 accept contact")
            << 34 << QVariant(id) << "POST" << api + "/contacts/invites/7/accept"
            << "" << QJsonDocument::fromVariant(id).toJson() << "ReqMap";
        QTest::newRow("35 contact invitations")
            << 35 << QVariant(QVariantMap()) << "GET" << api + "/contacts/invites"
            << "" << QByteArray() << "ReqMap";
        QTest::newRow("35 one invitation")
            << 35 << QVariant(id) << "GET" << api + "/contacts/invites/7"
            << "id=7" << QByteArray() << "ReqMap";
        QTest::newRow("36 decline")
            << 36 << QVariant(id) << "POST" << api + "/contacts/invites/7/decline"
            << "" << QJsonDocument::fromVariant(id).toJson() << "ReqMap";
        QTest::newRow("99 unknown") << 99 << QVariant() << "GET" << api + "/objects"
                                    << "" << QByteArray() << "";
    }

    void table()
    {
        QFETCH(int, action);
        QFETCH(QVariant, params);
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, query);
        QFETCH(QByteArray, body);
        QFETCH(QString, infoArg);

        bool ok = false;
        const QVariant userData = QStringLiteral("caller context");
        const MNetworkRequest request =
            TolvoApp::instance()->createActionRequest(params, action, userData, &ok, true);
        QVERIFY(ok);

        const QVariantMap info = request.userInfo().toMap();
        QCOMPARE(info.value(ReqActionKey).toInt(), action);
        QCOMPARE(info.value(MObjectRequestUserDataKey), userData);
        QCOMPARE(info.value(MObjectRequestIsInternalKey).toBool(), true);
        QCOMPARE(info.value(ReqArgKey).toString(), infoArg);
        if (!infoArg.isEmpty())
            QCOMPARE(info.value(infoArg), params);

        const QJsonObject received = sendAndCapture(request);
        QCOMPARE(received.value("method").toString(), method);
        QCOMPARE(received.value("path").toString(), path);
        QCOMPARE(received.value("query").toString(), query);
        const QJsonObject headers = received.value("headers").toObject();
        QVERIFY(headers.value("authorization").toString().startsWith("Bearer "));
        QVERIFY(!headers.value("m-auth-token").toString().isEmpty());
        if (method == QLatin1String("GET"))
            QVERIFY(!headers.contains("content-type"));
        else
            QCOMPARE(headers.value("content-type").toString(), QStringLiteral("application/json"));
        const QByteArray sent =
            QByteArray::fromBase64(received.value("bodyBase64").toString().toLatin1());
        if (body.isEmpty())
            QVERIFY(sent.isEmpty());
        else
            QCOMPARE(QJsonDocument::fromJson(sent), QJsonDocument::fromJson(body));
    }

    void pathsNeverLeaveTheirEndpoint_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QVariant>("params");
        QTest::newRow("parent in a path") << 3 << QVariant(QStringLiteral("/a/../../users/avatar"));
        QTest::newRow("current folder") << 1 << QVariant(QStringLiteral("/./a"));
        QTest::newRow("parent token") << 8 << QVariant(QVariantMap{{"token", ".."}});
        QTest::newRow("parent invitation") << 19 << QVariant(QStringLiteral(".."));
    }

    void pathsNeverLeaveTheirEndpoint()
    {
        QFETCH(int, action);
        QFETCH(QVariant, params);
        bool ok = true;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("leaves its endpoint"));
        const MNetworkRequest request =
            TolvoApp::instance()->createActionRequest(params, action, {}, &ok);
        QVERIFY(!ok);
        QVERIFY(request.url().isEmpty());
    }

    void slashInATokenStaysInItsSegment()
    {
        bool ok = false;
        const MNetworkRequest request =
            TolvoApp::instance()->createActionRequest(QVariantMap{{"token", "a/b"}}, 8, {}, &ok);
        QVERIFY(ok);
        QVERIFY(request.url().toEncoded().endsWith("/api/v1/shares/a%2Fb/revoke"));
    }

    void unsupportedParameterStillBuildsTheRequest()
    {
        bool ok = false;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Unsupported target resource type"));
        const MNetworkRequest request =
            TolvoApp::instance()->createActionRequest(QVariant(42), 23, {}, &ok);
        QVERIFY(ok);
        QVERIFY(!request.userInfo().toMap().contains(ReqArgKey));
    }
};

QTEST_GUILESS_MAIN(TestActionRequests)

#include "tst_actionrequests.moc"
