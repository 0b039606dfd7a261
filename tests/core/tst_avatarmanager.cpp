#include "kerlolocal.h"
#include "mavatarmanager.h"
#include "mnetworkrequestmanager.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using TestData::demoEmail;
const QByteArray picture = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, 'p');

MUserAccount account(qint64 id, const QString &url)
{
    return MUserAccount(QVariantMap{{"id", id}, {"avatar", QVariantMap{{"url", url}}}});
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// A third-party avatar host: answers each connection with the next scripted reply as it
// stands, then closes it, and keeps the request heads it received.
class ForeignHost : public QTcpServer
{
public:
    QList<QByteArray> replies;
    QList<QByteArray> heads;
    bool keepOpen = false; // after the reply, as a slow host does

    ForeignHost()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                socket->setProperty("head",
                                    socket->property("head").toByteArray() + socket->readAll());
                if (!socket->property("head").toByteArray().contains("\r\n\r\n"))
                    return;
                heads.append(socket->property("head").toByteArray().toLower());
                socket->write(replies.value(heads.size() - 1));
                if (!keepOpen)
                    socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
    }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }
};

// The avatar manager against kerlo-local, signed in as the demo user, and against a foreign
// avatar host.
class TestAvatarManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void uploadedAvatarIsServedAndCached();
    void hostileUrlsAreRefused_data();
    void hostileUrlsAreRefused();
    void foreignHostDownloads();
    void oversizedAvatarsAreRefused();
    void nothingIsUploadedWhileSignedOut();

private:
    MUserAuthManager *auth() const { return core.auth(); }
    MNetworkRequestManager *requests(bool downloads) const;

    SignedInCore core;
    KerloLocal &server = core.server();
    QTemporaryDir files;
    MAvatarManager *manager = nullptr;
    std::unique_ptr<QSignalSpy> ready;
    std::unique_ptr<QSignalSpy> downloaded;
};

void TestAvatarManager::initTestCase()
{
    QVERIFY(files.isValid());
    QVERIFY(core.start());
    QVERIFY(core.signIn());
}

void TestAvatarManager::init()
{
    QVERIFY(server.reset());
    manager = new MAvatarManager(this);
    ready = std::make_unique<QSignalSpy>(manager, &MAvatarManager::avatarReady);
    downloaded = std::make_unique<QSignalSpy>(requests(true),
                                              &MNetworkRequestManager::replyFinishedForRequest);
}

void TestAvatarManager::cleanup()
{
    downloaded.reset();
    ready.reset();
    delete manager;
    manager = nullptr;
}

MNetworkRequestManager *TestAvatarManager::requests(bool downloads) const
{
    for (MNetworkRequestManager *child : manager->findChildren<MNetworkRequestManager *>()) {
        if (child->retriesAuthenticatedRequests() != downloads)
            return child;
    }
    return nullptr;
}

void TestAvatarManager::uploadedAvatarIsServedAndCached()
{
    const QString source = files.filePath("me.png");
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(picture) == picture.size());
    file.close();

    // A first picture: the account has no URL to name the cache file after.
    const MUserAccount before = auth()->account();
    QVERIFY(before.avatarUrl().isEmpty());
    QSignalSpy updated(manager, &MAvatarManager::avatarUpdated);
    manager->updateAvatar(source);
    QVERIFY(updated.wait(20000));
    const QString uploadedPath = updated.at(0).at(1).toString();
    QCOMPARE(uploadedPath, QDir::cleanPath(TolvoApp::instance()->avatarsPath() + "/" +
                                           QString::number(before.id()) + "/avatar"));
    QCOMPARE(manager->avatarPath(before), uploadedPath);
    QCOMPARE(contents(uploadedPath), picture);
    QVERIFY(QFile::exists(source));

    const QJsonArray sent = server.requests();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0]["path"].toString(), QStringLiteral("/api/v1/users/avatar"));
    QCOMPARE(sent[0]["headers"]["x-kerlo-avatar-filename"].toString(), QStringLiteral("me.png"));
    QCOMPARE(sent[0]["headers"]["content-type"].toString(), QStringLiteral("image/png"));
    QCOMPARE(QByteArray::fromBase64(sent[0]["bodyBase64"].toString().toLatin1()), picture);

    // Without a URL of the service's yet, the cached picture still answers, and nothing is sent.
    QVERIFY(server.clearRequests());
    manager->fetchAvatar(before);
    QCOMPARE(ready->count(), 1);
    QCOMPARE(ready->takeFirst().at(1).toString(), uploadedPath);
    QCOMPARE(server.requests().size(), 0);

    // The service now serves it under a URL of its own, fetched unsigned.
    QSignalSpy signedIn(auth(), &MUserAuthManager::authorizationSuccess);
    auth()->reload();
    QVERIFY(signedIn.wait(20000));
    const MUserAccount after = auth()->account();
    QCOMPARE(after.avatarUrl().scheme(), QStringLiteral("http"));
    QVERIFY(manager->avatarPath(after).isNull());
    QVERIFY(server.clearRequests());
    // Two fetches at once still leave one whole file.
    manager->fetchAvatar(after);
    manager->fetchAvatar(after);
    QVERIFY(downloaded->wait());
    QVERIFY(downloaded->count() == 2 || downloaded->wait());
    QCOMPARE(ready->count(), 2);
    const QString fetchedPath = manager->avatarPath(after);
    QVERIFY(!fetchedPath.isNull());
    QCOMPARE(ready->at(1).at(1).toString(), fetchedPath);
    QCOMPARE(contents(fetchedPath), picture);
    QCOMPARE(entries(QFileInfo(fetchedPath).path()).size(), 2);
    for (const QJsonValue &request : server.requests())
        QVERIFY(!request["headers"].toObject().contains("authorization"));

    // Found in the cache: answered inside the call, nothing sent.
    QVERIFY(server.clearRequests());
    manager->fetchAvatar(after);
    QCOMPARE(ready->count(), 3);
    QCOMPARE(ready->at(2).at(1).toString(), fetchedPath);
    QCOMPARE(server.requests().size(), 0);

    // A new picture replaces the cached one of the account as it was.
    const QString second = files.filePath("second.png");
    QFile secondFile(second);
    QVERIFY(secondFile.open(QIODevice::WriteOnly) && secondFile.write(picture + "2") > 0);
    secondFile.close();
    manager->updateAvatar(second);
    QVERIFY(updated.wait(20000));
    QCOMPARE(updated.at(1).at(1).toString(), fetchedPath);
    QCOMPARE(manager->avatarPath(after), fetchedPath);
    QCOMPARE(contents(fetchedPath), picture + "2");
}

void TestAvatarManager::hostileUrlsAreRefused_data()
{
    QTest::addColumn<QString>("url");
    const QString base = server.baseUrl().toString();
    QTest::newRow("empty") << QString();
    QTest::newRow("local file") << "file:///etc/hostname";
    QTest::newRow("local host file") << "file://localhost/etc/hostname";
    QTest::newRow("resource") << "qrc:/avatar.png";
    QTest::newRow("ftp") << "ftp://127.0.0.1/a.png";
    QTest::newRow("no host") << "http:/avatars/a.png";
    QTest::newRow("folder") << base + "/avatars/";
    QTest::newRow("encoded parent") << base + "/avatars/%2E%2E";
    QTest::newRow("parent") << base + "/avatars/..";
}

void TestAvatarManager::hostileUrlsAreRefused()
{
    QFETCH(QString, url);
    const MUserAccount hostile = account(77, url);
    const QStringList cached = entries(TolvoApp::instance()->avatarsPath());
    // Refused before anything is sent, whatever the URL's scheme could reach.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Not fetching an avatar from"));
    manager->fetchAvatar(hostile);
    QVERIFY(manager->avatarPath(hostile).isNull());
    QCOMPARE(ready->count(), 0);
    QCOMPARE(server.requests().size(), 0);
    QCOMPARE(entries(TolvoApp::instance()->avatarsPath()), cached);
}

void TestAvatarManager::foreignHostDownloads()
{
    ForeignHost host;
    QVERIFY(host.listen(QHostAddress::LocalHost));
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: ";
    host.replies = {head + "3008\r\n\r\n" + picture.left(100),
                    "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n",
                    head + "3008\r\n\r\n" + picture};
    const MUserAccount foreign = account(88, host.url("/pics/%2E%2E%2Fx.png"));
    const QString folder = TolvoApp::instance()->avatarsPath() + "/88";

    // A folder where the picture would go is no picture.
    QVERIFY(QDir().mkpath(folder + "/x.png"));
    QVERIFY(manager->avatarPath(foreign).isNull());
    QVERIFY(QDir(folder + "/x.png").removeRecursively());

    // Cut off: nothing of it stays.
    manager->fetchAvatar(foreign);
    QVERIFY(downloaded->wait());
    QVERIFY(manager->avatarPath(foreign).isNull());
    QCOMPARE(entries(folder), QStringList());

    // Refused: logged, and never sent again with credentials.
    QTest::ignoreMessage(QtDebugMsg, "Error fetching avatar (status code: 401)");
    manager->fetchAvatar(foreign);
    QVERIFY(downloaded->wait());
    QCOMPARE(host.heads.size(), 2);

    manager->fetchAvatar(foreign);
    QVERIFY(ready->wait());
    QCOMPARE(ready->at(0).at(1).toString(), folder + "/x.png");
    QCOMPARE(contents(folder + "/x.png"), picture);
    QCOMPARE(entries(folder), QStringList{"x.png"});
    QCOMPARE(host.heads.size(), 3);
    for (const QByteArray &received : qAsConst(host.heads))
        QVERIFY(!received.contains("authorization") && !received.contains("m-auth-token"));
}

void TestAvatarManager::oversizedAvatarsAreRefused()
{
    ForeignHost host;
    QVERIFY(host.listen(QHostAddress::LocalHost));
    QSignalSpy canceled(requests(true), &MNetworkRequestManager::requestCanceled);
    const auto ended = [&] {
        return downloaded->size() + canceled.size();
    };

    // 50 MiB without a length, to the end of the connection: nothing of it is kept.
    host.replies = {"HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n" +
                    picture + QByteArray(50 * 1024 * 1024, 'p')};
    const MUserAccount huge = account(91, host.url("/pics/huge.png"));
    const QString folder = TolvoApp::instance()->avatarsPath() + "/91";
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing an avatar larger than"));
    manager->fetchAvatar(huge);
    QTRY_VERIFY_WITH_TIMEOUT(ended() > 0, 20000);
    QVERIFY(ready->isEmpty());
    QVERIFY(manager->avatarPath(huge).isNull());
    const int first = ended();
    QCOMPARE(entries(folder), QStringList());

    // A host that announces 50 MiB and then dawdles is left at once, not waited for.
    host.keepOpen = true;
    host.replies.append("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 52428800"
                        "\r\n\r\n" +
                        picture);
    const MUserAccount announced = account(92, host.url("/pics/announced.png"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing an avatar larger than"));
    manager->fetchAvatar(announced);
    QTRY_VERIFY_WITH_TIMEOUT(ended() > first, 20000);
    QVERIFY(ready->isEmpty());
    QVERIFY(manager->avatarPath(announced).isNull());
    QCOMPARE(entries(TolvoApp::instance()->avatarsPath() + "/92"), QStringList());
}

void TestAvatarManager::nothingIsUploadedWhileSignedOut()
{
    const QString source = files.filePath("late.png");
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(picture) == picture.size());
    file.close();
    QVERIFY(core.signOut());
    QVERIFY(server.clearRequests());

    QSignalSpy updated(manager, &MAvatarManager::avatarUpdated);
    manager->updateAvatar(source);
    manager->updateAvatar(files.filePath("missing.png"));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(server.requests().size(), 0);
    QCOMPARE(updated.count(), 0);
}

QTEST_GUILESS_MAIN(TestAvatarManager)
#include "tst_avatarmanager.moc"
