#include "kerlolocal.h"
#include "mcollaborationmanager.h"
#include "mcollaborationmanager_p.h"
#include "mnetworkrequestmanager.h"
#include "mobjectsmanager.h"
#include "mstorageobject.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>

#include <memory>

namespace {

using TestData::demoEmail;
using TestData::demoPassword;
const QString otherEmail = QStringLiteral("ann@kerlo.local");
const QString otherPassword = QStringLiteral("ann-password");
const QString receivedPath = QStringLiteral("/api/v1/invites/received.json");
const QString sentPath = QStringLiteral("/api/v1/invites/sent.json");
const QString sentChangesPath = QStringLiteral("/api/v1/invites/notifications/sent.json");
// Long enough for a signal that needs a few backed-off polls first.
constexpr int PollWait = 20000;

QList<MCollaboration> collaborationsAt(const QSignalSpy &spy, int index)
{
    return spy.at(index).at(0).value<QList<MCollaboration>>();
}

// Waits until a list signal has carried the collaboration with that token.
MCollaboration waitForToken(QSignalSpy &spy, const QString &token)
{
    for (int seen = 0;; ++seen) {
        if (seen == spy.count() && !spy.wait(PollWait))
            return MCollaboration();
        for (const MCollaboration &collaboration : collaborationsAt(spy, seen)) {
            if (collaboration.token() == token)
                return collaboration;
        }
    }
}

} // namespace

// The collaboration manager against kerlo-local: the app is signed in as the demo user, and the
// other user acts through the control API, or through the app while signed in as them.
class TestCollaborationManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void receivedInvitationIsAccepted();
    void answersReachTheSender();
    void pollsSurviveFailures();
    void shutdownCompletesWithPollInFlight();

private:
    MUserAuthManager *auth() const { return core.auth(); }
    QJsonArray requestsTo(const QString &path) const { return server.requestsTo(path); }

    SignedInCore core;
    KerloLocal &server = core.server();
    MConversation conversation;
    std::unique_ptr<MCollaborationManager> manager;
};

void TestCollaborationManager::initTestCase()
{
    QVERIFY(core.start());
    MCollaborationManagerPrivate::pollInterval = 50;
    QVERIFY(!server.createUser(otherEmail, otherPassword).isEmpty());
    QVERIFY(!server.seedFile(otherEmail, QStringLiteral("/Shared/plan.txt"), "from ann").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Mine/notes.txt"), "from demo").isEmpty());
    QVERIFY(core.signIn());

    bool ok = false;
    const MNetworkRequest request = TolvoApp::instance()->createActionRequest(
        QVariantMap{{"users", QStringList{otherEmail}}, {"name", QString()}},
        Tolvo::StartConversation, QVariant(), &ok);
    QVERIFY(ok);
    // Sent as the application sends it: on a copy of its manager, the body read as it arrives.
    MNetworkRequestManager sender(*TolvoApp::instance()->networkRequestManager());
    QByteArray body;
    connect(&sender, &MNetworkRequestManager::dataArrivedForRequest, &sender,
            [&body](const MNetworkRequest &, const QByteArray &data) { body += data; });
    QSignalSpy finished(&sender, &MNetworkRequestManager::replyFinishedForRequest);
    sender.sendRequest(request);
    QVERIFY(finished.wait(20000));
    const MNetworkReply reply = finished.first().at(1).value<MNetworkReply>();
    QCOMPARE(reply.statusCode(), 200);
    conversation = MConversation(QJsonDocument::fromJson(body + reply.body())
                                     .object()
                                     .value("conversation")
                                     .toObject()
                                     .toVariantMap());
    QVERIFY(conversation.identifier() > 0);
}

void TestCollaborationManager::init()
{
    QVERIFY(server.reset());
    manager = std::make_unique<MCollaborationManager>();
}

void TestCollaborationManager::cleanup()
{
    manager.reset();
}

void TestCollaborationManager::receivedInvitationIsAccepted()
{
    QSignalSpy received(manager.get(), &MCollaborationManager::collaborationInvitationsReceived);
    QSignalSpy accepted(manager.get(), &MCollaborationManager::collaborationAccepted);
    QSignalSpy failed(manager.get(), &MCollaborationManager::collaborationAcceptError);
    const QJsonArray sent = server.sendCollaborationAs(otherEmail, conversation.identifier(),
                                                       QStringLiteral("/Shared/plan.txt"));
    QCOMPARE(sent.size(), 1);
    const QString token = sent.at(0).toObject().value("token").toString();

    // The poll outlives the access token it was signed with.
    QVERIFY(server.expireTokens(demoEmail));
    manager->start();
    MCollaboration invitation = waitForToken(received, token);
    QCOMPARE(invitation.sender().email(), otherEmail);
    QCOMPARE(invitation.conversation().identifier(), conversation.identifier());
    QCOMPARE(invitation.resource().value<MStorageObject>().label(), QStringLiteral("plan.txt"));

    // A service failure is reported with the collaboration that was being accepted.
    const QString destination = QStringLiteral("/From Ann/plan.txt");
    invitation.setResource(destination);
    QVERIFY(server.forceStatus(QStringLiteral("/api/v1/invites/%1/accept.json").arg(token), 500,
                               R"({"errors":["boom"]})"));
    manager->accept(invitation);
    QVERIFY(failed.wait(20000));
    QCOMPARE(failed.at(0).at(0).value<MCollaboration>().token(), token);
    QCOMPARE(failed.at(0).at(1).value<MCollaboration::Error>(), MCollaboration::ServerError);

    manager->accept(invitation);
    QVERIFY(accepted.wait(20000));
    const MCollaboration done = accepted.at(0).at(0).value<MCollaboration>();
    QVERIFY(done.accepted());
    QCOMPARE(done.resource().value<MStorageObject>().fullPath(), destination);

    MObjectsManager objects;
    QSignalSpy listed(&objects, &MObjectsManager::objectsReady);
    objects.listObjects(QStringLiteral("/From Ann"), true, QVariant());
    QVERIFY(listed.wait(20000));
    const auto copies = listed.at(0).at(1).value<MStorageObjectList>();
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies.at(0).label(), QStringLiteral("plan.txt"));

    // The service's reasons come back as the record's error code.
    manager->accept(invitation);
    QVERIFY(failed.wait(20000));
    QCOMPARE(failed.at(1).at(1).value<MCollaboration::Error>(), MCollaboration::AlreadyAccepted);
    QCOMPARE(failed.at(1).at(0).value<MCollaboration>().errorCode(),
             MCollaboration::AlreadyAccepted);
    MCollaboration unknown(QVariantMap{{"token", "no-such-token"}}, MCollaboration::FileTransfer);
    unknown.setResource(destination);
    manager->accept(unknown);
    QVERIFY(failed.wait(20000));
    QCOMPARE(failed.at(2).at(0).value<MCollaboration>().token(), QStringLiteral("no-such-token"));
    QCOMPARE(failed.at(2).at(0).value<MCollaboration>().errorCode(), MCollaboration::NotFound);
}

void TestCollaborationManager::answersReachTheSender()
{
    QSignalSpy inviteSent(manager.get(), &MCollaborationManager::collaborationInviteSent);
    QSignalSpy rejected(manager.get(), &MCollaborationManager::collaborationRejected);
    QSignalSpy changed(manager.get(), &MCollaborationManager::sentCollaborationsChanged);
    const QString path = QStringLiteral("/Mine/notes.txt");

    // A failed send is no failed accept, whatever the service calls it.
    QSignalSpy failed(manager.get(), &MCollaborationManager::collaborationAcceptError);
    QSignalSpy sendFailed(manager.get(), &MCollaborationManager::collaborationInviteFailed);
    QSignalSpy finished(manager->findChild<MNetworkRequestManager *>(),
                        &MNetworkRequestManager::replyFinishedForRequest);
    QVERIFY(server.forceStatus("/api/v1/invites/invite.json", 404,
                               R"({"type":"source_not_found","invite":{"token":"t"}})"));
    manager->sendTransferInvitation(conversation, QDateTime::currentDateTime(), path, QString());
    QVERIFY(finished.wait(20000));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(inviteSent.count(), 0);
    // It is reported as a send of that file in that conversation.
    QCOMPARE(sendFailed.count(), 1);
    QCOMPARE(sendFailed.at(0).at(0).toLongLong(), conversation.identifier());
    QCOMPARE(sendFailed.at(0).at(1).toString(), path);
    QCOMPARE(sendFailed.at(0).at(2).toInt(), 404);

    manager->sendTransferInvitation(conversation, QDateTime::currentDateTime(), path, QString());
    manager->sendTransferInvitation(conversation, QDateTime::currentDateTime(), path, QString());
    QVERIFY(inviteSent.wait(20000));
    QVERIFY(inviteSent.count() == 2 || inviteSent.wait());
    const QString kept = inviteSent.at(0).at(0).value<MCollaboration>().token();
    const QString revoked = inviteSent.at(1).at(0).value<MCollaboration>().token();

    manager->start();
    manager->reject(revoked);
    QVERIFY(rejected.wait(20000));
    QVERIFY(rejected.at(0).at(0).value<MCollaboration>().revoked());
    const MCollaboration revocation = waitForToken(changed, revoked);
    QVERIFY(revocation.revoked());
    QVERIFY(!revocation.rejected());

    // The recipient rejects the other one from their own session.
    manager.reset();
    QVERIFY(core.signIn(otherEmail, otherPassword));
    {
        MCollaborationManager recipient;
        QSignalSpy answered(&recipient, &MCollaborationManager::collaborationRejected);
        // A reject the service fails is reported by its token, and may be tried again.
        QSignalSpy refused(&recipient, &MCollaborationManager::collaborationRejectFailed);
        QVERIFY(
            server.forceStatus(QStringLiteral("/api/v1/invites/%1/reject.json").arg(kept), 500));
        recipient.reject(kept);
        QVERIFY(refused.wait());
        QCOMPARE(refused.at(0).at(0).toString(), kept);
        QCOMPARE(refused.at(0).at(1).toInt(), 500);
        recipient.reject(kept);
        QVERIFY(answered.wait(20000));
        QVERIFY(answered.at(0).at(0).value<MCollaboration>().rejected());
    }
    QVERIFY(core.signIn());

    server.clearRequests();
    manager = std::make_unique<MCollaborationManager>();
    QSignalSpy changedAgain(manager.get(), &MCollaborationManager::sentCollaborationsChanged);
    manager->start();
    const MCollaboration rejection = waitForToken(changedAgain, kept);
    QVERIFY(rejection.rejected());
    QVERIFY(rejection.rejectedAt().isValid());

    // The next poll asks only for what changed after that answer.
    QSignalSpy polled(manager->findChild<MNetworkRequestManager *>(),
                      &MNetworkRequestManager::replyFinishedForRequest);
    while (requestsTo(sentChangesPath).size() < 2)
        QVERIFY(polled.wait(20000));
    const QJsonArray polls = requestsTo(sentChangesPath);
    QVERIFY(!QUrlQuery(polls.at(0).toObject().value("query").toString()).hasQueryItem("since"));
    const QUrlQuery last(polls.last().toObject().value("query").toString());
    QCOMPARE(QDateTime::fromString(last.queryItemValue("since", QUrl::FullyDecoded), Qt::ISODate),
             rejection.rejectedAt());
}

void TestCollaborationManager::pollsSurviveFailures()
{
    QSignalSpy received(manager.get(), &MCollaborationManager::collaborationInvitationsReceived);
    QSignalSpy listedSent(manager.get(), &MCollaborationManager::collaborationInvitationsSent);
    QSignalSpy changed(manager.get(), &MCollaborationManager::sentCollaborationsChanged);
    QSignalSpy rejected(manager.get(), &MCollaborationManager::collaborationRejected);
    const QByteArray gatewayPage = "<html>Bad Gateway</html>";
    for (const QString &path : {receivedPath, sentChangesPath}) {
        QVERIFY(server.forceStatus(path, 500, R"({"errors":["down"]})"));
        QVERIFY(server.forceStatus(path, 502, gatewayPage, 2, QString(), "text/html"));
        QVERIFY(server.forceStatus(path, 503, R"({"errors":["busy"]})"));
        QVERIFY(server.drop(path));
    }
    QVERIFY(server.forceStatus(sentPath, 502, QByteArray(), 2));
    const QString token = server
                              .sendCollaborationAs(otherEmail, conversation.identifier(),
                                                   QStringLiteral("/Shared/plan.txt"))
                              .at(0)
                              .toObject()
                              .value("token")
                              .toString();

    manager->start();
    QCOMPARE(waitForToken(received, token).token(), token);
    // Every failure was followed by one poll, not by a burst of them: the five failures took
    // five polls and the sixth was answered. (The next poll may already be on its way.) A poll
    // the previous case's manager sent as it went can still reach the service after the reset,
    // before the failures were set, and is not one of these: they start with the 500.
    const QJsonArray polls = requestsTo(receivedPath);
    int firstFailed = -1;
    int firstAnswered = -1;
    for (int i = 0; i < polls.size() && firstAnswered < 0; ++i) {
        const int status = polls.at(i).toObject().value("status").toInt();
        if (status == 500 && firstFailed < 0)
            firstFailed = i;
        else if (status == 200 && firstFailed >= 0)
            firstAnswered = i;
    }
    QVERIFY(firstFailed >= 0);
    QCOMPARE(firstAnswered - firstFailed, 5);

    QSignalSpy inviteSent(manager.get(), &MCollaborationManager::collaborationInviteSent);
    manager->sendTransferInvitation(conversation, QDateTime::currentDateTime(),
                                    QStringLiteral("/Mine/notes.txt"), QString());
    QVERIFY(inviteSent.wait(20000));
    const QString own = inviteSent.at(0).at(0).value<MCollaboration>().token();

    // A listing the gateway refused is sent again until it is answered.
    manager->listSentInvitations(MCollaboration::FileTransfer);
    QVERIFY(listedSent.wait(PollWait));
    QCOMPARE(requestsTo(sentPath).size(), 3);
    QVERIFY(
        collaborationsAt(listedSent, 0).contains(inviteSent.at(0).at(0).value<MCollaboration>()));

    manager->reject(own);
    QVERIFY(rejected.wait(20000));
    QVERIFY(waitForToken(changed, own).revoked());

    // A gateway that keeps failing is asked less and less often, never in a tight loop: the
    // sent-changes poll, answered all along, keeps its pace meanwhile.
    QVERIFY(server.forceStatus(receivedPath, 502, gatewayPage, -1, QString(), "text/html"));
    QVERIFY(server.clearRequests());
    QSignalSpy polled(manager->findChild<MNetworkRequestManager *>(),
                      &MNetworkRequestManager::replyFinishedForRequest);
    while (requestsTo(sentChangesPath).size() < 12)
        QVERIFY(polled.wait(20000));
    QVERIFY(requestsTo(receivedPath).size() <= 6);
}

void TestCollaborationManager::shutdownCompletesWithPollInFlight()
{
    QVERIFY(server.hang(receivedPath));
    QSignalSpy finished(manager->findChild<MNetworkRequestManager *>(),
                        &MNetworkRequestManager::replyFinishedForRequest);
    QSignalSpy completed(manager.get(), &MCollaborationManager::shutdownCompleted);
    manager->start();
    // The received poll hangs; the sent-changes poll goes on.
    while (requestsTo(receivedPath).isEmpty())
        QVERIFY(finished.wait(20000));
    manager->shutdown();
    QVERIFY(completed.wait(20000));
}

QTEST_GUILESS_MAIN(TestCollaborationManager)
#include "tst_collaborationmanager.moc"
