#include "mconversation.h"
#include "mdevice.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "msharelink.h"
#include "museraccount.h"
#include "socialrecordtypes.h"

#include <QJsonDocument>
#include <QSet>
#include <QThread>
#include <QtTest>

// Builds the records from JSON text, as the services decode their answers.
static QVariantMap parse(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad fixture: %s", qPrintable(error.errorString()));
    return document.toVariant().toMap();
}

static QDateTime utc(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toUTC();
}

// Keeps what a queued call delivered.
class Receiver : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void take(const MConversationList &conversations,
                          const QList<MUserAccount> &accounts, const QList<MMessage> &messages,
                          const MShareLink &link, const MJoinInvitation &invitation)
    {
        ids = {conversations.value(0).identifier(), accounts.value(0).id(),
               messages.value(0).messageId(), invitation.identifier()};
        token = link.token();
        thread = QThread::currentThread();
    }
    Q_INVOKABLE void sync() {}

    QList<qint64> ids;
    QString token;
    QThread *thread = nullptr;
};

class tst_SocialRecords : public QObject
{
    Q_OBJECT
private slots:
    void accountFromServiceObject();
    void accountId_data();
    void accountId();
    void accountToleratesMissingAndMistypedFields();
    void accountEquality_data();
    void accountEquality();
    void deviceFromServiceObject();
    void conversationFromServiceObject();
    void conversationWithoutOptionalKeys();
    void messageFromServiceObject();
    void messageEqualityAndHash();
    void shareLinkFromServiceObject();
    void joinInvitationFromServiceObject();
    void dates_data();
    void dates();
    void copiesAreIndependent();
    void recordsCrossThreadsInQueuedCalls();
};

void tst_SocialRecords::accountFromServiceObject()
{
    const MUserAccount account(parse(R"({
        "user_id": 12, "id": 3000000001, "email": "ana.ferreira@example.org",
        "first_name": "Ana", "last_name": "Ferreira",
        "used_size": 5368709120, "total_size": 107374182400,
        "avatar": {"url": "https://cdn.kerlo.example/avatars/ana 1.png", "size": 64},
        "conversation": {"id": 77, "token": "c77", "main": true,
                         "users": {"3000000001": {"id": 3000000001}, "8": {"id": 8}}},
        "online_status": 2, "linked_providers": ["nimbus", "stratus"]})"));

    QCOMPARE(account.id(), Q_INT64_C(3000000001));
    QCOMPARE(account.email(), QString("ana.ferreira@example.org"));
    QCOMPARE(account.firstName(), QString("Ana"));
    QCOMPARE(account.lastName(), QString("Ferreira"));
    QCOMPARE(account.usedSize(), Q_INT64_C(5368709120));
    QCOMPARE(account.totalSize(), Q_INT64_C(107374182400));
    QCOMPARE(account.avatarUrl().toEncoded(),
             QByteArray("https://cdn.kerlo.example/avatars/ana%201.png"));
    QCOMPARE(account.onlineStatus(), 2);
    QCOMPARE(account.linkedProviders(), QStringList({"nimbus", "stratus"}));
    const MConversation conversation = account.mainConversation();
    QCOMPARE(conversation.identifier(), Q_INT64_C(77));
    QVERIFY(conversation.isMain());
    QCOMPARE(conversation.participants().size(), 2);
}

void tst_SocialRecords::accountId_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<qint64>("id");
    QTest::newRow("id wins over user_id") << QByteArray(R"({"user_id": 5, "id": 7})") << qint64(7);
    QTest::newRow("user_id alone") << QByteArray(R"({"user_id": 5})") << qint64(5);
    QTest::newRow("null id keeps user_id")
        << QByteArray(R"({"user_id": 5, "id": null})") << qint64(5);
    QTest::newRow("null user_id") << QByteArray(R"({"user_id": null})") << qint64(-1);
    QTest::newRow("neither") << QByteArray("{}") << qint64(-1);
    QTest::newRow("beyond 32 bits") << QByteArray(R"({"id": 3000000000})") << Q_INT64_C(3000000000);
    QTest::newRow("numeric text") << QByteArray(R"({"id": "42"})") << qint64(42);
    QTest::newRow("unreadable id keeps user_id")
        << QByteArray(R"({"user_id": 5, "id": "abc"})") << qint64(5);
    QTest::newRow("beyond 64 bits") << QByteArray(R"({"id": 1e20})") << qint64(-1);
    QTest::newRow("boolean") << QByteArray(R"({"id": true})") << qint64(-1);
}

void tst_SocialRecords::accountId()
{
    QFETCH(QByteArray, json);
    QFETCH(qint64, id);
    QCOMPARE(MUserAccount(parse(json)).id(), id);
}

void tst_SocialRecords::accountToleratesMissingAndMistypedFields()
{
    const MUserAccount onlyEmail(parse(R"({"email": "bo@example.org"})"));
    QCOMPARE(onlyEmail.usedSize(), qint64(0));
    QCOMPARE(onlyEmail.totalSize(), qint64(0));
    QCOMPARE(onlyEmail.id(), qint64(-1));
    QCOMPARE(onlyEmail.onlineStatus(), 0);
    QVERIFY(onlyEmail.linkedProviders().isEmpty());
    QCOMPARE(onlyEmail.mainConversation().identifier(), qint64(0));
    QVERIFY(onlyEmail.mainConversation().participants().isEmpty());

    for (const char *avatar : {R"({"size": 64})", "null", R"("https://x.example/a.png")", "[1]"})
        QVERIFY(
            MUserAccount(parse(QByteArray(R"({"avatar": )") + avatar + "}")).avatarUrl().isEmpty());

    const MUserAccount mistyped(parse(R"({
        "email": {"address": "x"}, "first_name": null, "used_size": "lots",
        "total_size": -1e300, "online_status": 4294967297, "linked_providers": null,
        "conversation": "none"})"));
    QVERIFY(mistyped.email().isNull());
    QVERIFY(mistyped.firstName().isEmpty());
    QCOMPARE(mistyped.usedSize(), qint64(0));
    QCOMPARE(mistyped.totalSize(), qint64(0));
    QCOMPARE(mistyped.onlineStatus(), 0);
    QVERIFY(mistyped.linkedProviders().isEmpty());
    QCOMPARE(mistyped.mainConversation().identifier(), qint64(0));
}

void tst_SocialRecords::accountEquality_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<bool>("equal");
    QTest::newRow("same id, other e-mail")
        << QByteArray(R"({"id": 3, "email": "a@x.org"})")
        << QByteArray(R"({"id": 3, "email": "b@x.org"})") << true;
    QTest::newRow("other id, same e-mail")
        << QByteArray(R"({"id": 3, "email": "a@x.org"})")
        << QByteArray(R"({"id": 4, "email": "a@x.org"})") << false;
    QTest::newRow("one id unknown, same e-mail") << QByteArray(R"({"id": 3, "email": "a@x.org"})")
                                                 << QByteArray(R"({"email": "a@x.org"})") << true;
    QTest::newRow("e-mails differ in case")
        << QByteArray(R"({"email": "A@x.org"})") << QByteArray(R"({"email": "a@x.org"})") << false;
}

void tst_SocialRecords::accountEquality()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(bool, equal);
    QCOMPARE(MUserAccount(parse(left)) == MUserAccount(parse(right)), equal);
    QCOMPARE(MUserAccount(parse(right)) == MUserAccount(parse(left)), equal);
}

void tst_SocialRecords::deviceFromServiceObject()
{
    const MDevice device(parse(R"({
        "id": 4000000000, "name": "ana-laptop", "uuid": "8f14e45f-ceea-467f-a0e6-0b5d1f5a2f11",
        "trusted": true, "created_at": "2023-11-02T08:15:00Z",
        "updated_at": "2024-05-01T10:00:00Z", "user_id": 3000000001})"));
    QCOMPARE(device.id(), Q_INT64_C(4000000000));
    QCOMPARE(device.name(), QString("ana-laptop"));
    QCOMPARE(device.uuid(), QString("8f14e45f-ceea-467f-a0e6-0b5d1f5a2f11"));
    QVERIFY(device.isTrusted());
    QCOMPARE(device.createdAt(), utc("2023-11-02T08:15:00Z"));
    QCOMPARE(device.updatedAt(), utc("2024-05-01T10:00:00Z"));
    QCOMPARE(device.userId(), Q_INT64_C(3000000001));

    // The service leaves "trusted" out for untrusted devices.
    const MDevice empty(QVariantMap{});
    QCOMPARE(empty.id(), qint64(0));
    QVERIFY(empty.name().isNull());
    QVERIFY(empty.uuid().isNull());
    QVERIFY(!empty.isTrusted());
    QVERIFY(empty.createdAt().isNull());
    QCOMPARE(empty.userId(), qint64(0));
    QVERIFY(MDevice().isTrusted());
}

void tst_SocialRecords::conversationFromServiceObject()
{
    // Participants come in the order of the member names as text, not as numbers and not
    // as written.
    const MConversation conversation(parse(R"({
        "id": 2147483648, "token": "k2Vq", "name": "Trip planning",
        "created_at": "2024-04-30T18:00:00+02:00", "updated_at": "2024-05-01T09:30:00Z",
        "users": {"9": {"id": 9, "email": "nine@x.org"}, "b": {"email": "b@x.org"},
                  "10": {"id": 10, "email": "ten@x.org"}},
        "main": false, "group": true})"));
    QCOMPARE(conversation.identifier(), Q_INT64_C(2147483648));
    QCOMPARE(conversation.token(), QString("k2Vq"));
    QCOMPARE(conversation.name(), QString("Trip planning"));
    QCOMPARE(conversation.createdAt(), utc("2024-04-30T16:00:00Z"));
    QCOMPARE(conversation.updatedAt(), utc("2024-05-01T09:30:00Z"));
    QVERIFY(conversation.isGroup());
    QVERIFY(!conversation.isMain());
    QStringList emails;
    for (const MUserAccount &user : conversation.participants())
        emails << user.email();
    QCOMPARE(emails, QStringList({"ten@x.org", "nine@x.org", "b@x.org"}));
}

void tst_SocialRecords::conversationWithoutOptionalKeys()
{
    const MConversation bare(parse(R"({"id": 5, "token": "t"})"));
    QVERIFY(bare.name().isNull());
    QVERIFY(bare.participants().isEmpty());
    QVERIFY(!bare.isMain());
    QVERIFY(!bare.isGroup());

    for (const char *users : {"[{\"id\": 1}]", "null", "\"1,2\""})
        QVERIFY(MConversation(parse(QByteArray(R"({"users": )") + users + "}"))
                    .participants()
                    .isEmpty());
}

void tst_SocialRecords::messageFromServiceObject()
{
    const MMessage message(parse(R"({
        "id": 5000000000, "body": "See you at 8?", "created_at": "2024-05-01T10:00:01Z",
        "sent_at": "2024-05-01T10:00:00.250Z", "conversation": {"id": 77, "token": "c77"},
        "sender": {"id": 8, "email": "eight@x.org"}})"));
    QCOMPARE(message.messageId(), Q_INT64_C(5000000000));
    QCOMPARE(message.body(), QString("See you at 8?"));
    QCOMPARE(message.createdAt(), utc("2024-05-01T10:00:01Z"));
    QCOMPARE(message.sentAt().toMSecsSinceEpoch() % 1000, qint64(250));
    QCOMPARE(message.conversation().token(), QString("c77"));
    // The conversations service sets the sender itself.
    QCOMPARE(message.sender().id(), qint64(-1));

    for (const char *json : {R"({"id": 1})", R"({"id": 1, "conversation": null})",
                             R"({"id": 1, "conversation": [77]})"})
        QCOMPARE(MMessage(parse(json)).conversation().identifier(), qint64(0));
}

void tst_SocialRecords::messageEqualityAndHash()
{
    const QByteArray unsent = R"({"body": "hi", "conversation": {"id": 3}})";
    const MMessage draft(parse(unsent));
    QVERIFY(!(draft == MMessage(parse(unsent))));
    MMessage draftCopy = draft;
    QVERIFY(draftCopy == draft);
    QCOMPARE(qHash(draftCopy), qHash(draft));

    const uint before = qHash(draft);
    draftCopy.setBody("hi there");
    QVERIFY(!(draftCopy == draft));
    QCOMPARE(qHash(draft), before);
    QVERIFY(qHash(draftCopy) != before);

    // The same message from two answers: once pending, once stored with its own times.
    const MMessage first(parse(R"({"id": 42, "body": "a", "sent_at": "2024-05-01T10:00:00Z"})"));
    const MMessage second(parse(R"({"id": 42, "body": "b", "sent_at": "2024-05-01T11:00:00Z"})"));
    QVERIFY(first == second);
    QCOMPARE(qHash(first), qHash(second));
    QCOMPARE(QSet<MMessage>({first, second, draft}).size(), 2);
    QVERIFY(!(first == MMessage(parse(R"({"id": 43, "body": "a"})"))));
    QVERIFY(!(first == draft));
}

void tst_SocialRecords::shareLinkFromServiceObject()
{
    const MShareLink link(parse(R"({
        "path": "/Photos/2024/beach.jpg", "token": "Zx81", "visit_count": 3000000000,
        "public": true, "expires_in": 72, "revoked_at": null,
        "created_at": "2024-05-01T10:00:00Z", "updated_at": "2024-05-02T10:00:00Z",
        "public_uri": "https://kerlo.example/s/Zx81"})"));
    QCOMPARE(link.filePath(), QString("/Photos/2024/beach.jpg"));
    QCOMPARE(link.token(), QString("Zx81"));
    QCOMPARE(link.visitCount(), Q_INT64_C(3000000000));
    QVERIFY(link.isPublic());
    QCOMPARE(link.expiresIn(), qint64(72));
    QVERIFY(link.revokedAt().isNull());
    QCOMPARE(link.createdAt(), utc("2024-05-01T10:00:00Z"));
    QCOMPARE(link.updatedAt(), utc("2024-05-02T10:00:00Z"));
    QCOMPARE(link.publicUri(), QString("https://kerlo.example/s/Zx81"));

    const MShareLink bare(parse(R"({"path": "/a"})"));
    QVERIFY(!bare.isPublic());
    QCOMPARE(bare.expiresIn(), qint64(0));
    QVERIFY(bare.revokedAt().isNull());

    QVERIFY(link == MShareLink(parse(R"({"path": "/elsewhere", "token": "Zx81"})")));
    QVERIFY(!(link == MShareLink(parse(R"({"token": "zx81"})"))));
    QVERIFY(bare == MShareLink(parse(R"({"path": "/b"})")));
}

void tst_SocialRecords::joinInvitationFromServiceObject()
{
    const MJoinInvitation invitation(parse(R"({
        "id": 9, "sender": {"id": 8, "email": "eight@x.org", "first_name": "Eight"},
        "created_at": "2024-05-01T10:00:00Z", "accepted_at": null,
        "revoked_at": null, "rejected_at": "2024-05-03T12:00:00Z"})"));
    QCOMPARE(invitation.identifier(), qint64(9));
    QCOMPARE(invitation.sender().id(), qint64(8));
    QCOMPARE(invitation.sender().firstName(), QString("Eight"));
    QCOMPARE(invitation.createdAt(), utc("2024-05-01T10:00:00Z"));
    QVERIFY(invitation.acceptedAt().isNull());
    QVERIFY(invitation.revokedAt().isNull());
    QCOMPARE(invitation.rejectedAt(), utc("2024-05-03T12:00:00Z"));

    for (const char *json : {R"({"id": 9})", R"({"id": 9, "sender": null})"}) {
        const MJoinInvitation bare(parse(json));
        QCOMPARE(bare.identifier(), qint64(9));
        QCOMPARE(bare.sender().id(), qint64(-1));
        QVERIFY(bare.sender().email().isNull());
        QVERIFY(bare.createdAt().isNull() && bare.acceptedAt().isNull());
        QVERIFY(bare.revokedAt().isNull() && bare.rejectedAt().isNull());
        QVERIFY(bare == invitation);
    }
    QVERIFY(!(invitation == MJoinInvitation(parse(R"({"id": 10})"))));
}

void tst_SocialRecords::dates_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("UTC") << QByteArray(R"("2024-05-01T10:00:00Z")")
                         << QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
    QTest::newRow("offset") << QByteArray(R"("2024-05-01T12:00:00.500+02:00")")
                            << QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0, 500), Qt::UTC);
    QTest::newRow("empty") << QByteArray(R"("")") << QDateTime();
    QTest::newRow("not a date") << QByteArray(R"("yesterday")") << QDateTime();
    QTest::newRow("seconds") << QByteArray("1714557600") << QDateTime();
    QTest::newRow("null") << QByteArray("null") << QDateTime();
    QTest::newRow("object") << QByteArray(R"({"at": "2024-05-01T10:00:00Z"})") << QDateTime();
}

void tst_SocialRecords::dates()
{
    QFETCH(QByteArray, value);
    QFETCH(QDateTime, expected);
    const MShareLink link(parse(R"({"created_at": )" + value + "}"));
    QCOMPARE(link.createdAt().isNull(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(link.createdAt().toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
}

void tst_SocialRecords::copiesAreIndependent()
{
    const MConversation main(parse(R"({"id": 77, "main": true})"));
    MUserAccount account(parse(R"({"id": 8, "email": "eight@x.org", "conversation": {"id": 1}})"));
    MUserAccount accountCopy = account;
    accountCopy.setMainConversation(main);
    accountCopy.setOnlineStatus(1);
    QCOMPARE(account.mainConversation().identifier(), qint64(1));
    QCOMPARE(account.onlineStatus(), 0);
    QCOMPARE(accountCopy.mainConversation().identifier(), qint64(77));
    QCOMPARE(accountCopy.email(), account.email());

    const MConversation conversation(parse(R"({
        "id": 5, "token": "t5", "created_at": "2024-05-01T10:00:00Z", "main": true,
        "users": {"1": {"id": 1}}})"));
    MConversation renamed = conversation;
    renamed.setName("Renamed");
    renamed.setIsGroup(true);
    QVERIFY(conversation.name().isNull());
    QVERIFY(!conversation.isGroup());
    QCOMPARE(renamed.name(), QString("Renamed"));
    QCOMPARE(renamed.identifier(), qint64(5));
    QCOMPARE(renamed.token(), QString("t5"));
    QCOMPARE(renamed.createdAt(), conversation.createdAt());
    QCOMPARE(renamed.participants().size(), 1);
    QVERIFY(renamed.isMain());

    const MMessage message(parse(R"({"id": 4, "body": "a", "sent_at": "2024-05-01T10:00:00Z"})"));
    MMessage edited = message;
    edited.setBody("b");
    edited.setSender(account);
    QCOMPARE(message.body(), QString("a"));
    QCOMPARE(message.sender().id(), qint64(-1));
    QCOMPARE(edited.sentAt(), message.sentAt());

    const MShareLink link(parse(R"({"token": "t"})"));
    MShareLink revoked = link;
    revoked.setRevokedAt(utc("2024-05-02T10:00:00Z"));
    QVERIFY(link.revokedAt().isNull());
}

void tst_SocialRecords::recordsCrossThreadsInQueuedCalls()
{
    // Signals and variants of other threads look the records up by these names.
    registerSocialRecordTypes();
    registerSocialRecordTypes();
    for (const char *name :
         {"MUserAccount", "QList<MUserAccount>", "MConversation", "MConversationList", "MMessage",
          "QList<MMessage>", "MShareLink", "MJoinInvitation"})
        QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);

    QThread worker;
    Receiver receiver;
    receiver.moveToThread(&worker);
    worker.start();

    const bool queued =
        QMetaObject::invokeMethod(&receiver, "take", Qt::QueuedConnection,
                                  Q_ARG(MConversationList, {MConversation(parse(R"({"id": 3})"))}),
                                  Q_ARG(QList<MUserAccount>, {MUserAccount(parse(R"({"id": 8})"))}),
                                  Q_ARG(QList<MMessage>, {MMessage(parse(R"({"id": 42})"))}),
                                  Q_ARG(MShareLink, MShareLink(parse(R"({"token": "t"})"))),
                                  Q_ARG(MJoinInvitation, MJoinInvitation(parse(R"({"id": 9})"))));
    QMetaObject::invokeMethod(&receiver, "sync", Qt::BlockingQueuedConnection);
    worker.quit();
    QVERIFY(worker.wait());

    QVERIFY(queued);
    QCOMPARE(receiver.thread, &worker);
    QCOMPARE(receiver.ids, QList<qint64>({3, 8, 42, 9}));
    QCOMPARE(receiver.token, QString("t"));
}

QTEST_GUILESS_MAIN(tst_SocialRecords)
#include "tst_socialrecords.moc"
