#include "kerlolocal.h"
#include "moavatarmanager.h"
#include "moavatarmanagerdelegate.h"
#include "modeltestapplication.h"
#include "mouseraccount.h"
#include "mouserauthenticationmanager.h"
#include "socialsession.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray picture = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, 'p');

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Answer
{
    QString email;
    QString path;
};

class RecordingDelegate
    : public QObject
    , public MOAvatarManagerDelegate
{
    Q_OBJECT
public:
    void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                           const QString &path) override
    {
        fetched.append({account.email(), path});
    }
    void avatarManagerDidUpdateAvatarAtPath(MOAvatarManager *, const MOUserAccount &account,
                                            const QString &path) override
    {
        updated.append({account.email(), path});
        updatedAccounts.append(account);
    }

    QList<Answer> fetched;
    QList<Answer> updated;
    QList<MOUserAccount> updatedAccounts;
};

} // namespace

// The avatar facade against kerlo-local, signed in as the demo user, who uploads a picture and
// then fetches it as the service serves it.
class TestMOAvatarManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QVERIFY(server.reset()); }

    void uploadThenFetch();
    void destroyedFacadeCallsNothing();
    void facadeReleasedFromItsOwnCall();

private:
    // The signed-in user's account as the service now describes it.
    MOUserAccount reloadedAccount();
    bool serverReceived(const QString &path) const;

    KerloLocal server;
    QTemporaryDir files;
    MOUserAccount served;
};

void TestMOAvatarManager::initTestCase()
{
    QVERIFY(files.isValid());
    QCOMPARE(SocialSession::start(&server, {}), QString());
}

MOUserAccount TestMOAvatarManager::reloadedAccount()
{
    return ModelTest::reload() ? MOUserAuthenticationManager::sharedInstance()->account()
                               : MOUserAccount();
}

bool TestMOAvatarManager::serverReceived(const QString &path) const
{
    for (const QJsonValue &request : server.requests()) {
        if (request["path"].toString() == path)
            return true;
    }
    return false;
}

void TestMOAvatarManager::uploadThenFetch()
{
    MOAvatarManager manager;
    RecordingDelegate delegate;
    manager.setDelegate(&delegate);

    // A first picture: the account has no URL of the service's yet, and still finds it.
    const QString source = files.filePath("me.png");
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(picture) == picture.size());
    file.close();
    manager.updateAvatar(source);
    QTRY_COMPARE(delegate.updated.size(), 1);
    QCOMPARE(delegate.updated.first().email, SocialSession::demoEmail);
    QCOMPARE(contents(delegate.updated.first().path), picture);
    QCOMPARE(manager.avatarPath(delegate.updatedAccounts.first()), delegate.updated.first().path);

    // The service now serves it under a URL of its own: not cached yet, so answered later.
    served = reloadedAccount();
    QCOMPARE(served.email(), SocialSession::demoEmail);
    QVERIFY(manager.avatarPath(served).isNull());
    manager.fetchAvatar(served);
    QVERIFY(delegate.fetched.isEmpty());
    QTRY_COMPARE(delegate.fetched.size(), 1);
    const QString cached = delegate.fetched.first().path;
    QCOMPARE(delegate.fetched.first().email, SocialSession::demoEmail);
    QCOMPARE(manager.avatarPath(served), cached);
    QCOMPARE(contents(cached), picture);

    // Cached: answered before the call returns, and nothing is sent.
    QVERIFY(server.clearRequests());
    manager.fetchAvatar(served);
    QCOMPARE(delegate.fetched.size(), 2);
    QCOMPARE(delegate.fetched.at(1).path, cached);
    QCOMPARE(server.requests().size(), 0);

    // A new picture takes the place of the account's cached one.
    const QByteArray second = picture + "second";
    QFile secondFile(files.filePath("second.png"));
    QVERIFY(secondFile.open(QIODevice::WriteOnly) && secondFile.write(second) == second.size());
    secondFile.close();
    manager.updateAvatar(secondFile.fileName());
    QTRY_COMPARE(delegate.updated.size(), 2);
    QCOMPARE(delegate.updated.at(1).path, cached);
    QCOMPARE(manager.avatarPath(delegate.updatedAccounts.at(1)), cached);
    QCOMPARE(manager.avatarPath(served), cached);
    QCOMPARE(contents(cached), second);
}

void TestMOAvatarManager::destroyedFacadeCallsNothing()
{
    QVERIFY(!served.email().isEmpty());
    RecordingDelegate early;
    RecordingDelegate late;
    auto going = std::make_unique<MOAvatarManager>();
    going->setDelegate(&early);
    MOAvatarManager staying;
    staying.setDelegate(&late);
    const QString cached = staying.avatarPath(served);
    QVERIFY(QFile::remove(cached));

    // Where the service serves the picture, as a first download asks for it.
    staying.fetchAvatar(served);
    QTRY_COMPARE(late.fetched.size(), 1);
    QString path;
    for (const QJsonValue &request : server.requests()) {
        if (request["path"].toString().startsWith(QLatin1String("/avatars/")))
            path = request["path"].toString();
    }
    QVERIFY(!path.isEmpty());
    QVERIFY(QFile::remove(cached));
    late.fetched.clear();

    // The download is on its way when its facade goes; a later one, answered later still,
    // shows when it would have arrived. Neither leaves a partial file.
    QVERIFY(server.delay(path, 300));
    going->fetchAvatar(served);
    QTRY_VERIFY(serverReceived(path));
    going.reset();
    QVERIFY(server.delay(path, 600));
    staying.fetchAvatar(served);
    QTRY_COMPARE(late.fetched.size(), 1);
    QVERIFY(early.fetched.isEmpty());
    QCOMPARE(late.fetched.first().path, cached);
    QVERIFY(!contents(cached).isEmpty());
}

// A delegate may let go of the facade inside the answer, while the core manager is still in
// the middle of giving it (here a cached avatar, answered inside fetchAvatar).
void TestMOAvatarManager::facadeReleasedFromItsOwnCall()
{
    QVERIFY(!served.email().isEmpty());
    struct Releasing : RecordingDelegate
    {
        std::unique_ptr<MOAvatarManager> facade;
        void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *manager,
                                               const MOUserAccount &account,
                                               const QString &path) override
        {
            RecordingDelegate::avatarManagerDidFetchAvatarAtPath(manager, account, path);
            facade.reset();
        }
    } delegate;
    delegate.facade = std::make_unique<MOAvatarManager>();
    delegate.facade->setDelegate(&delegate);
    QVERIFY(!delegate.facade->avatarPath(served).isEmpty());
    delegate.facade->fetchAvatar(served);
    QCOMPARE(delegate.fetched.size(), 1);
    QVERIFY(!delegate.facade);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_GUILESS_MAIN(TestMOAvatarManager)

#include "tst_moavatarmanager.moc"
