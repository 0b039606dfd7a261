#include "kerlolocal.h"
#include "mocontactsmanager.h"
#include "mocontactsmanagerdelegate.h"
#include "mouseraccount.h"
#include "socialsession.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString carolEmail = QStringLiteral("carol@kerlo.local");
const QString bobEmail = QStringLiteral("bob@kerlo.local");
const QString contactsPath = QStringLiteral("/api/v1/contacts.json");

QString emails(const QList<MOUserAccount> &accounts)
{
    QStringList list;
    for (const MOUserAccount &account : accounts)
        list.append(account.email());
    return list.join(QLatin1Char(','));
}

// Writes each call as one line: what it was and what it carried.
class RecordingDelegate
    : public QObject
    , public MOContactsManagerDelegate
{
    Q_OBJECT
public:
    void collaborationManagerDidReceiveContacts(MOContactsManager *manager,
                                                const QList<MOUserAccount> &contacts) override
    {
        record(manager, {"contacts", emails(contacts)});
    }
    void collaborationManagerDidFindContactsForQuery(MOContactsManager *manager,
                                                     const QList<MOUserAccount> &users,
                                                     const QString &query) override
    {
        record(manager, {"found", emails(users), query});
    }
    void collaborationManagerDidSendInviteTo(MOContactsManager *manager,
                                             const QString &email) override
    {
        record(manager, {"sent", email});
    }
    void collaborationManagerHasNewConnection(MOContactsManager *manager,
                                              const MOUserAccount &account) override
    {
        record(manager, {"connection", account.email(), QString::number(account.onlineStatus())});
    }

    bool waitForCount(int count) const
    {
        return QTest::qWaitFor([&] { return calls.size() >= count; }, 20000);
    }

    QStringList calls;
    QList<MOContactsManager *> managers;

private:
    void record(MOContactsManager *manager, const QStringList &fields)
    {
        managers.append(manager);
        calls.append(fields.join(QLatin1Char('|')));
    }
};

} // namespace

// The contacts facade against kerlo-local, signed in as the demo user, whose contact carol is.
class TestMOContactsManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QVERIFY(server.reset()); }

    void answersReachTheDelegate();
    void eachFacadeHearsOnlyItsOwnAnswers();
    void destroyedFacadeCallsNothing();

private:
    bool serverReceived(const QString &path) const;

    KerloLocal server;
};

void TestMOContactsManager::initTestCase()
{
    QCOMPARE(SocialSession::start(&server, {carolEmail, bobEmail}), QString());
    const qint64 id =
        server.inviteContactAs(carolEmail, SocialSession::demoEmail)["id"].toVariant().toLongLong();
    QVERIFY(id > 0);
    QVERIFY(SocialSession::acceptContactInvitation(id));
}

bool TestMOContactsManager::serverReceived(const QString &path) const
{
    for (const QJsonValue &request : server.requests()) {
        if (request["path"].toString() == path)
            return true;
    }
    return false;
}

void TestMOContactsManager::answersReachTheDelegate()
{
    MOContactsManager manager;
    RecordingDelegate delegate;
    manager.setDelegate(&delegate);
    QCOMPARE(manager.delegate(), &delegate);

    manager.listContacts();
    QVERIFY(delegate.waitForCount(1));
    manager.search(bobEmail);
    QVERIFY(delegate.waitForCount(2));
    manager.search(QStringLiteral("nobody-is-called-this"));
    QVERIFY(delegate.waitForCount(3));
    manager.invite(bobEmail);
    QVERIFY(delegate.waitForCount(5));
    QCOMPARE(delegate.calls,
             (QStringList{"contacts|" + carolEmail, "found|" + bobEmail + "|" + bobEmail,
                          "found||nobody-is-called-this", "sent|" + bobEmail,
                          "connection|" + bobEmail + "|0"}));
    QVERIFY(std::all_of(delegate.managers.cbegin(), delegate.managers.cend(),
                        [&](MOContactsManager *m) { return m == &manager; }));
}

void TestMOContactsManager::eachFacadeHearsOnlyItsOwnAnswers()
{
    MOContactsManager sidebar;
    MOContactsManager page;
    RecordingDelegate sidebarDelegate;
    RecordingDelegate pageDelegate;
    sidebar.setDelegate(&sidebarDelegate);
    page.setDelegate(&pageDelegate);

    sidebar.listContacts();
    page.search(carolEmail);
    QVERIFY(sidebarDelegate.waitForCount(1));
    QVERIFY(pageDelegate.waitForCount(1));
    sidebar.listContacts();
    QVERIFY(sidebarDelegate.waitForCount(2));
    QCOMPARE(sidebarDelegate.calls,
             (QStringList{"contacts|" + carolEmail, "contacts|" + carolEmail}));
    QCOMPARE(pageDelegate.calls, QStringList{"found|" + carolEmail + "|" + carolEmail});
}

void TestMOContactsManager::destroyedFacadeCallsNothing()
{
    RecordingDelegate early;
    RecordingDelegate late;
    auto going = std::make_unique<MOContactsManager>();
    going->setDelegate(&early);
    MOContactsManager staying;
    staying.setDelegate(&late);

    // The first answer is on its way when its facade goes; a second one, asked for later and
    // answered later still, shows when the first would have arrived.
    QVERIFY(server.delay(contactsPath, 300));
    going->listContacts();
    QTRY_VERIFY(serverReceived(contactsPath));
    going.reset();
    QVERIFY(server.delay(contactsPath, 600));
    staying.listContacts();
    QVERIFY(late.waitForCount(1));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(early.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestMOContactsManager)

#include "tst_mocontactsmanager.moc"
