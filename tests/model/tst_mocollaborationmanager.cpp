#include "kerlolocal.h"
#include "mocollaboration.h"
#include "mocollaborationmanager.h"
#include "mocollaborationmanagerdelegate.h"
#include "mocollaborationnotification.h"
#include "moconstants.h"
#include "moconversation.h"
#include "modeltestapplication.h"
#include "monotificationcenter.h"
#include "monotificationspy.h"
#include "mostorageobject.h"
#include "mouseraccount.h"
#include "socialsession.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QTimer>
#include <QtTest>

#include <optional>

namespace {

const QString annEmail = QStringLiteral("ann@kerlo.local");

// One delegate call: which, and what it carried.
struct Call
{
    QString name;
    QList<MOCollaboration> collaborations;
    MOError error;
    qint64 offset = -1;
    qint64 limit = -1;
};

class RecordingDelegate
    : public QObject
    , public MOCollaborationManagerDelegate
{
    Q_OBJECT
public:
    void collaborationManagerDidSendInviteForCollaboration(MOCollaborationManager *,
                                                           const MOCollaboration &c) override
    {
        record(QStringLiteral("sent"), {c});
    }
    void collaborationManagerDidRejectCollaboration(MOCollaborationManager *,
                                                    const MOCollaboration &c) override
    {
        record(QStringLiteral("rejected"), {c});
    }
    void collaborationManagerDidAcceptCollaboration(MOCollaborationManager *,
                                                    const MOCollaboration &c) override
    {
        record(QStringLiteral("accepted"), {c});
    }
    void collaborationManagerDidListSentInvitationsOffsetLimit(MOCollaborationManager *,
                                                               const QList<MOCollaboration> &list,
                                                               qint64 offset, qint64 limit) override
    {
        record(QStringLiteral("listed"), list, MOError(), offset, limit);
    }
    void
    collaborationManagerDidReceiveChangedCollaborations(MOCollaborationManager *,
                                                        const QList<MOCollaboration> &list) override
    {
        record(QStringLiteral("changed"), list);
    }
    void collaborationManagerDidFailAcceptingWithError(MOCollaborationManager *,
                                                       const MOCollaboration &c,
                                                       const MOError &error) override
    {
        record(QStringLiteral("failed"), {c}, error);
    }

    // Takes the first call named name, waiting for one if need be.
    std::optional<Call> next(const QString &name)
    {
        std::optional<Call> found;
        (void)QTest::qWaitFor(
            [&] {
                for (int i = 0; i < calls.size(); ++i) {
                    if (calls.at(i).name == name) {
                        found = calls.takeAt(i);
                        return true;
                    }
                }
                return false;
            },
            20000);
        return found;
    }

    QList<Call> calls;

private:
    void record(const QString &name, const QList<MOCollaboration> &collaborations,
                const MOError &error = MOError(), qint64 offset = -1, qint64 limit = -1)
    {
        Call call;
        call.name = name;
        call.collaborations = collaborations;
        call.error = error;
        call.offset = offset;
        call.limit = limit;
        calls.append(call);
    }
};

QStringList tokens(const QList<MOCollaboration> &collaborations)
{
    QStringList list;
    for (const MOCollaboration &collaboration : collaborations)
        list.append(collaboration.token());
    return list;
}

} // namespace

// The collaboration facade against kerlo-local: the demo user and ann offer each other files.
class TestMOCollaborationManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QVERIFY(server.reset()); }

    void pollPostsReceivedInvitations();
    void acceptFailuresCarryTheServiceReason();
    void sentInvitationsAndTheirAnswers();
    void observerMayRunANestedLoop();
    void coreShutDownEndsTheManager();

private:
    QJsonArray requestsTo(const QString &path) const;
    // An invitation ann sends now, as the running poll brings it; no token when none came.
    MOCollaboration invitationFromAnn(const QString &path);

    KerloLocal server;
    MOCollaborationManager *manager = nullptr;
    RecordingDelegate delegate;
    MOConversation conversation;
    MOCollaboration received;
};

void TestMOCollaborationManager::initTestCase()
{
    QCOMPARE(SocialSession::start(&server, {annEmail}), QString());
    QVERIFY(!server.seedFile(annEmail, QStringLiteral("/Shared/plan.txt"), "from ann").isEmpty());
    QVERIFY(!server.seedFile(SocialSession::demoEmail, QStringLiteral("/Mine/notes.txt"), "mine")
                 .isEmpty());
    conversation = SocialSession::conversationWith(annEmail);
    QVERIFY(conversation.identifier() > 0);
    manager = MOCollaborationManager::sharedInstance();
    QVERIFY(manager);
    QCOMPARE(MOCollaborationManager::sharedInstance(), manager);
    manager->setDelegate(&delegate);
}

QJsonArray TestMOCollaborationManager::requestsTo(const QString &path) const
{
    QJsonArray matching;
    for (const QJsonValue &request : server.requests()) {
        if (request.toObject().value(QStringLiteral("path")).toString() == path)
            matching.append(request);
    }
    return matching;
}

MOCollaboration TestMOCollaborationManager::invitationFromAnn(const QString &path)
{
    MONotificationSpy spy(manager->notificationCenter(), MOCollaborationInvitesNotification);
    const QJsonArray sent = server.sendCollaborationAs(annEmail, conversation.identifier(), path);
    const QString token = sent.at(0)["token"].toString();
    // Every notification since the call: one wait may bring more than one.
    for (int seen = 0; !token.isEmpty() && (seen < spy.count() || spy.wait(20000)); ++seen) {
        for (const MOCollaboration &c :
             MOCollaborationNotification(spy.at(seen)).collaborations()) {
            if (c.token() == token)
                return c;
        }
    }
    return MOCollaboration();
}

void TestMOCollaborationManager::pollPostsReceivedInvitations()
{
    MONotificationSpy spy(manager->notificationCenter(), MOCollaborationInvitesNotification);
    const QJsonArray sent =
        server.sendCollaborationAs(annEmail, conversation.identifier(), "/Shared/plan.txt");
    QCOMPARE(sent.size(), 1);
    const QString token = sent.at(0).toObject().value("token").toString();

    manager->start();
    QList<MOCollaboration> found;
    for (int seen = 0; found.isEmpty(); ++seen) {
        QVERIFY(seen < spy.count() || spy.wait(20000));
        for (const MOCollaboration &c :
             MOCollaborationNotification(spy.at(seen)).collaborations()) {
            if (c.token() == token)
                found.append(c);
        }
    }
    QCOMPARE(spy.last().object, manager);
    QVERIFY(spy.allOnMainThread());
    received = found.first();
    QCOMPARE(received.sender().email(), annEmail);
    QCOMPARE(received.recipient().email(), SocialSession::demoEmail);
    QCOMPARE(received.conversation().identifier(), conversation.identifier());
    QCOMPARE(received.type(), 1u);
    QCOMPARE(received.resource().value<MOStorageObject>().label(), QStringLiteral("plan.txt"));
    QVERIFY(received.createdAt().isValid());
    QVERIFY(!received.accepted());
    QCOMPARE(received.errorCode(), 0u);
}

void TestMOCollaborationManager::acceptFailuresCarryTheServiceReason()
{
    QVERIFY(!received.token().isEmpty());
    const QString destination = QStringLiteral("/From Ann/plan.txt");
    const QString acceptPath = QStringLiteral("/api/v1/invites/%1/accept.json");
    MOCollaboration invitation = received;
    invitation.setResource(destination);

    // 5: the service failed.
    QVERIFY(server.forceStatus(acceptPath.arg(invitation.token()), 500, R"({"errors":["boom"]})"));
    manager->accept(invitation);
    std::optional<Call> failed = delegate.next("failed");
    QVERIFY(failed);
    QCOMPARE(failed->error.domain(), MOCollaborationAcceptErrorDomain);
    QCOMPARE(failed->error.code(), 5);
    QVERIFY(failed->error.userInfo().isEmpty());
    QCOMPARE(failed->collaborations.first().token(), invitation.token());

    const std::optional<Call> accepted = (manager->accept(invitation), delegate.next("accepted"));
    QVERIFY(accepted);
    const MOCollaboration copy = accepted->collaborations.first();
    QVERIFY(copy.accepted());
    QVERIFY(copy.acceptedAt().isValid());
    QCOMPARE(copy.resource().value<MOStorageObject>().fullPath(), destination);

    // 2: accepted already.
    manager->accept(invitation);
    failed = delegate.next("failed");
    QVERIFY(failed);
    QCOMPARE(failed->error.code(), 2);
    QCOMPARE(failed->collaborations.first().errorCode(), 2u);
    QCOMPARE(failed->collaborations.first().token(), invitation.token());

    // 4: no such invitation, as one the user has rejected is.
    MOCollaboration unknown = invitationFromAnn(QStringLiteral("/Shared/plan.txt"));
    QVERIFY(!unknown.token().isEmpty());
    manager->reject(unknown.token());
    QVERIFY(delegate.next("rejected"));
    unknown.setResource(destination);
    manager->accept(unknown);
    failed = delegate.next("failed");
    QVERIFY(failed);
    QCOMPARE(failed->error.code(), 4);
    QCOMPARE(failed->collaborations.first().token(), unknown.token());
    QCOMPARE(failed->collaborations.first().errorCode(), 4u);

    // 1: the offered file is gone; the service names the invitation.
    QVERIFY(!server.seedFile(annEmail, QStringLiteral("/Shared/gone.txt"), "gone").isEmpty());
    MOCollaboration gone = invitationFromAnn(QStringLiteral("/Shared/gone.txt"));
    QVERIFY(!gone.token().isEmpty());
    QVERIFY(!server.deleteObject(annEmail, QStringLiteral("/Shared/gone.txt")).isEmpty());
    QVERIFY(server.forceStatus(acceptPath.arg(gone.token()), 404,
                               R"({"type":"source_not_found","invite":{"token":"gone-token"}})"));
    gone.setResource(destination);
    manager->accept(gone);
    failed = delegate.next("failed");
    QVERIFY(failed);
    QCOMPARE(failed->error.code(), 1);
    QCOMPARE(failed->collaborations.first().token(), QStringLiteral("gone-token"));
    QCOMPARE(failed->collaborations.first().errorCode(), 1u);
    // Without the switch the service itself finds the file gone.
    manager->accept(gone);
    failed = delegate.next("failed");
    QVERIFY(failed);
    QCOMPARE(failed->error.code(), 1);
    QCOMPARE(failed->collaborations.first().token(), gone.token());
    manager->reject(gone.token());
    QVERIFY(delegate.next("rejected"));
    QVERIFY(delegate.calls.isEmpty());
}

void TestMOCollaborationManager::sentInvitationsAndTheirAnswers()
{
    const MOConversation chat = conversation;
    const QDateTime created = QDateTime::currentDateTimeUtc();
    manager->sendTransferInvitationForPath("/Mine/notes.txt", created, chat, QString());
    manager->sendTransferInvitationForPath("/Mine/notes.txt", created, chat, QString());
    QStringList sent;
    for (int i = 0; i < 2; ++i) {
        const std::optional<Call> call = delegate.next("sent");
        QVERIFY(call);
        QCOMPARE(call->collaborations.first().recipient().email(), annEmail);
        sent.append(call->collaborations.first().token());
    }
    // The creation date goes out as an instant, in whole seconds.
    const QJsonArray invites = requestsTo("/api/v1/invites/invite.json");
    QCOMPARE(invites.size(), 2);
    const QJsonObject body =
        QJsonDocument::fromJson(invites.at(0)["body"].toString().toUtf8()).object();
    QCOMPARE(QDateTime::fromString(body["created_at"].toString(), Qt::ISODateWithMs),
             QDateTime::fromSecsSinceEpoch(created.toSecsSinceEpoch(), Qt::UTC));
    QVERIFY(!body.contains("provider"));

    manager->listSentInvitations(0, 10);
    std::optional<Call> listed = delegate.next("listed");
    QVERIFY(listed);
    QCOMPARE(listed->offset, 0);
    QCOMPARE(listed->limit, 10);
    for (const QString &token : qAsConst(sent))
        QVERIFY(tokens(listed->collaborations).contains(token));
    manager->listSentInvitations(1000, 10);
    listed = delegate.next("listed");
    QVERIFY(listed);
    QCOMPARE(listed->offset, 1000);
    QVERIFY(listed->collaborations.isEmpty());

    // Revoking one is answered at once and, as a change, by the poll.
    manager->reject(sent.at(1));
    const std::optional<Call> rejected = delegate.next("rejected");
    QVERIFY(rejected);
    QVERIFY(rejected->collaborations.first().revoked());
    while (true) {
        const std::optional<Call> changed = delegate.next("changed");
        QVERIFY(changed);
        if (tokens(changed->collaborations).contains(sent.at(1)))
            break;
    }
}

void TestMOCollaborationManager::observerMayRunANestedLoop()
{
    // The observer of the first invitation waits, in an event loop of its own, for the next
    // one: the poll's next answer must be delivered inside that loop.
    QObject observer;
    QStringList seen;
    QString second;
    int depth = 0;
    int deepest = 0;
    manager->notificationCenter()->addObserver(
        &observer, MOCollaborationInvitesNotification, manager,
        [&](const MOPostedNotification &notification) {
            deepest = qMax(deepest, ++depth);
            seen.append(tokens(MOCollaborationNotification(notification).collaborations()));
            if (depth == 1 && second.isEmpty()) {
                second = server
                             .sendCollaborationAs(annEmail, conversation.identifier(),
                                                  "/Shared/plan.txt")
                             .at(0)["token"]
                             .toString();
                (void)QTest::qWaitFor([&] { return seen.contains(second); }, 20000);
            }
            --depth;
        });
    const QString first =
        server.sendCollaborationAs(annEmail, conversation.identifier(), "/Shared/plan.txt")
            .at(0)["token"]
            .toString();
    QVERIFY(!first.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return seen.contains(first) && depth == 0; }, 40000));
    QVERIFY(!second.isEmpty());
    QVERIFY(seen.contains(second));
    QCOMPARE(deepest, 2);
    manager->notificationCenter()->removeObserver(&observer);
}

void TestMOCollaborationManager::coreShutDownEndsTheManager()
{
    // The core waits for the collaboration manager to stop, then deletes it; the facade
    // outlives it and its calls then do nothing.
    RecordingApplicationDelegate application;
    MOApplication::sharedInstance()->setDelegate(&application);
    MOApplication::sharedInstance()->shutdown();
    QTRY_COMPARE_WITH_TIMEOUT(application.shutdownCount, 1, 20000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The core manager is gone: these must not reach it.
    manager->start();
    manager->reject(QStringLiteral("any"));
    manager->listSentInvitations(0, 10);
    manager->listReceivedInvitations(QString(), 10);
}

QTEST_GUILESS_MAIN(TestMOCollaborationManager)

#include "tst_mocollaborationmanager.moc"
