#include "kerlolocal.h"
#include "testdata.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QTest>

#include <httplib.h>

namespace {

using TestData::clientCredential;

struct Reply
{
    int status = 0; // 0: no HTTP response
    QByteArray body;
    const QJsonObject json; // const: lookups then give values, never references
    std::string contentType;
};

// One signed-in client: a user on one device.
struct Client
{
    QString email;
    QString apiKey;
    QString accessToken;
    std::string userAgent;
    qint64 id = 0;
};

QByteArray pngBytes(Qt::GlobalColor color)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QStringList values(const QJsonValue &list, const char *key)
{
    QStringList found;
    for (const QJsonValue &item : list.toArray())
        found.append(item[QLatin1String(key)].toVariant().toString());
    return found;
}

} // namespace

class TestKerloLocalSocial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void contacts();
    void search_data();
    void search();
    void collaborations();
    void providerFiles();
    void conversations();
    void actingAsAnotherUser();
    void avatars();
    void refusals_data();
    void refusals();
    void persistence();
    void socialSeed();

private:
    Reply send(const Client &client, const char *method, const QByteArray &target,
               const QByteArray &payload = {}, const std::string &contentType = "application/json",
               const httplib::Headers &extra = {});
    Reply get(const Client &client, const QByteArray &target);
    Reply post(const Client &client, const QByteArray &target, const QJsonObject &json = {});
    Client signIn(const QString &email, const QByteArray &uuid);
    Client newUser(const QByteArray &uuid = "0123456789abcdef0123456789abcdef");
    // Makes two users contacts; returns their main conversation's id.
    qint64 befriend(const Client &a, const Client &b);

    KerloLocal server;
    int userCount = 0;
};

void TestKerloLocalSocial::initTestCase()
{
    QVERIFY(server.start());
    QVERIFY(
        !server
             .createUser("ann+lee@example.org", "pw", {{"first_name", "Ann"}, {"last_name", "Lee"}})
             .isEmpty());
}

void TestKerloLocalSocial::cleanupTestCase()
{
    // Under the sanitizers a leak or a fault in any handler shows as an unclean exit.
    server.stop();
    QVERIFY(server.exitedCleanly());
}

Reply TestKerloLocalSocial::send(const Client &client, const char *method, const QByteArray &target,
                                 const QByteArray &payload, const std::string &contentType,
                                 const httplib::Headers &extra)
{
    httplib::Client http(server.baseUrl().toString().toStdString());
    http.set_url_encode(false);
    httplib::Headers headers{{"Authorization", "Bearer " + client.accessToken.toStdString()},
                             {"M-Auth-Token", client.apiKey.toStdString()},
                             {"User-Agent", client.userAgent}};
    headers.insert(extra.begin(), extra.end());
    const httplib::Result result =
        qstrcmp(method, "GET") == 0
            ? http.Get(target.toStdString(), headers)
            : http.Post(target.toStdString(), headers, payload.toStdString(), contentType);
    if (!result)
        return {};
    const QByteArray body = QByteArray::fromStdString(result->body);
    return {result->status, body, QJsonDocument::fromJson(body).object(),
            result->get_header_value("Content-Type")};
}

Reply TestKerloLocalSocial::get(const Client &client, const QByteArray &target)
{
    return send(client, "GET", "/api/v1" + target);
}

Reply TestKerloLocalSocial::post(const Client &client, const QByteArray &target,
                                 const QJsonObject &json)
{
    return send(client, "POST", "/api/v1" + target, QJsonDocument(json).toJson());
}

Client TestKerloLocalSocial::signIn(const QString &email, const QByteArray &uuid)
{
    Client client;
    client.email = email;
    client.userAgent =
        "os: Debian GNU/Linux 12; name: social-test; uuid: " + uuid.toStdString() + ";";
    const KerloLocal::Tokens tokens =
        server.signInOverHttp(email, QStringLiteral("pw"), client.userAgent, clientCredential);
    client.apiKey = tokens.apiKey;
    client.accessToken = tokens.accessToken;
    if (client.accessToken.isEmpty())
        return client;
    client.id = qint64(get(client, "/me.json").json["user"]["id"].toDouble());
    return client;
}

Client TestKerloLocalSocial::newUser(const QByteArray &uuid)
{
    const QString email = QStringLiteral("person%1@example.org").arg(++userCount);
    if (server.createUser(email, "pw", {{"first_name", "Person"}, {"last_name", email.left(7)}})
            .isEmpty())
        return {};
    return signIn(email, uuid);
}

qint64 TestKerloLocalSocial::befriend(const Client &a, const Client &b)
{
    const QJsonObject invite = server.inviteContactAs(a.email, b.email);
    const Reply accepted =
        post(b, "/contacts/invites/" + QByteArray::number(invite["id"].toInt()) + "/accept",
             {{"id", invite["id"]}});
    if (accepted.status != 200)
        return 0;
    for (const QJsonValue &contact : get(a, "/contacts.json").json["contacts"].toArray()) {
        if (contact["id"].toInt() == b.id)
            return qint64(contact["conversation"]["id"].toDouble());
    }
    return 0;
}

void TestKerloLocalSocial::contacts()
{
    const Client ann = newUser();
    const Client bob = newUser();
    const Client bobLaptop = signIn(bob.email, "ffffffffffffffffffffffffffffffff");
    QVERIFY(ann.id > 0 && bob.id > 0 && bobLaptop.id == bob.id);

    const Reply invited = post(ann, "/contacts/invite.json", {{"email", bob.email}});
    QCOMPARE(invited.status, 200);
    QCOMPARE(invited.json["user"]["email"].toString(), bob.email);
    // Inviting again keeps the one pending invitation.
    QCOMPARE(post(ann, "/contacts/invite.json", {{"email", bob.email}}).status, 200);

    // The news poll hands the invitation to each of Bob's clients once.
    const Reply news = get(bob, "/conversations/notifications");
    QCOMPARE(news.status, 200);
    const QJsonArray invites = news.json["invites"].toArray();
    QCOMPARE(invites.size(), 1);
    QCOMPARE(invites[0]["sender"]["email"].toString(), ann.email);
    QVERIFY(invites[0]["accepted_at"].isNull());
    QVERIFY(get(bob, "/conversations/notifications").json["invites"].toArray().isEmpty());
    QCOMPARE(get(bobLaptop, "/conversations/notifications").json["invites"].toArray().size(), 1);

    // 0 lists the pending ones; an id lists that one.
    const QByteArray id = QByteArray::number(invites[0]["id"].toInt());
    QCOMPARE(values(get(bob, "/contacts/invites/0?id=0").json["invites"], "id"), QStringList{id});
    QCOMPARE(values(get(ann, "/contacts/invites/" + id + "?id=" + id).json["invites"], "id"),
             QStringList{id});
    // Only the recipient answers.
    QCOMPARE(post(ann, "/contacts/invites/" + id + "/accept", {{"id", id.toInt()}}).status, 404);

    const Reply accepted = post(bob, "/contacts/invites/" + id + "/accept", {{"id", id.toInt()}});
    QCOMPARE(accepted.status, 200);
    QVERIFY(!accepted.json["invite"]["accepted_at"].isNull());
    const Reply again = post(bob, "/contacts/invites/" + id + "/decline", {{"id", id.toInt()}});
    QCOMPARE(again.status, 409);
    QVERIFY(!again.json["errors"][0].toString().isEmpty());
    QCOMPARE(again.json["invite"]["id"].toInt(), id.toInt());
    QVERIFY(get(bob, "/contacts/invites/0?id=0").json["invites"].toArray().isEmpty());

    // Both see each other, with their main conversation.
    const QJsonArray annContacts = get(ann, "/contacts.json").json["contacts"].toArray();
    const QJsonArray bobContacts = get(bob, "/contacts.json").json["contacts"].toArray();
    QCOMPARE(values(annContacts, "email"), QStringList{bob.email});
    QCOMPARE(values(bobContacts, "email"), QStringList{ann.email});
    QVERIFY(annContacts[0]["conversation"]["main"].toBool());
    QCOMPARE(annContacts[0]["conversation"]["id"], bobContacts[0]["conversation"]["id"]);
    QCOMPARE(post(ann, "/contacts/invite.json", {{"email", bob.email}}).status, 409);

    // The laptop learns of the new contact once; presence changes then come as statuses.
    QCOMPARE(values(get(bobLaptop, "/conversations/notifications").json["contacts"], "email"),
             QStringList{ann.email});
    QVERIFY(server.setPresence(ann.email, 1));
    const Reply status = get(bobLaptop, "/conversations/notifications");
    QVERIFY(status.json["contacts"].toArray().isEmpty());
    QCOMPARE(values(status.json["statuses"], "online_status"), QStringList{"1"});
    QVERIFY(get(bobLaptop, "/conversations/notifications").json["statuses"].toArray().isEmpty());

    // A declined invitation makes no contact.
    const Client cat = newUser();
    const QJsonObject declined = server.inviteContactAs(cat.email, ann.email);
    QCOMPARE(post(ann,
                  "/contacts/invites/" + QByteArray::number(declined["id"].toInt()) + "/decline",
                  {{"id", declined["id"]}})
                 .status,
             200);
    QCOMPARE(values(get(ann, "/contacts.json").json["contacts"], "email"), QStringList{bob.email});
}

void TestKerloLocalSocial::search_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<bool>("found");
    QTest::newRow("e-mail with +") << QByteArray("ann%2Blee%40example.org") << true;
    QTest::newRow("any case") << QByteArray("ANN%2BLEE") << true;
    QTest::newRow("full name") << QByteArray("Ann%20Lee") << true;
    QTest::newRow("+ is not a space") << QByteArray("ann%20lee%40") << false;
    QTest::newRow("nobody") << QByteArray("zzz") << false;
}

void TestKerloLocalSocial::search()
{
    QFETCH(QByteArray, query);
    QFETCH(bool, found);
    const Client seeker = newUser();

    const Reply reply = get(seeker, "/contacts/search.json?q=" + query);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json["query"].toString(), QUrl::fromPercentEncoding(query));
    QCOMPARE(values(reply.json["users"], "email"),
             found ? QStringList{"ann+lee@example.org"} : QStringList());
}

void TestKerloLocalSocial::collaborations()
{
    const Client ann = newUser();
    const Client bob = newUser();
    const qint64 conversation = befriend(ann, bob);
    QVERIFY(conversation > 0);
    const QJsonObject source = server.seedFile(ann.email, "/Docs/a.txt", "alpha");
    QVERIFY(!source.isEmpty());
    const QString cursor = get(bob, "/objects/list").json["cursor"].toString();

    const auto offer = [&] {
        return post(ann, "/invites/invite.json",
                    {{"conversation_id", conversation},
                     {"object", "/Docs/a.txt"},
                     {"created_at", "2014-05-01T10:20:30.123"}})
            .json["transfer_invitation"]
            .toObject();
    };
    const QJsonObject sent = offer();
    const QByteArray token = sent["token"].toString().toUtf8();
    QVERIFY(!token.isEmpty());
    QCOMPARE(sent["recipient"]["email"].toString(), bob.email);
    QCOMPARE(sent["sender"]["email"].toString(), ann.email);
    QCOMPARE(sent["conversation"]["id"].toInt(), conversation);
    QCOMPARE(sent["source_object"]["hash"], source["hash"]);
    QVERIFY(sent["destination_object"].isNull() && sent["accepted_at"].isNull());

    // The received poll gives it, then moves past it.
    const Reply received = get(bob, "/invites/received.json?limit=1000&wait=false");
    QCOMPARE(values(received.json["invites"], "token"), QStringList{token});
    const QByteArray next = received.json["token"].toString().toUtf8();
    QVERIFY(get(bob, "/invites/received.json?limit=1000&token=" + next + "&wait=true")
                .json["invites"]
                .toArray()
                .isEmpty());

    // Accepting copies the file into Bob's store, journalled.
    const Reply accepted =
        post(bob, "/invites/" + token + "/accept.json",
             {{"destination_path", "/Files From Ann/a.txt"}, {"token", QString(token)}});
    QCOMPARE(accepted.status, 200);
    QCOMPARE(accepted.json["object"]["hash"], source["hash"]);
    QCOMPARE(accepted.json["object"]["base_path"].toString(), QString("/Files From Ann"));
    QCOMPARE(accepted.json["invite"]["destination_object"], accepted.json["object"]);
    QCOMPARE(get(bob, "/objects/metadata/Files%20From%20Ann/a.txt").json["object"]["size"].toInt(),
             5);
    QCOMPARE(values(get(bob, "/objects/delta/" + cursor.toUtf8()).json["updates"], "path"),
             QStringList({"/Files From Ann", "/Files From Ann/a.txt"}));
    const Reply twice = post(bob, "/invites/" + token + "/accept.json",
                             {{"destination_path", "/b.txt"}, {"token", QString(token)}});
    QCOMPARE(twice.status, 403);
    QCOMPARE(twice.json["type"].toString(), QString("already_accepted"));
    QCOMPARE(twice.json["invite"]["token"].toString(), QString(token));
    QCOMPARE(values(get(bob, "/invites/received.json?limit=1000&token=" + next).json["invites"],
                    "token"),
             QStringList{token});

    // A rejection and a revocation reach Ann through the sent-changes poll, each once.
    QVERIFY(!get(ann, "/invites/notifications/sent.json").json["invites"].toArray().isEmpty());
    const QByteArray rejected = offer()["token"].toString().toUtf8();
    const QByteArray revoked = offer()["token"].toString().toUtf8();
    QVERIFY(!post(bob, "/invites/" + rejected + "/reject.json")
                 .json["transfer_invitation"]["rejected_at"]
                 .isNull());
    QVERIFY(!post(ann, "/invites/" + revoked + "/reject.json")
                 .json["transfer_invitation"]["revoked_at"]
                 .isNull());
    QCOMPARE(post(bob, "/invites/" + revoked + "/accept.json", {{"destination_path", "/r.txt"}})
                 .json["type"]
                 .toString(),
             QString("invitation_not_found"));
    const Reply changes =
        get(ann, "/invites/notifications/sent.json?since=2000-01-01T00%3A00%3A00%2B02%3A00");
    QCOMPARE(changes.status, 200);
    QCOMPARE(values(changes.json["invites"], "token"), QStringList({rejected, revoked}));
    QVERIFY(get(ann, "/invites/notifications/sent.json").json["invites"].toArray().isEmpty());
    QCOMPARE(get(ann, "/invites/sent.json?limit=1000&offset=0").json["invites"].toArray().size(),
             3);

    // The source went away before the answer.
    const QByteArray orphan = offer()["token"].toString().toUtf8();
    QCOMPARE(post(ann, "/objects/delete", {{"paths", QJsonArray{"/Docs/a.txt"}}}).status, 200);
    const Reply lost =
        post(bob, "/invites/" + orphan + "/accept.json", {{"destination_path", "/o.txt"}});
    QCOMPARE(lost.status, 404);
    QCOMPARE(lost.json["type"].toString(), QString("source_not_found"));
    QCOMPARE(lost.json["invite"]["token"].toString(), QString(orphan));

    // A group send: one invitation per other member, one unique identifier.
    const Client cat = newUser();
    server.seedFile(cat.email, "/c.txt", "gamma");
    const qint64 group = post(cat, "/conversations/start",
                              {{"users", QJsonArray{ann.email, bob.email}}, {"name", "Team"}})
                             .json["conversation"]["id"]
                             .toInt();
    const QJsonArray made = server.sendCollaborationAs(cat.email, group, "/c.txt");
    QCOMPARE(made.size(), 2);
    QVERIFY(made[0]["recipient"]["id"] != made[1]["recipient"]["id"]);
    QCOMPARE(made[0]["unique_identifier"], made[1]["unique_identifier"]);
}

void TestKerloLocalSocial::providerFiles()
{
    const Client ann = newUser();
    const Client bob = newUser();
    const qint64 conversation = befriend(ann, bob);
    QVERIFY(conversation > 0);
    // Ann's store holds a file at the same path as the one in her provider's folder.
    QVERIFY(!server.seedFile(ann.email, "/Docs/p.txt", "store copy").isEmpty());
    const QJsonObject offer{
        {"conversation_id", conversation}, {"object", "/Docs/p.txt"}, {"provider", "dropbox"}};

    // Only from a linked provider; the account then says it is linked.
    QCOMPARE(post(ann, "/invites/invite.json", offer).status, 400);
    QCOMPARE(
        server.control("POST", "/link-provider", {{"email", ann.email}, {"provider", "dropbox"}}),
        200);
    QCOMPARE(
        server.control("POST", "/link-provider", {{"email", "no@where.org"}, {"provider", "x"}}),
        404);
    QCOMPARE(get(ann, "/me.json").json["user"]["linked_providers"].toArray(),
             QJsonArray{"dropbox"});
    const Reply sent = post(ann, "/invites/invite.json", offer);
    QCOMPARE(sent.status, 200);
    const QJsonObject invitation = sent.json["transfer_invitation"].toObject();
    QCOMPARE(invitation["source_provider"].toString(), QString("dropbox"));
    QCOMPARE(invitation["source_object"]["base_path"].toString(), QString("/Docs"));
    QCOMPARE(invitation["source_object"]["label"].toString(), QString("p.txt"));
    QVERIFY(!invitation["source_object"].toObject().contains("hash"));

    // Bob is offered the provider's file, which cannot be fetched here: accepting it never
    // hands him Ann's store file of the same path.
    const QByteArray token = invitation["token"].toString().toUtf8();
    const Reply accepted =
        post(bob, "/invites/" + token + "/accept.json",
             {{"destination_path", "/From Ann/p.txt"}, {"token", QString(token)}});
    QCOMPARE(accepted.status, 404);
    QCOMPARE(accepted.json["type"].toString(), QString("source_not_found"));
    QCOMPARE(get(bob, "/objects/metadata/From%20Ann/p.txt").status, 404);
    // Plain invitations keep no provider.
    const QJsonObject plain = post(ann, "/invites/invite.json",
                                   {{"conversation_id", conversation}, {"object", "/Docs/p.txt"}})
                                  .json["transfer_invitation"]
                                  .toObject();
    QVERIFY(plain["source_provider"].isNull());
}

void TestKerloLocalSocial::conversations()
{
    const Client ann = newUser();
    const Client bob = newUser();
    const qint64 main = befriend(ann, bob);
    const QByteArray id = QByteArray::number(main);
    const QJsonObject listed = get(bob, "/conversations").json["conversations"][0].toObject();
    QCOMPARE(listed["id"].toInt(), main);
    QVERIFY(listed["main"].toBool() && !listed["group"].toBool());
    QCOMPARE(listed["users"].toObject().keys(),
             QStringList({QString::number(ann.id), QString::number(bob.id)}));
    QCOMPARE(values(get(ann, "/conversations/" + id + "/users?id=" + id).json["users"], "email"),
             QStringList({ann.email, bob.email}));
    // Naming just the other one gives the main conversation back.
    QCOMPARE(post(ann, "/conversations/start", {{"users", QJsonArray{bob.email}}, {"name", ""}})
                 .json["conversation"]["id"]
                 .toInt(),
             main);

    const QString sentAt = "2024-03-31T03:30:00.000+02:00";
    const Reply posted =
        post(ann, "/conversations/" + id, {{"content", "hi"}, {"id", main}, {"sent_at", sentAt}});
    QCOMPARE(posted.status, 200);
    QCOMPARE(posted.json["message"]["sender"]["id"].toInt(), ann.id);
    QCOMPARE(posted.json["message"]["conversation"]["id"].toInt(), main);
    QVERIFY(!server.postMessageAs(bob.email, main, "hello").isEmpty());

    // Each client gets each message once, newest first, its own echoed unchanged.
    const QByteArray since = id + "=0&last_conversation_id=" + id;
    for (const Client &client : {ann, bob}) {
        const Reply news = get(client, "/conversations/notifications?" + since);
        const QJsonArray messages = news.json["messages"][QString(id)].toArray();
        QCOMPARE(values(messages, "body"), QStringList({"hello", "hi"}));
        QCOMPARE(messages[1]["sent_at"].toString(), sentAt);
        QVERIFY(news.json["conversations"].toArray().isEmpty());
        QVERIFY(get(client, "/conversations/notifications?" + since)
                    .json["messages"]
                    .toObject()
                    .isEmpty());
    }

    // Pages go back in time.
    const Reply newest = get(ann, "/conversations/" + id + "/messages?id=" + id + "&limit=1");
    QCOMPARE(values(newest.json["messages"], "body"), QStringList{"hello"});
    const qint64 later = QDateTime::currentSecsSinceEpoch() + 10;
    QCOMPARE(values(get(ann, "/conversations/" + id + "/messages?before=" +
                                 QByteArray::number(later) + "&id=" + id + "&limit=100")
                        .json["messages"],
                    "body"),
             QStringList({"hello", "hi"}));
    QVERIFY(get(ann, "/conversations/" + id + "/messages?before=1&id=" + id + "&limit=100")
                .json["messages"]
                .toArray()
                .isEmpty());

    // A new group reaches its members through the poll once; outsiders see nothing.
    const Client cat = newUser();
    const qint64 group = post(ann, "/conversations/start",
                              {{"users", QJsonArray{bob.email, cat.email}}, {"name", "Trip"}})
                             .json["conversation"]["id"]
                             .toInt();
    QVERIFY(group > main);
    const QJsonArray fresh =
        get(cat, "/conversations/notifications").json["conversations"].toArray();
    QCOMPARE(values(fresh, "name"), QStringList{"Trip"});
    QVERIFY(fresh[0]["group"].toBool());
    QVERIFY(get(cat, "/conversations/notifications").json["conversations"].toArray().isEmpty());
    QCOMPARE(get(cat, "/conversations/" + id + "/messages").status, 404);
    QCOMPARE(post(cat, "/conversations/" + id, {{"content", "x"}, {"sent_at", sentAt}}).status,
             404);
    QVERIFY(
        get(cat, "/conversations/notifications?" + since).json["messages"].toObject().isEmpty());

    // A member taken out of a group is told so when posting there; a main conversation keeps
    // its two.
    const QString groupId = QString::number(group);
    QCOMPARE(server.control("POST", "/conversations/remove-member",
                            {{"email", bob.email}, {"conversation_id", group}}),
             200);
    const Reply refused =
        post(bob, "/conversations/" + groupId.toLatin1(), {{"content", "x"}, {"sent_at", sentAt}});
    QCOMPARE(refused.status, 403);
    QCOMPARE(refused.json["errors"][0].toString(),
             QStringLiteral("You are no longer a member of this conversation"));
    QCOMPARE(server.control("POST", "/conversations/remove-member",
                            {{"email", bob.email}, {"conversation_id", main}}),
             404);
    QCOMPARE(
        post(ann, "/conversations/" + groupId.toLatin1(), {{"content", "x"}, {"sent_at", sentAt}})
            .status,
        200);
}

void TestKerloLocalSocial::actingAsAnotherUser()
{
    const Client ann = newUser();
    const Client bob = newUser();
    const Client cat = newUser();
    QCOMPARE(post(ann, "/contacts/invite.json", {{"email", bob.email}}).status, 200);
    QCOMPARE(post(ann, "/contacts/invite.json", {{"email", cat.email}}).status, 200);

    // Both sides see what Ann sent, with who it went to.
    const QJsonArray sent = server.contactInvitationsOf(ann.email);
    QStringList recipients;
    for (const QJsonValue &invite : sent) {
        QCOMPARE(invite["sender"]["email"].toString(), ann.email);
        recipients.append(invite["recipient"]["email"].toString());
    }
    QCOMPARE(recipients, QStringList({bob.email, cat.email}));
    QCOMPARE(server.contactInvitationsOf(bob.email).size(), 1);

    // Nothing to send to someone who is not a contact yet.
    QVERIFY(server.postMessageToContactAs(bob.email, ann.email, "early").isEmpty());

    const QJsonObject accepted = server.answerContactInvitationAs(bob.email, ann.email, true);
    QVERIFY(!accepted["accepted_at"].isNull());
    QVERIFY(server.answerContactInvitationAs(bob.email, ann.email, false).isEmpty());
    QVERIFY(server.answerContactInvitationAs(ann.email, cat.email, true).isEmpty());
    const QJsonObject declined = server.answerContactInvitationAs(cat.email, ann.email, false);
    QVERIFY(!declined["rejected_at"].isNull());
    QCOMPARE(values(get(ann, "/contacts.json").json["contacts"], "email"), QStringList{bob.email});

    // Messages and files go to the pair's main conversation.
    const QJsonObject message = server.postMessageToContactAs(bob.email, ann.email, "hi Ann");
    const qint64 main = qint64(message["conversation"]["id"].toDouble());
    QVERIFY(main > 0);
    QCOMPARE(get(ann, "/conversations/" + QByteArray::number(main) + "/messages")
                 .json["messages"][0]["body"]
                 .toString(),
             QStringLiteral("hi Ann"));
    QVERIFY(!server.seedFile(bob.email, "/b.txt", "bee").isEmpty());
    const QJsonArray files = server.sendCollaborationToContactAs(bob.email, ann.email, "/b.txt");
    QCOMPARE(files.size(), 1);
    QCOMPARE(files[0]["recipient"]["email"].toString(), ann.email);
    QCOMPARE(files[0]["conversation"]["id"].toInt(), main);
    QVERIFY(server.sendCollaborationToContactAs(cat.email, ann.email, "/b.txt").isEmpty());
}

void TestKerloLocalSocial::avatars()
{
    const Client ann = newUser();
    QString previous;
    for (const Qt::GlobalColor color : {Qt::red, Qt::blue}) {
        const QByteArray image = pngBytes(color);
        const Reply uploaded = send(ann, "POST", "/api/v1/users/avatar", image, "image/png",
                                    {{"x-kerlo-avatar-filename", "me and/../you.png"}});
        QCOMPARE(uploaded.status, 200);
        const QString url = get(ann, "/me.json").json["user"]["avatar"]["url"].toString();
        QVERIFY2(url.startsWith(server.baseUrl().toString() + "/avatars/") &&
                     url.endsWith(".png") && url != previous,
                 qPrintable(url));
        // Unsigned, served directly.
        httplib::Client http(server.baseUrl().toString().toStdString());
        const auto fetched = http.Get(QUrl(url).path(QUrl::FullyEncoded).toStdString());
        QVERIFY(fetched);
        QCOMPARE(fetched->status, 200);
        QCOMPARE(QByteArray::fromStdString(fetched->body), image);
        QCOMPARE(fetched->get_header_value("Content-Type"), std::string("image/png"));
        if (!previous.isEmpty())
            QCOMPARE(http.Get(QUrl(previous).path().toStdString())->status, 200);
        previous = url;
    }
}

void TestKerloLocalSocial::refusals_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("status");

    const auto row = [](const char *tag, const char *method, const char *target,
                        const QJsonObject &json, int status) {
        QTest::newRow(tag) << QByteArray(method) << QByteArray(target)
                           << (json.isEmpty() ? QByteArray() : QJsonDocument(json).toJson())
                           << status;
    };
    row("invite nobody", "POST", "/contacts/invite.json", {{"email", "no@where.org"}}, 404);
    row("invite oneself", "POST", "/contacts/invite.json", {{"email", "%self"}}, 400);
    row("invite without e-mail", "POST", "/contacts/invite.json", {{"email", 3}}, 400);
    row("search without query", "GET", "/contacts/search.json", {}, 400);
    row("unknown join invitation", "GET", "/contacts/invites/99999?id=99999", {}, 404);
    row("huge join invitation id", "POST", "/contacts/invites/99999999999999999999999/accept", {},
        404);
    row("accept unknown collaboration", "POST", "/invites/nope/accept.json",
        {{"destination_path", "/x"}}, 404);
    row("accept into the root", "POST", "/invites/nope/accept.json", {{"destination_path", "/"}},
        400);
    row("accept to a parent path", "POST", "/invites/nope/accept.json",
        {{"destination_path", "/../x"}}, 400);
    row("send into an unknown conversation", "POST", "/invites/invite.json",
        {{"conversation_id", 99999}, {"object", "/a.txt"}}, 404);
    row("send without a path", "POST", "/invites/invite.json", {{"conversation_id", 1}}, 400);
    row("send from another provider", "POST", "/invites/invite.json",
        {{"conversation_id", 1}, {"object", "/a"}, {"provider", "elsewhere"}}, 400);
    row("received with a bad token", "GET", "/invites/received.json?token=abc", {}, 400);
    row("sent with a bad offset", "GET", "/invites/sent.json?offset=-1", {}, 400);
    row("sent changes with a bad date", "GET", "/invites/notifications/sent.json?since=yesterday",
        {}, 400);
    row("messages of an unknown conversation", "GET", "/conversations/99999/messages", {}, 404);
    row("too many messages", "GET", "/conversations/%main/messages?limit=100000", {}, 400);
    row("post without a date", "POST", "/conversations/%main", {{"content", "x"}}, 400);
    row("post a bad date", "POST", "/conversations/%main", {{"content", "x"}, {"sent_at", "soon"}},
        400);
    row("post nothing", "POST", "/conversations/%main",
        {{"content", ""}, {"sent_at", "2024-01-01T00:00:00Z"}}, 400);
    row("start alone", "POST", "/conversations/start", {{"users", QJsonArray{"%self"}}}, 400);
    row("start with a stranger", "POST", "/conversations/start",
        {{"users", QJsonArray{"no@where.org"}}}, 404);
    row("poll with a bad cursor", "GET", "/conversations/notifications?5=soon", {}, 400);
    row("avatar without a name", "POST", "/users/avatar", {}, 400);
    row("avatar path outside", "GET", "/../avatars/1/x.png", {}, 404);
}

void TestKerloLocalSocial::refusals()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, payload);
    QFETCH(int, status);
    const Client user = newUser();
    const Client other = newUser();
    const QByteArray main = QByteArray::number(befriend(user, other));
    target.replace("%main", main);
    payload.replace("%self", user.email.toUtf8());
    payload.replace("%main", main);
    const Reply reply = send(user, method, "/api/v1" + target, payload);
    QCOMPARE(reply.status, status);
    QVERIFY2(!reply.json["errors"][0].toString().isEmpty(), reply.body.constData());
    // The server is still there.
    QCOMPARE(get(user, "/contacts.json").status, 200);
}

void TestKerloLocalSocial::persistence()
{
    const Client ann = newUser();
    const Client bob = newUser();
    const qint64 main = befriend(ann, bob);
    const QByteArray id = QByteArray::number(main);
    QVERIFY(!server.postMessageAs(ann.email, main, "kept").isEmpty());
    server.seedFile(ann.email, "/k.txt", "k");
    const QJsonArray sent = server.sendCollaborationAs(ann.email, main, "/k.txt");
    QCOMPARE(sent.size(), 1);
    const QByteArray poll = "/conversations/notifications?" + id + "=0";
    QCOMPARE(get(bob, poll).json["messages"][QString(id)].toArray().size(), 1);

    server.stop();
    QVERIFY(server.exitedCleanly());
    QVERIFY(server.restart());

    QCOMPARE(values(get(bob, "/contacts.json").json["contacts"], "email"), QStringList{ann.email});
    QCOMPARE(values(get(bob, "/conversations/" + id + "/messages").json["messages"], "body"),
             QStringList{"kept"});
    // What this client was given stays given.
    QVERIFY(get(bob, poll).json["messages"].toObject().isEmpty());
    QCOMPARE(values(get(bob, "/invites/received.json?limit=1000").json["invites"], "token"),
             QStringList{sent[0]["token"].toString()});
}

void TestKerloLocalSocial::socialSeed()
{
    // Many contacts and groups at once: the named people and generated ones, each with a main
    // conversation, and groups with the user in them.
    const Client ann = newUser();
    const QString bob = QStringLiteral("seeded.bob@example.org");
    const QJsonObject body{
        {"email", ann.email},
        {"contacts", QJsonArray{QJsonObject{{"email", bob}, {"first_name", "Bob"}}}},
        {"contact_count", 3},
        {"groups", QJsonArray{QJsonObject{{"name", "Team"}, {"members", QJsonArray{bob}}}}},
        {"group_count", 2}};
    QByteArray reply;
    QCOMPARE(server.control("POST", "/social-seed", body, &reply), 200);
    QCOMPARE(QJsonDocument::fromJson(reply)["contacts"].toArray().size(), 4);
    QCOMPARE(QJsonDocument::fromJson(reply)["groups"].toArray().size(), 3);
    const QJsonArray contacts = get(ann, "/contacts.json").json["contacts"].toArray();
    QCOMPARE(contacts.size(), 4);
    QStringList firstNames = values(contacts, "first_name");
    firstNames.sort();
    QCOMPARE(firstNames, QStringList({"Bob", "Seed", "Seed", "Seed"}));
    for (const QJsonValue &contact : contacts)
        QVERIFY(contact["conversation"]["id"].toDouble() > 0);
    const auto conversations = [&] {
        return get(ann, "/conversations").json["conversations"].toArray().size();
    };
    QCOMPARE(conversations(), 4 + 3);

    // Again: the same people stay one contact and one main conversation each.
    QCOMPARE(server.control("POST", "/social-seed", body), 200);
    QCOMPARE(get(ann, "/contacts.json").json["contacts"].toArray().size(), 4);
    QCOMPARE(conversations(), 4 + 3 + 3);

    // Refused: nobody with that e-mail, counts that are not small non-negative integers.
    QCOMPARE(server.control("POST", "/social-seed", {{"email", "nobody@example.org"}}), 404);
    for (const QJsonValue &count : {QJsonValue(-1), QJsonValue("three"), QJsonValue(5001)}) {
        QCOMPARE(server.control("POST", "/social-seed",
                                {{"email", ann.email}, {"contact_count", count}}),
                 400);
        QCOMPARE(
            server.control("POST", "/social-seed", {{"email", ann.email}, {"group_count", count}}),
            400);
    }
    QCOMPARE(get(ann, "/contacts.json").json["contacts"].toArray().size(), 4);
}

QTEST_GUILESS_MAIN(TestKerloLocalSocial)
#include "tst_kerlolocalsocial.moc"
