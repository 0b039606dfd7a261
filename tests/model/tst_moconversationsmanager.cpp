#include "kerlolocal.h"
#include "moconversation.h"
#include "moconversationsmanager.h"
#include "moconversationsmanagerdelegate.h"
#include "mojoininvitation.h"
#include "momessage.h"
#include "mouseraccount.h"
#include "socialsession.h"

#include <QMap>
#include <QUrlQuery>
#include <QtTest>

#include <memory>

namespace {

const QString boEmail = QStringLiteral("bo@kerlo.local");
const QString carolEmail = QStringLiteral("carol@kerlo.local");
const QString daveEmail = QStringLiteral("dave@kerlo.local");

QString ids(const QList<MOConversation> &conversations)
{
    QStringList list;
    for (const MOConversation &conversation : conversations)
        list.append(QString::number(conversation.identifier()));
    return list.join(QLatin1Char(','));
}

QString emails(const QList<MOUserAccount> &accounts, bool withStatus = false)
{
    QStringList list;
    for (const MOUserAccount &account : accounts)
        list.append(withStatus ? account.email() + ':' + QString::number(account.onlineStatus())
                               : account.email());
    return list.join(QLatin1Char(','));
}

// Writes each call as one line: what it was and what it carried. Keeps the invitations.
class RecordingDelegate
    : public QObject
    , public MOConversationsManagerDelegate
{
    Q_OBJECT
public:
    void
    conversationsManagerDidReceiveConversations(MOConversationsManager *,
                                                const QList<MOConversation> &conversations) override
    {
        record({"conversations", ids(conversations)});
    }
    void conversationsManagerDidReceiveMessagesForConversation(
        MOConversationsManager *, const QList<MOMessage> &messages,
        const MOConversation &conversation) override
    {
        QStringList bodies;
        for (const MOMessage &message : messages)
            bodies.append(message.body());
        record({"messages", QString::number(conversation.identifier()), bodies.join(',')});
    }
    void
    conversationsManagerDidReceiveUsersForConversation(MOConversationsManager *,
                                                       const QList<MOUserAccount> &users,
                                                       const MOConversation &conversation) override
    {
        record({"users", QString::number(conversation.identifier()), emails(users)});
    }
    void conversationsManagerDidStartConversation(MOConversationsManager *,
                                                  const MOConversation &conversation) override
    {
        record({"started", QString::number(conversation.identifier())});
    }
    void conversationsManagerDidFailStartingConversation(MOConversationsManager *,
                                                         const MOError &error) override
    {
        record({"startFailed", QString::number(error.code()), error.description()});
    }
    void conversationsManagerDidFailListingUsersForConversation(MOConversationsManager *,
                                                                qint64 conversationId,
                                                                const MOError &error) override
    {
        record({"usersFailed", QString::number(conversationId), QString::number(error.code())});
    }
    void
    conversationsManagerDidSendMessageForConversation(MOConversationsManager *,
                                                      const MOMessage &message,
                                                      const MOConversation &conversation) override
    {
        record({"sent", QString::number(conversation.identifier()), message.body(),
                message.messageId() ? "stored" : "no id"});
    }
    void conversationsManagerDidReceiveNewContacts(MOConversationsManager *,
                                                   const QList<MOUserAccount> &contacts) override
    {
        record({"contacts", emails(contacts)});
    }
    void conversationsManagerDidReceiveChangedStatusAccounts(
        MOConversationsManager *, const QList<MOUserAccount> &accounts) override
    {
        record({"statuses", emails(accounts, true)});
    }
    void conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *,
                                                      const MOJoinInvitation &invitation) override
    {
        invitations.insert(invitation.sender().email(), invitation);
        record({"invitation", invitation.sender().email()});
    }
    void conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *,
                                                     const MOJoinInvitation &invitation) override
    {
        record({"accepted", QString::number(invitation.identifier())});
    }
    void conversationsManagerDidFailAcceptingJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation,
                                                            const MOError &) override
    {
        record({"acceptFailed", QString::number(invitation.identifier())});
    }
    void conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *,
                                                      const MOJoinInvitation &invitation) override
    {
        record({"declined", QString::number(invitation.identifier())});
    }
    void conversationsManagerDidFailDecliningJoinInvitation(MOConversationsManager *,
                                                            const MOJoinInvitation &invitation,
                                                            const MOError &) override
    {
        record({"declineFailed", QString::number(invitation.identifier())});
    }

    // Takes the first call whose line starts with prefix and contains part, waiting for one
    // if need be; empty when none came.
    QString take(const QString &prefix, const QString &part = QString())
    {
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                for (int i = 0; i < calls.size(); ++i) {
                    if (calls.at(i).startsWith(prefix + '|') && calls.at(i).contains(part)) {
                        found = calls.takeAt(i);
                        return true;
                    }
                }
                return false;
            },
            20000);
        return found;
    }

    QStringList calls;
    QMap<QString, MOJoinInvitation> invitations;

private:
    void record(const QStringList &fields) { calls.append(fields.join(QLatin1Char('|'))); }
};

} // namespace

// The conversations facade against kerlo-local: the demo user chats with bo, and carol and
// dave ask to be the demo user's contacts.
class TestMOConversationsManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QVERIFY(server.reset()); }

    void everyDelegateCallFires();
    void messagePagesAskInWholeSeconds();
    void destroyedFacadeCallsNothing();

private:
    QList<QUrlQuery> queriesTo(const QString &path) const;

    KerloLocal server;
    qint64 chatId = 0;
};

void TestMOConversationsManager::initTestCase()
{
    QCOMPARE(SocialSession::start(&server, {boEmail, carolEmail, daveEmail}), QString());
}

QList<QUrlQuery> TestMOConversationsManager::queriesTo(const QString &path) const
{
    QList<QUrlQuery> queries;
    for (const QJsonValue &request : server.requests()) {
        if (request["path"].toString() == path)
            queries.append(QUrlQuery(request["query"].toString()));
    }
    return queries;
}

void TestMOConversationsManager::everyDelegateCallFires()
{
    MOConversationsManager manager;
    RecordingDelegate delegate;
    manager.setDelegate(&delegate);

    // Requests and their answers.
    const MOUserAccount bo = SocialSession::account(boEmail);
    QCOMPARE(bo.email(), boEmail);
    manager.startConversationWithUsers({bo}, QString());
    const QString started = delegate.take("started");
    QVERIFY(!started.isEmpty());
    chatId = started.section('|', 1).toLongLong();
    QVERIFY(chatId > 0);
    // A conversation with someone the service does not know is refused, and said so.
    manager.startConversationWithUsers({MOUserAccount()}, QStringLiteral("nobody"));
    QVERIFY(delegate.take("startFailed", "|404|Nobody has the e-mail address").size() > 0);
    manager.listConversations();
    QVERIFY(!delegate.take("conversations", QString::number(chatId)).isEmpty());
    manager.listUsersForConversationWithIdentifier(chatId);
    QVERIFY(delegate.take("users", boEmail).startsWith(QStringLiteral("users|%1|").arg(chatId)));
    // The people of a conversation that is not the user's are not listed, and that is said.
    manager.listUsersForConversationWithIdentifier(chatId + 1000);
    QCOMPARE(delegate.take("usersFailed"), QStringLiteral("usersFailed|%1|404").arg(chatId + 1000));

    QVERIFY(!server.postMessageAs(boEmail, chatId, QStringLiteral("hello")).isEmpty());
    manager.listMessagesOfConversationWithIdentifier(chatId, QDateTime(), 20);
    QCOMPARE(delegate.take("messages"), QStringLiteral("messages|%1|hello").arg(chatId));
    const QList<QUrlQuery> pages =
        queriesTo(QStringLiteral("/api/v1/conversations/%1/messages").arg(chatId));
    QCOMPARE(pages.size(), 1);
    QVERIFY(!pages.first().hasQueryItem("before"));

    MOMessage message;
    message.setBody(QStringLiteral("mine"));
    message.setSentAt(QDateTime::currentDateTimeUtc());
    manager.postMessage(message, chatId);
    QCOMPARE(delegate.take("sent"), QStringLiteral("sent|%1|mine|stored").arg(chatId));

    // News from the poll: a message, join invitations.
    manager.listenForConversationsNotifications();
    QVERIFY(!server.postMessageAs(boEmail, chatId, QStringLiteral("news")).isEmpty());
    QVERIFY(!delegate.take("messages", "news").isEmpty());
    QVERIFY(server.inviteContactAs(carolEmail, SocialSession::demoEmail).contains("id"));
    QVERIFY(server.inviteContactAs(daveEmail, SocialSession::demoEmail).contains("id"));
    QVERIFY(!delegate.take("invitation", carolEmail).isEmpty());
    QVERIFY(!delegate.take("invitation", daveEmail).isEmpty());

    // Id 0 lists every pending invitation.
    QVERIFY(server.clearRequests());
    delegate.invitations.clear();
    manager.listJoinInvitations(0);
    QVERIFY(!delegate.take("invitation", carolEmail).isEmpty());
    QVERIFY(!delegate.take("invitation", daveEmail).isEmpty());
    QCOMPARE(queriesTo("/api/v1/contacts/invites/0").size(), 1);

    const MOJoinInvitation fromCarol = delegate.invitations.value(carolEmail);
    const MOJoinInvitation fromDave = delegate.invitations.value(daveEmail);
    const QString carolId = QString::number(fromCarol.identifier());
    const QString daveId = QString::number(fromDave.identifier());
    manager.acceptInvitation(fromCarol);
    QCOMPARE(delegate.take("accepted"), "accepted|" + carolId);
    // A refusal is reported with the invitation the service names.
    manager.acceptInvitation(fromCarol);
    QCOMPARE(delegate.take("acceptFailed"), "acceptFailed|" + carolId);
    manager.declineInvitation(fromDave);
    QCOMPARE(delegate.take("declined"), "declined|" + daveId);
    manager.declineInvitation(fromDave);
    QCOMPARE(delegate.take("declineFailed"), "declineFailed|" + daveId);

    // Carol is a contact now, with a conversation of her own, and then comes online.
    QCOMPARE(delegate.take("contacts"), "contacts|" + carolEmail);
    const QString fresh = delegate.take("conversations");
    QVERIFY(!fresh.isEmpty());
    QVERIFY(!fresh.section('|', 1).split(',').contains(QString::number(chatId)));
    QVERIFY(server.setPresence(carolEmail, 1));
    QCOMPARE(delegate.take("statuses"), "statuses|" + carolEmail + ":1");
}

void TestMOConversationsManager::messagePagesAskInWholeSeconds()
{
    QVERIFY(chatId > 0);
    MOConversationsManager manager;
    const QString path = QStringLiteral("/api/v1/conversations/%1/messages").arg(chatId);
    manager.listMessagesOfConversationWithIdentifier(
        chatId, QDateTime::fromMSecsSinceEpoch(1900, Qt::UTC), 5);
    QTRY_COMPARE(queriesTo(path).size(), 1);
    QCOMPARE(queriesTo(path).first().queryItemValue("before"), QStringLiteral("1"));
    QCOMPARE(queriesTo(path).first().queryItemValue("limit"), QStringLiteral("5"));
}

void TestMOConversationsManager::destroyedFacadeCallsNothing()
{
    RecordingDelegate early;
    RecordingDelegate late;
    auto going = std::make_unique<MOConversationsManager>();
    going->setDelegate(&early);
    MOConversationsManager staying;
    staying.setDelegate(&late);

    // One request is never answered, the other is on its way when the facade goes; the
    // destructor returns all the same. A later request, answered later still, shows when the
    // second answer would have arrived.
    const QString conversationsPath = QStringLiteral("/api/v1/conversations");
    const QString usersPath = QStringLiteral("/api/v1/conversations/%1/users").arg(chatId);
    QVERIFY(server.hang(conversationsPath));
    QVERIFY(server.delay(usersPath, 300));
    going->listConversations();
    going->listUsersForConversationWithIdentifier(chatId);
    going->listenForConversationsNotifications();
    QTRY_VERIFY(queriesTo(conversationsPath).size() == 1 && queriesTo(usersPath).size() == 1);
    going.reset();

    QVERIFY(server.delay(usersPath, 600));
    staying.listUsersForConversationWithIdentifier(chatId);
    QVERIFY(!late.take("users").isEmpty());
    QVERIFY(early.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestMOConversationsManager)

#include "tst_moconversationsmanager.moc"
