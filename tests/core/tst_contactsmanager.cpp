#include "kerlolocal.h"
#include "mcontactsmanager.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

using TestData::demoEmail;
const QString plusEmail = QStringLiteral("c+x@kerlo.local");
const QString bobEmail = QStringLiteral("bob@kerlo.local");

QString emails(const QList<MUserAccount> &accounts)
{
    QStringList list;
    for (const MUserAccount &account : accounts)
        list.append(account.email());
    list.sort();
    return list.join(QLatin1Char(','));
}

} // namespace

// The contacts manager against kerlo-local, signed in as the demo user while other users act
// through the control API. What the manager reports is recorded as one line per signal or
// notification.
class TestContactsManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listSearchAndInvite();
    void answeredJoinInvitationsShowInContacts();
    void longListingsComeWholeAndInOrder();
    void statusBranches_data();
    void statusBranches();
    void nothingIsSentWhileSignedOut();

private:
    MUserAuthManager *auth() const { return core.auth(); }
    // Sends a contact-invitation answer as the signed-in user; returns the HTTP status.
    int answerInvitation(qint64 id, Tolvo::ObjectAction action);

    SignedInCore core;
    KerloLocal &server = core.server();
    MContactsManager *manager = nullptr;
    // Its count grows once the manager has handled a reply.
    std::unique_ptr<QSignalSpy> answers;
    QStringList events;
};

void TestContactsManager::initTestCase()
{
    QVERIFY(core.start());
    for (const QString &email : {plusEmail, bobEmail, QStringLiteral("carol@kerlo.local"),
                                 QStringLiteral("dave@kerlo.local")})
        QVERIFY(!server.createUser(email, QStringLiteral("secret")).isEmpty());
    QVERIFY(core.signIn());
}

void TestContactsManager::init()
{
    QVERIFY(server.reset());
    QCoreApplication::sendPostedEvents();
    events.clear();
    manager = new MContactsManager(this);
    answers = std::make_unique<QSignalSpy>(manager->findChild<MJsonRequestManager *>(),
                                           &MNetworkRequestManager::replyFinishedForRequest);
    const auto add = [this](const QStringList &fields) {
        events.append(fields.join('|'));
    };
    connect(manager, &MContactsManager::contactsReady, this,
            [add](const QList<MUserAccount> &contacts) {
                add({"ready", emails(contacts)});
            });
    connect(manager, &MContactsManager::contactsResult, this,
            [add](const QList<MUserAccount> &users, const QString &query) {
                add({"result", emails(users), query});
            });
    connect(manager, &MContactsManager::inviteSent, this, [add](const QString &email) {
        add({"sent", email});
    });
    connect(manager, &MContactsManager::newConnection, this, [add](const MUserAccount &account) {
        add({"connection", account.email()});
    });
    connect(manager, &MContactsManager::inviteFailed, this,
            [add](const QString &email, int status, const QString &reason) {
                add({"invitefail", email, QString::number(status), reason});
            });
    connect(manager, &MContactsManager::searchFailed, this,
            [add](const QString &query, int status, const QString &reason) {
                add({"searchfail", query, QString::number(status), reason});
            });
    connect(MNotificationManager::instance(), &MNotificationManager::notificationReady, manager,
            [add](const MNotification &note) {
                add({"note", QString::number(note.type()), QString::number(note.subtype()),
                     note.attribute(MNotification::Action).toString(), note.message()});
            });
}

void TestContactsManager::cleanup()
{
    answers.reset();
    delete manager;
    manager = nullptr;
}

int TestContactsManager::answerInvitation(qint64 id, Tolvo::ObjectAction action)
{
    MJsonRequestManager requests;
    QSignalSpy answered(&requests, &MJsonRequestManager::responseObjectReady);
    bool ok = false;
    requests.sendRequest(TolvoApp::instance()->createActionRequest(QVariantMap{{"id", id}}, action,
                                                                   QVariant(), &ok));
    if (!ok || !answered.wait())
        return 0;
    return answered.at(0).at(2).value<MNetworkReply>().statusCode();
}

void TestContactsManager::listSearchAndInvite()
{
    manager->listContacts();
    QVERIFY(answers->wait());
    // "+" is a character of the address, not an encoded space.
    manager->search(QStringLiteral("c+x"));
    QVERIFY(answers->wait());
    manager->search(QStringLiteral("nobody-is-called-this"));
    QVERIFY(answers->wait());
    manager->invite(bobEmail);
    QVERIFY(answers->wait());
    QCOMPARE(events,
             (QStringList{"ready|", "result|" + plusEmail + "|c+x", "result||nobody-is-called-this",
                          "sent|" + bobEmail, "connection|" + bobEmail}));

    QStringList queries;
    for (const QJsonValue &request : server.requests()) {
        if (request["path"].toString() == "/api/v1/contacts/search.json")
            queries.append(request["query"].toString());
    }
    QCOMPARE(queries.value(0), QStringLiteral("q=c%2Bx"));
}

void TestContactsManager::answeredJoinInvitationsShowInContacts()
{
    const qint64 accepted =
        server.inviteContactAs("carol@kerlo.local", demoEmail)["id"].toVariant().toLongLong();
    const qint64 declined =
        server.inviteContactAs("dave@kerlo.local", demoEmail)["id"].toVariant().toLongLong();
    QVERIFY(accepted > 0 && declined > 0);
    QCOMPARE(answerInvitation(accepted, Tolvo::AcceptContactInvitation), 200);
    QCOMPARE(answerInvitation(declined, Tolvo::DeclineContactInvitation), 200);

    manager->listContacts();
    QVERIFY(answers->wait());
    QCOMPARE(events, QStringList{"ready|carol@kerlo.local"});
}

void TestContactsManager::longListingsComeWholeAndInOrder()
{
    // Long listings are read on other threads, the longer second one maybe sooner: each comes
    // whole, in the order asked. The people of earlier cases stay listed too.
    const auto seed = [this](int count) {
        return server.control("POST", QStringLiteral("/social-seed"),
                              {{"email", demoEmail}, {"contact_count", count}}) == 200;
    };
    QList<QSet<QString>> listings;
    connect(manager, &MContactsManager::contactsReady, this,
            [&listings](const QList<MUserAccount> &contacts) {
                QSet<QString> seeded;
                for (const MUserAccount &account : contacts) {
                    if (account.email().endsWith(QLatin1String("@contacts.kerlo.local")))
                        seeded.insert(account.email());
                }
                listings.append(seeded);
            });
    const auto seededUpTo = [](int count) {
        QSet<QString> emails;
        for (int i = 1; i <= count; ++i)
            emails.insert(QStringLiteral("seed-%1@contacts.kerlo.local").arg(i));
        return emails;
    };
    // A sanitized build on a loaded machine reads 2,000 contacts in well over the spy's
    // default five seconds.
    QVERIFY(seed(200));
    manager->listContacts();
    QVERIFY(answers->wait(60000));
    QVERIFY(seed(2000));
    manager->listContacts();
    while (listings.size() < 2)
        QVERIFY(QSignalSpy(manager, &MContactsManager::contactsReady).wait(60000));
    QCOMPARE(listings, (QList<QSet<QString>>{seededUpTo(200), seededUpTo(2000)}));
}

void TestContactsManager::statusBranches_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected");

    // The service's own refusal, with its message, answers the invitation.
    QTest::newRow("invite unknown")
        << int(Tolvo::InviteContact) << "nobody@kerlo.local" << QString() << 0 << QByteArray()
        << QStringList{"invitefail|nobody@kerlo.local|404|Nobody has the e-mail address "
                       "nobody@kerlo.local"};
    QTest::newRow("search not found")
        << int(Tolvo::SearchContacts) << "zed"
        << "/api/v1/contacts/search.json" << 404
        << QByteArray(R"({"query": "zed", "errors": ["none"]})") << QStringList{"result||zed"};
    QTest::newRow("list not found")
        << int(Tolvo::ListContacts) << QString() << "/api/v1/contacts.json" << 404
        << QByteArray(R"({"errors": ["Gone away"]})") << QStringList{"note|3|0|23|Gone away"};
    QTest::newRow("not found without message")
        << int(Tolvo::ListContacts) << QString() << "/api/v1/contacts.json" << 404
        << QByteArray(R"({"errors": []})") << QStringList();
    // Whatever the answer holds, a failure names the address the user invited.
    QTest::newRow("server error") << int(Tolvo::InviteContact) << bobEmail
                                  << "/api/v1/contacts/invite.json" << 500
                                  << QByteArray(R"({"user": {"email": "x@y"}})")
                                  << QStringList{"invitefail|bob@kerlo.local|500|"};
    QTest::newRow("search failed")
        << int(Tolvo::SearchContacts) << "bob"
        << "/api/v1/contacts/search.json" << 503 << QByteArray(R"({"errors": ["Busy"]})")
        << QStringList{"searchfail|bob|503|Busy"};
    QTest::newRow("search unreadable")
        << int(Tolvo::SearchContacts) << "bob"
        << "/api/v1/contacts/search.json" << 500 << QByteArray("<html>")
        << QStringList{"searchfail|bob|500|"};
    QTest::newRow("undecodable") << int(Tolvo::ListContacts) << QString() << "/api/v1/contacts.json"
                                 << 200 << QByteArray("{not json") << QStringList();
}

void TestContactsManager::statusBranches()
{
    QFETCH(int, action);
    QFETCH(QString, argument);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);

    if (!path.isEmpty())
        QVERIFY(server.forceStatus(path, status, body));
    switch (action) {
    case Tolvo::ListContacts:
        manager->listContacts();
        break;
    case Tolvo::SearchContacts:
        manager->search(argument);
        break;
    default:
        manager->invite(argument);
    }
    QVERIFY(answers->wait());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(events, expected);
}

void TestContactsManager::nothingIsSentWhileSignedOut()
{
    QVERIFY(core.signOut());
    QVERIFY(server.clearRequests());
    manager->listContacts();
    manager->search(QStringLiteral("bob"));
    manager->invite(bobEmail);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(server.requests().size(), 0);
    QCOMPARE(events, QStringList());
}

QTEST_GUILESS_MAIN(TestContactsManager)
#include "tst_contactsmanager.moc"
