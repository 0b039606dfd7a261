#include "kerlolocal.h"
#include "mconversationsmanager.h"
#include "mconversationsmanager_p.h"
#include "mconversationsmanagerworker.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "signedincore.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QNetworkReply>
#include <QSet>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>

#include <ctime>
#include <memory>

namespace {

using TestData::demoEmail;
const QString otherEmail = QStringLiteral("bo@kerlo.local");
const QString newsPath = QStringLiteral("/api/v1/conversations/notifications");

// The demo user chatting with another user: what reaches the demo user's manager, checked as
// a chat window would use it.
class Chat
{
public:
    explicit Chat(KerloLocal *server)
        : server(server)
    {
        manager = std::make_unique<MConversationsManager>();
        worker = MConversationsManagerPrivate::get(manager.get())->worker;
        worker->setPollInterval(50);
        worker->setMaximumPollInterval(400);
        auto *network = worker->findChild<MJsonRequestManager *>();
        replies =
            std::make_unique<QSignalSpy>(network, &MNetworkRequestManager::replyFinishedForRequest);
        QObject::connect(manager.get(), &MConversationsManager::messagesReceived,
                         [this](const MConversation &, const QList<MMessage> &messages) {
                             // Newest first within one delivery; a page may bring history.
                             for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
                                 if (it->messageId() > history)
                                     received.append(*it);
                             }
                         });
        // Connected after the worker: what it delivered for an answer is in by then.
        QObject::connect(network, &MJsonRequestManager::responseObjectReady,
                         [this](const QVariant &, const MNetworkRequest &request) {
                             const bool page =
                                 request.userInfo().toMap().value(ReqActionKey).toInt() ==
                                 Tolvo::ConversationMessages;
                             pages += page;
                             while (byPage.size() < received.size())
                                 byPage.append(page);
                         });
    }

    // Starts a conversation with the other user, a group when named. Its identifier is 0 when
    // none started.
    MConversation startWithOther(const QString &name = QString())
    {
        QSignalSpy started(manager.get(), &MConversationsManager::conversationStarted);
        emit manager->startConversation(
            {MUserAccount(QVariantMap{{QStringLiteral("email"), otherEmail}})}, name);
        return started.wait() ? started.at(0).at(0).value<MConversation>() : MConversation();
    }

    // Opens the main conversation with the other user and follows it. Empty on failure.
    QString open()
    {
        conversation = startWithOther();
        if (conversation.identifier() <= 0)
            return QStringLiteral("no conversation started");
        return readNewestPage();
    }

    // Asks for the conversation's newest page; what it brings is history from then on.
    QString readNewestPage()
    {
        replies->clear();
        // Its answer sets the poll's cursor and starts the poll. Waited for as it is delivered:
        // a long page is read off the thread after its reply ended.
        emit manager->listMessages(conversation.identifier());
        if (!waitForPage())
            return QStringLiteral("no message page");
        // What was said before is history, not news.
        for (const MMessage &message : qAsConst(received))
            history = qMax(history, message.messageId());
        received.clear();
        byPage.clear();
        return QString();
    }

    // Posts as the demo user; the news poll must echo it with the same text and sending time.
    void post(const QString &body, const QDateTime &sentAt)
    {
        MMessage message;
        message.setBody(body);
        message.setSentAt(sentAt);
        pending.append(message);
        emit manager->postMessage(conversation.identifier(), message);
    }

    bool postAsOther(const QString &body)
    {
        expectedFromOther.append(body);
        return !server->postMessageAs(otherEmail, conversation.identifier(), body).isEmpty();
    }

    // count messages "<content> 1" to "<content> <count>" stored in one second; the second,
    // 0 on failure.
    qint64 postSecondAsOther(const QString &content, int count)
    {
        const QJsonArray made =
            server->postMessagesAs(otherEmail, conversation.identifier(), content, count);
        for (int n = 1; n <= made.size(); ++n)
            expectedFromOther.append(QStringLiteral("%1 %2").arg(content).arg(n));
        return made.size() == count
                   ? MMessage(made.first().toObject().toVariantMap()).createdAt().toSecsSinceEpoch()
                   : 0;
    }

    // Stops the poll between two polls, right after one's answer was handled: a poll the
    // service answered but the client dropped would hold what is posted next.
    bool stopPolling()
    {
        bool stopped = false;
        const QMetaObject::Connection between = QObject::connect(
            worker->findChild<MJsonRequestManager *>(), &MJsonRequestManager::responseObjectReady,
            [this, &stopped](const QVariant &, const MNetworkRequest &request) {
                if (!stopped && request.userInfo().toMap().value(ReqActionKey).toInt() ==
                                    Tolvo::ConversationNotifications) {
                    worker->stopListeningForNotifications();
                    stopped = true;
                }
            });
        const bool done = QTest::qWaitFor([&stopped] { return stopped; }, 20000);
        QObject::disconnect(between);
        return done;
    }

    // The messages delivered so far, each once.
    int distinct() const
    {
        QSet<qint64> ids;
        for (const MMessage &message : received)
            ids.insert(message.messageId());
        return ids.size();
    }

    bool waitForMessages(int count)
    {
        QSignalSpy delivered(manager.get(), &MConversationsManager::messagesReceived);
        while (distinct() < count) {
            if (!delivered.wait(20000))
                return false;
        }
        return true;
    }

    // Waits for the answer of a page asked for.
    bool waitForPage()
    {
        const int answered = pages;
        return QTest::qWaitFor([this, answered] { return pages > answered; }, 20000);
    }

    // Waits for every message, then for two more polls, and names what went wrong. A page may
    // bring again what the news brought (the chat drops it by its id); the news brings each
    // message once.
    QString settle()
    {
        const int expected = pending.size() + expectedFromOther.size();
        if (!waitForMessages(expected))
            return QStringLiteral("%1 of %2 messages arrived").arg(distinct()).arg(expected);
        for (int polls = 0; polls < 2; ++polls) {
            const int answered = replies->size();
            while (replies->size() == answered) {
                if (!replies->wait(20000))
                    return QStringLiteral("the poll stopped");
            }
        }
        QSet<qint64> ids;
        QStringList fromOther;
        for (int i = 0; i < received.size(); ++i) {
            const MMessage &message = received.at(i);
            if (ids.contains(message.messageId())) {
                if (byPage.value(i))
                    continue;
                return QStringLiteral("message %1 arrived twice").arg(message.body());
            }
            ids.insert(message.messageId());
            if (message.sender().email() == otherEmail)
                fromOther.append(message.body());
            for (int i = 0; i < pending.size(); ++i) {
                if (pending.at(i).body() == message.body() &&
                    pending.at(i).sentAt() == message.sentAt())
                    pending.removeAt(i--);
            }
        }
        if (!pending.isEmpty())
            return QStringLiteral("no echo for %1 sent at %2")
                .arg(pending.first().body(), pending.first().sentAt().toString(Qt::ISODate));
        if (fromOther != expectedFromOther)
            return QStringLiteral("received %1").arg(fromOther.join(QLatin1Char(',')));
        return QString();
    }

    KerloLocal *server;
    std::unique_ptr<MConversationsManager> manager;
    MConversationsManagerWorker *worker = nullptr;
    std::unique_ptr<QSignalSpy> replies;
    MConversation conversation;
    QList<MMessage> received;
    // The newest message stored before the chat was opened.
    qint64 history = 0;
    // Whether each of received came with a page.
    QList<bool> byPage;
    int pages = 0;
    QList<MMessage> pending;
    QStringList expectedFromOther;
};

// Orders in which the news, a page and a listing can bring a conversation's messages, and the
// ways a poll's answer is lost after the service handed its news over.
enum NewsOrder {
    EmptyPageLater,
    SecondSplitAcrossPolls,
    PageBetweenPolls,
    ConversationListedLater,
    PollDropped,
    PollCanceled,
    PollNotJson,
    PollGarbled,
    PollBadGateway,
    PollCut,
    PollBadGatewayUnhandled,
    PollCutUnhandled,
    PollLostAfterNewestPage,
    PollLostBeforeListedPage,
    PollDueBeforeListing,
    ListingStalls,
    ListingTrickles
};

// Cancels the poll in flight, as its transfer timeout does.
bool cancelPoll(MConversationsManagerWorker *worker)
{
    auto *network = worker->findChild<MJsonRequestManager *>();
    bool canceled = false;
    for (QNetworkReply *reply : network->findChildren<QNetworkReply *>()) {
        const MNetworkRequest request(reply->request());
        if (!reply->isFinished() && request.userInfo().toMap().value(ReqActionKey).toInt() ==
                                        Tolvo::ConversationNotifications)
            canceled = network->cancelRequest(request.requestId()) || canceled;
    }
    return canceled;
}

// Starts the service and the core, signed in as the demo user, with the other user known.
QString setUp(SignedInCore *core)
{
    if (!core->start())
        return QStringLiteral("kerlo-local or the core did not start");
    if (core->server().createUser(otherEmail, QStringLiteral("bo-secret-1")).isEmpty())
        return QStringLiteral("no second user");
    return core->signIn() ? QString() : QStringLiteral("sign-in failed");
}

// Messages sent either side of both of 2024's changes in Europe/Berlin, in a process whose
// local time zone is the first argument.
int runCase(const QString &name, const QStringList &arguments)
{
    if (name != QLatin1String("daylightSaving") || arguments.isEmpty())
        return 2;
    qputenv("TZ", arguments.first().toLocal8Bit());
    tzset();
    SignedInCore core;
    QString failure = setUp(&core);
    Chat chat(&core.server());
    if (failure.isEmpty())
        failure = chat.open();
    const QDateTime times[] = {
        QDateTime(QDate(2024, 3, 31), QTime(1, 30)), QDateTime(QDate(2024, 3, 31), QTime(3, 30)),
        QDateTime(QDate(2024, 10, 27), QTime(2, 30)), QDateTime(QDate(2024, 10, 27), QTime(3, 30))};
    for (int i = 0; failure.isEmpty() && i < 4; ++i) {
        chat.post(QStringLiteral("mine %1").arg(i), times[i]);
        if (!chat.postAsOther(QStringLiteral("theirs %1").arg(i)))
            failure = QStringLiteral("the other user could not post");
    }
    if (failure.isEmpty())
        failure = chat.settle();
    if (!failure.isEmpty())
        qCritical("%s", qPrintable(failure));
    return failure.isEmpty() ? 0 : 1;
}

} // namespace

class TestConversationsManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Far below a listing of thousands of conversations under the sanitizers, far above
        // one that trickles in a byte a second.
        qputenv("LUMARIN_LISTING_DEADLINE_MS", "10000");
        QCOMPARE(setUp(&core), QString());
    }
    void init() { QVERIFY(server.reset()); }

    void newsDeliversEachMessageOnceInOrder();
    void newsSurvivesDaylightSavingChanges();
    void newsBringsEveryMessageWhicheverWayItComes_data();
    void newsBringsEveryMessageWhicheverWayItComes();
    void pollResumesAfterFailures();
    void failingPollIsReportedOnceThenResumes();
    void pollOverManyConversationsIsSplitAndRecoversFromAFailedPart();
    void listingsOfManyConversationsGoOutAFewAtATime();
    void newsAtSignInDoesNotWaitForThePages();

private:
    SignedInCore core;
    KerloLocal &server = core.server();
};

void TestConversationsManager::newsDeliversEachMessageOnceInOrder()
{
    Chat chat(&server);
    QCOMPARE(chat.open(), QString());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(chat.postAsOther(QStringLiteral("hello %1").arg(i)));
        chat.post(QStringLiteral("reply %1").arg(i), QDateTime::currentDateTime());
    }
    QCOMPARE(chat.settle(), QString());

    // The poll names the conversation with a cursor in whole seconds taken from the answers.
    const QJsonArray polls = server.requestsTo(newsPath);
    const QString query = polls.last().toObject().value(QStringLiteral("query")).toString();
    const QString id = QString::number(chat.conversation.identifier());
    QVERIFY2(query.contains(QStringLiteral("last_conversation_id=") + id), qPrintable(query));
    const qint64 cursor = QUrlQuery(query).queryItemValue(id).toLongLong();
    QCOMPARE(cursor, chat.received.last().createdAt().toSecsSinceEpoch());
}

void TestConversationsManager::newsSurvivesDaylightSavingChanges()
{
    const TestCore::SubprocessResult result = TestCore::runSubprocess(
        QStringLiteral("daylightSaving"), {QStringLiteral("Europe/Berlin")}, 120000);
    QVERIFY2(result.exitCode == 0 && !result.crashed, result.standardError.constData());
}

void TestConversationsManager::newsBringsEveryMessageWhicheverWayItComes_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("empty page a second later") << int(EmptyPageLater);
    QTest::newRow("a second split across two polls") << int(SecondSplitAcrossPolls);
    QTest::newRow("newest page a second later, between polls") << int(PageBetweenPolls);
    QTest::newRow("new conversation listed a second later") << int(ConversationListedLater);
    QTest::newRow("poll answered, then its connection dropped") << int(PollDropped);
    QTest::newRow("poll answered, then canceled while its answer comes") << int(PollCanceled);
    QTest::newRow("poll answered with a body that is not JSON") << int(PollNotJson);
    QTest::newRow("poll answered 200 with its messages garbled") << int(PollGarbled);
    QTest::newRow("poll answered, then its answer replaced by a 502") << int(PollBadGateway);
    QTest::newRow("poll answered, then its body cut before a byte") << int(PollCut);
    QTest::newRow("poll refused 502 before the service saw it") << int(PollBadGatewayUnhandled);
    QTest::newRow("poll cut before the service saw it") << int(PollCutUnhandled);
    QTest::newRow("poll lost after the newest page of a long second")
        << int(PollLostAfterNewestPage);
    QTest::newRow("poll lost while a listed group waits for its page")
        << int(PollLostBeforeListedPage);
    QTest::newRow("first poll due while the sign-in's listing is on its way")
        << int(PollDueBeforeListing);
    QTest::newRow("listing that stalls") << int(ListingStalls);
    QTest::newRow("listing that trickles past its deadline") << int(ListingTrickles);
}

// The service dates messages to the second and answers the poll from a second on; the news
// hands each message once whatever poll, page or listing brings it or its second first.
void TestConversationsManager::newsBringsEveryMessageWhicheverWayItComes()
{
    QFETCH(int, order);
    Chat chat(&server);
    // A sign-in's client knows no conversation yet.
    if (order != PollDueBeforeListing)
        QCOMPARE(chat.open(), QString());
    const QString pagePath =
        QStringLiteral("/api/v1/conversations/%1/messages").arg(chat.conversation.identifier());
    // What else a lost poll carried: a new group, a new contact and an invitation.
    QSignalSpy conversations(chat.manager.get(), &MConversationsManager::conversationsReceived);
    QSignalSpy contacts(chat.manager.get(), &MConversationsManager::newUserContacts);
    QSignalSpy invitations(chat.manager.get(), &MConversationsManager::contactJoinInvitation);
    qlonglong group = 0;
    QString contact;
    qlonglong invitation = 0;
    qlonglong listed = 0;
    switch (order) {
    case EmptyPageLater:
        // No poll asks for them: ten messages stored, then an empty page (none before the
        // first id) answered in a later second, as a user reading back at the start of a chat
        // gets it. The poll that follows still brings them.
        QVERIFY(chat.stopPolling());
        QVERIFY(chat.postSecondAsOther(QStringLiteral("meanwhile"), 10));
        QVERIFY(server.delay(pagePath, 1100));
        emit chat.manager->listMessages(chat.conversation.identifier(), QDateTime(), 100, 1);
        QVERIFY(chat.waitForPage());
        QCOMPARE(chat.received.size(), 0);
        chat.worker->startListeningForNotifications();
        break;
    case SecondSplitAcrossPolls: {
        // Part of a second's messages come with one poll, the rest with the next; tried until
        // both parts were stored in one second.
        bool split = false;
        for (int round = 1; !split && round <= 10; ++round) {
            const qint64 first = chat.postSecondAsOther(QStringLiteral("%1 first").arg(round), 5);
            QVERIFY(first);
            QVERIFY(chat.waitForMessages(chat.expectedFromOther.size()));
            split = chat.postSecondAsOther(QStringLiteral("%1 rest").arg(round), 5) == first;
        }
        QVERIFY(split);
        break;
    }
    case PageBetweenPolls: {
        // A poll brings part of a second. The newest page is asked for and answered at once,
        // but its answer comes a second later: the rest of the second, stored meanwhile, is in
        // no page, and is left to the polls that follow.
        QVERIFY(chat.postSecondAsOther(QStringLiteral("before the page"), 5));
        QVERIFY(chat.waitForMessages(5));
        QVERIFY(chat.stopPolling());
        const int asked = server.requestsTo(pagePath).size();
        QVERIFY(server.drip(pagePath, 1));
        emit chat.manager->listMessages(chat.conversation.identifier(), QDateTime(), 1);
        // Its answer made, before any byte of it went.
        QVERIFY(QTest::qWaitFor([&] {
            const QJsonArray answered = server.requestsTo(pagePath);
            return answered.size() > asked &&
                   answered.last().toObject().value(QStringLiteral("status")).toInt() == 200;
        }));
        QVERIFY(chat.postSecondAsOther(QStringLiteral("with the page"), 5));
        QVERIFY(chat.waitForPage());
        chat.worker->startListeningForNotifications();
        QVERIFY(chat.postSecondAsOther(QStringLiteral("after the page"), 5));
        break;
    }
    case ConversationListedLater: {
        // A group never listed, its messages stored before the poll that first names it is
        // answered, a second later: it is followed from its creation.
        QVERIFY(chat.stopPolling());
        chat.conversation = chat.startWithOther(QStringLiteral("Pair"));
        QVERIFY(chat.conversation.identifier() > 0);
        QVERIFY(chat.postSecondAsOther(QStringLiteral("in the group"), 10));
        QVERIFY(server.delay(newsPath, 1100));
        chat.worker->startListeningForNotifications();
        break;
    }
    case PollDropped:
    case PollCanceled:
    case PollNotJson:
    case PollGarbled:
    case PollBadGateway:
    case PollCut:
    case PollBadGatewayUnhandled:
    case PollCutUnhandled: {
        // The service hands each piece of news over once, as it answers the poll that carries
        // it; that poll's answer then never reaches the manager, or not whole.
        QVERIFY(chat.stopPolling());
        group = chat.startWithOther(QStringLiteral("Lost %1").arg(order)).identifier();
        QVERIFY(group > 0);
        contact = QStringLiteral("contact-%1@kerlo.local").arg(order);
        const QString inviter = QStringLiteral("inviter-%1@kerlo.local").arg(order);
        QVERIFY(!server.createUser(contact, QStringLiteral("contact-secret-1")).isEmpty());
        QVERIFY(!server.createUser(inviter, QStringLiteral("inviter-secret-1")).isEmpty());
        QVERIFY(!server.inviteContactAs(demoEmail, contact).isEmpty());
        QVERIFY(!server.answerContactInvitationAs(contact, demoEmail, true).isEmpty());
        invitation = server.inviteContactAs(inviter, demoEmail)
                         .value(QStringLiteral("id"))
                         .toVariant()
                         .toLongLong();
        QVERIFY(invitation > 0);
        QVERIFY(chat.postSecondAsOther(QStringLiteral("lost"), 10));
        const int polls = server.requestsTo(newsPath).size();
        if (order == PollDropped) // Qt sends a dropped GET again once by itself.
            QVERIFY(server.dropAfterHandling(newsPath, 2));
        else if (order == PollCanceled)
            QVERIFY(server.drip(newsPath, 200));
        else if (order == PollBadGateway)
            QVERIFY(server.replaceAnswer(newsPath, 502, R"({"errors":["Bad gateway"]})"));
        else if (order == PollBadGatewayUnhandled)
            QVERIFY(server.forceStatus(newsPath, 502, R"({"errors":["Bad gateway"]})"));
        else if (order == PollCut)
            QVERIFY(server.addFault({{"path", newsPath}, {"action", "cut"}, {"cutAfterBytes", 0}}));
        else if (order == PollCutUnhandled)
            QVERIFY(server.addFault({{"path", newsPath},
                                     {"action", "status"},
                                     {"status", 200},
                                     {"body", R"({"messages":{}})"},
                                     {"cutAfterBytes", 0}}));
        else
            QVERIFY(server.replaceAnswer(newsPath, 200,
                                         order == PollNotJson ? "not JSON" : R"({"messages":[]})"));
        chat.worker->startListeningForNotifications();
        if (order == PollCanceled) {
            // Its answer made, before most of it went.
            QVERIFY(QTest::qWaitFor([&] {
                const QJsonArray asked = server.requestsTo(newsPath);
                return asked.size() > polls &&
                       asked.last().toObject().value(QStringLiteral("status")).toInt() == 200;
            }));
            QVERIFY(cancelPoll(chat.worker));
        }
        break;
    }
    case PollLostAfterNewestPage:
    case PollLostBeforeListedPage: {
        // A poll lost carries only what is newer than what the client holds or was handed:
        // history stays for the pages the user asks for. Here: more than a page of one second
        // with its newest page delivered, or a group listed whose page is still to be asked
        // for (a sign-in asks for thousands, one after another).
        QVERIFY(chat.stopPolling());
        const qlonglong named = chat.conversation.identifier();
        if (order == PollLostAfterNewestPage) {
            QVERIFY(chat.postSecondAsOther(QStringLiteral("long"), 150));
            emit chat.manager->listMessages(named);
            QVERIFY(chat.waitForPage());
            chat.expectedFromOther = chat.expectedFromOther.mid(50);
            // The page started the poll again.
            QVERIFY(chat.stopPolling());
        } else {
            listed = chat.startWithOther(QStringLiteral("Listed %1").arg(order)).identifier();
            QVERIFY(listed > 0);
            QCOMPARE(
                server.postMessagesAs(otherEmail, listed, QStringLiteral("listed"), 150).size(),
                150);
            // Listed a second later: what comes in the listing's own second is news.
            QVERIFY(server.delay(QStringLiteral("/api/v1/conversations"), 1100));
            emit chat.manager->listConversations();
            QVERIFY(conversations.wait());
        }
        const int polls = server.requestsTo(newsPath).size();
        QVERIFY(server.replaceAnswer(newsPath, 200, "not JSON"));
        chat.worker->startListeningForNotifications();
        // Read back once the lost poll's conversation is polled again; that poll handled once
        // the one after it is asked.
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QJsonArray asked = server.requestsTo(newsPath);
                int naming = 0;
                for (int i = polls + 1; i < asked.size(); ++i) {
                    const QString query =
                        asked.at(i).toObject().value(QStringLiteral("query")).toString();
                    naming += QUrlQuery(query).hasQueryItem(QString::number(named));
                }
                return naming >= 2;
            },
            20000));
        break;
    }
    case PollDueBeforeListing: {
        // A group with more than a page of history, then a sign-in: the poll is due before
        // its listing comes. What was said before the sign-in stays for the group's pages.
        chat.conversation = chat.startWithOther(QStringLiteral("Before the sign-in"));
        QVERIFY(chat.conversation.identifier() > 0);
        QCOMPARE(server
                     .postMessagesAs(otherEmail, chat.conversation.identifier(),
                                     QStringLiteral("earlier"), 150)
                     .size(),
                 150);
        QVERIFY(server.delay(QStringLiteral("/api/v1/conversations"), 1100));
        chat.worker->startListeningForNotifications();
        emit chat.manager->listConversations();
        QVERIFY(conversations.wait());
        // The second poll after the listing goes once the first one's answer was handled.
        const int polls = server.requestsTo(newsPath).size();
        QVERIFY(QTest::qWaitFor([&] { return server.requestsTo(newsPath).size() >= polls + 2; }));
        QCOMPARE(chat.received.size(), 0);
        QCOMPARE(chat.readNewestPage(), QString());
        QVERIFY(chat.postAsOther(QStringLiteral("after the sign-in")));
        break;
    }
    case ListingStalls:
        // The polls wait for the listing only until it fails.
        chat.worker->findChild<MJsonRequestManager *>()->setStallTimeout(500);
        QVERIFY(server.hang(QStringLiteral("/api/v1/conversations")));
        emit chat.manager->listConversations();
        QVERIFY(chat.postAsOther(QStringLiteral("while the listing stalls")));
        break;
    case ListingTrickles:
        // A byte a second is never a stall: the polls wait for it only until its deadline.
        QVERIFY(server.drip(QStringLiteral("/api/v1/conversations"), 1000));
        emit chat.manager->listConversations();
        QVERIFY(chat.postAsOther(QStringLiteral("while the listing trickles")));
        break;
    }
    QCOMPARE(chat.settle(), QString());
    if (listed) {
        int announced = 0;
        for (const QList<QVariant> &args : qAsConst(conversations)) {
            for (const MConversation &conversation : args.at(0).value<MConversationList>())
                announced += conversation.identifier() == listed;
        }
        QCOMPARE(announced, 1);
    }
    if (!group)
        return;
    const auto groupCame = [&] {
        for (const QList<QVariant> &args : qAsConst(conversations)) {
            for (const MConversation &listed : args.at(0).value<MConversationList>())
                if (listed.identifier() == group)
                    return true;
        }
        return false;
    };
    const auto contactCame = [&] {
        for (const QList<QVariant> &args : qAsConst(contacts)) {
            for (const MUserAccount &listed : args.at(0).value<QList<MUserAccount>>())
                if (listed.email() == contact)
                    return true;
        }
        return false;
    };
    const auto invitationCame = [&] {
        for (const QList<QVariant> &args : qAsConst(invitations)) {
            if (args.at(0).value<MJoinInvitation>().identifier() == invitation)
                return true;
        }
        return false;
    };
    QTRY_VERIFY(groupCame());
    QTRY_VERIFY(contactCame());
    QTRY_VERIFY(invitationCame());
}

void TestConversationsManager::pollResumesAfterFailures()
{
    Chat chat(&server);
    QCOMPARE(chat.open(), QString());
    QVERIFY(server.forceStatus(newsPath, 500, "{}", 2));
    QVERIFY(
        server.forceStatus(newsPath, 502, "<html>Bad gateway</html>", 2, QString(), "text/html"));
    QVERIFY(server.drop(newsPath, 2));
    QVERIFY(server.clearRequests());
    QVERIFY(chat.postAsOther(QStringLiteral("after the storm")));
    QCOMPARE(chat.settle(), QString());
    // Six refused polls (the network layer resends one dropped GET by itself), and polls again
    // after them; the message came with the page read back for a poll whose answer was lost.
    QTRY_VERIFY_WITH_TIMEOUT(server.requestsTo(newsPath).size() >= 8, 20000);
    const int polls = server.requestsTo(newsPath).size();

    // A poll the service never answers does not hold up the manager's destruction.
    QVERIFY(server.hang(newsPath, 1));
    QTRY_VERIFY(server.requestsTo(newsPath).size() > polls);
}

void TestConversationsManager::failingPollIsReportedOnceThenResumes()
{
    Chat chat(&server);
    QCOMPARE(chat.open(), QString());
    int reports = 0;
    const QMetaObject::Connection counting =
        connect(MNotificationManager::instance(), &MNotificationManager::notificationReady, this,
                [&reports](const MNotification &notification) {
                    reports += notification.type() == MNotification::ERROR &&
                               notification.attribute(MNotification::Action).toInt() ==
                                   Tolvo::ConversationNotifications;
                });
    QVERIFY(server.forceStatus(newsPath, 503, "{}", -1));
    // Poll after poll refused, spaced wider and wider: the user is told once.
    QTRY_VERIFY_WITH_TIMEOUT(server.requestsTo(newsPath).size() >= 8, 30000);
    QCOMPARE(reports, 1);

    // The service answers again: the poll resumes, and brings what was missed.
    QVERIFY(server.reset());
    QVERIFY(chat.postAsOther(QStringLiteral("back again")));
    QCOMPARE(chat.settle(), QString());
    QCOMPARE(reports, 1);
    disconnect(counting);
}

void TestConversationsManager::pollOverManyConversationsIsSplitAndRecoversFromAFailedPart()
{
    // Last: the seeded people stay with the demo user.
    const int people = 600;
    QByteArray seeded;
    QCOMPARE(server.control(
                 "POST", QStringLiteral("/social-seed"),
                 {{QStringLiteral("email"), demoEmail}, {QStringLiteral("contact_count"), people}},
                 &seeded),
             200);
    Chat chat(&server);
    QSignalSpy listed(chat.manager.get(), &MConversationsManager::conversationsReceived);
    emit chat.manager->listConversations();
    QVERIFY(listed.wait(20000));
    const MConversationList conversations = listed.at(0).at(0).value<MConversationList>();
    QVERIFY(conversations.size() >= people);
    // Each page answered sets that conversation's cursor.
    int pages = 0;
    connect(chat.worker->findChild<MJsonRequestManager *>(),
            &MNetworkRequestManager::replyFinishedForRequest, this,
            [&pages](const MNetworkRequest &request) {
                pages += request.userInfo().toMap().value(ReqActionKey).toInt() ==
                         Tolvo::ConversationMessages;
            });
    for (const MConversation &conversation : conversations)
        emit chat.manager->listMessages(conversation.identifier());
    QTRY_COMPARE_WITH_TIMEOUT(pages, conversations.size(), 60000);
    chat.received.clear();
    chat.byPage.clear();

    // The first requests of the poll fail, whichever part they carry; what the others bring
    // comes at once, and the failed part's conversations are asked again.
    QVERIFY(server.clearRequests());
    QVERIFY(server.forceStatus(newsPath, 500, "{}", 2));
    for (const int n : {1, people / 2, people}) {
        const QString sender = QStringLiteral("seed-%1@contacts.kerlo.local").arg(n);
        QVERIFY(!server.postMessageToContactAs(sender, demoEmail, sender).isEmpty());
    }
    QTRY_COMPARE_WITH_TIMEOUT(chat.received.size(), 3, 30000);
    QVERIFY(chat.replies->wait());
    QVERIFY(chat.replies->wait());
    QCOMPARE(chat.received.size(), 3);
    QSet<QString> named;
    for (const QJsonValue &poll : server.requestsTo(newsPath)) {
        const QString query = poll.toObject().value(QStringLiteral("query")).toString();
        QVERIFY2(query.size() < 4096, qPrintable(QString::number(query.size())));
        for (const auto &item : QUrlQuery(query).queryItems())
            named.insert(item.first);
    }
    QVERIFY(named.size() > conversations.size());
}

// A sign-in asks for the people and the newest page of every conversation at once: only a few
// are in flight at a time, the next going out as each answer comes, whether it is a page, an
// empty page, a refusal, an unreadable body, a dropped connection or silence. Every
// conversation gets both requests, each answered once.
void TestConversationsManager::listingsOfManyConversationsGoOutAFewAtATime()
{
    // After the poll's test, with its people or as many.
    QCOMPARE(server.control(
                 "POST", QStringLiteral("/social-seed"),
                 {{QStringLiteral("email"), demoEmail}, {QStringLiteral("contact_count"), 600}}),
             200);
    Chat chat(&server);
    // No poll goes out: one lost under load would have the pages of its conversations read
    // back, and only the listings asked for here are counted.
    chat.worker->setPollInterval(600000);
    chat.worker->setMaximumPollInterval(600000);
    auto *network = chat.worker->findChild<MJsonRequestManager *>();
    network->setStallTimeout(1000);
    QSignalSpy listed(chat.manager.get(), &MConversationsManager::conversationsReceived);
    emit chat.manager->listConversations();
    QVERIFY(listed.wait(20000));
    const MConversationList conversations = listed.at(0).at(0).value<MConversationList>();
    QVERIFY(conversations.size() >= 600);

    // More of each failure than may be in flight at once: a failure that kept its place
    // would, that many times over, stop the listings for good.
    const int Failures = MConversationsManagerWorker::ListingsInFlight + 1;
    const QString listings = QStringLiteral("/api/v1/conversations/");
    const auto fail = [&](const QJsonObject &fault) {
        QJsonObject all = fault;
        all.insert(QStringLiteral("path"), listings);
        all.insert(QStringLiteral("pathPrefix"), true);
        all.insert(QStringLiteral("count"), Failures);
        return server.addFault(all);
    };
    QVERIFY(fail({{"action", "status"}, {"status", 500}, {"body", "{}"}}));
    QVERIFY(fail({{"action", "status"}, {"status", 200}, {"body", "not JSON"}}));
    QVERIFY(fail({{"action", "hang"}}));
    // Qt sends a dropped request again once by itself: a limited number of drops could all fall
    // on first attempts and be hidden by the second. Every attempt is dropped until enough
    // dropped listings reached the client.
    QVERIFY(server.addFault(
        {{"path", listings}, {"pathPrefix", true}, {"action", "drop"}, {"count", -1}}));

    const auto isListing = [](const MNetworkRequest &request) {
        const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
        return action == Tolvo::ConversationUsers || action == Tolvo::ConversationMessages;
    };
    const auto listingsInFlight = [network, &isListing] {
        int count = 0;
        for (const QNetworkReply *reply : network->findChildren<QNetworkReply *>())
            count += !reply->isFinished() && isListing(MNetworkRequest(reply->request()));
        return count;
    };
    // What each answer was for, and the most in flight once its successor went out.
    QMultiHash<int, qlonglong> answered;
    QSet<QString> answeredIds;
    int mostInFlight = 0;
    int twice = 0;
    int refused = 0;
    int unreadable = 0;
    int silent = 0;
    int dropped = 0;
    connect(network, &MJsonRequestManager::decodeError, this,
            [&](const MNetworkRequest &request) { unreadable += isListing(request); });
    connect(network, &MNetworkRequestManager::replyFinishedForRequest, this,
            [&](const MNetworkRequest &request, const MNetworkReply &reply) {
                if (!isListing(request))
                    return;
                refused += reply.statusCode() == 500;
                silent += reply.error() == QNetworkReply::TimeoutError;
                dropped += reply.statusCode() == 0 && reply.error() != QNetworkReply::TimeoutError;
                const QVariantMap info = request.userInfo().toMap();
                twice += answeredIds.contains(request.requestId());
                answeredIds.insert(request.requestId());
                answered.insert(
                    info.value(ReqActionKey).toInt(),
                    info.value(ReqMapKey).toMap().value(QStringLiteral("id")).toLongLong());
                mostInFlight = qMax(mostInFlight, listingsInFlight());
            });
    for (const MConversation &conversation : conversations) {
        emit chat.manager->listUsers(conversation.identifier());
        emit chat.manager->listMessages(conversation.identifier());
    }
    QCOMPARE(listingsInFlight(), MConversationsManagerWorker::ListingsInFlight);
    QTRY_VERIFY_WITH_TIMEOUT(dropped >= Failures, 30000);
    QVERIFY(server.reset());

    QTRY_COMPARE_WITH_TIMEOUT(answeredIds.size(), 2 * conversations.size(), 30000);
    QCOMPARE(twice, 0);
    QVERIFY2(mostInFlight <= MConversationsManagerWorker::ListingsInFlight,
             qPrintable(QString::number(mostInFlight)));
    for (const int action : {int(Tolvo::ConversationUsers), int(Tolvo::ConversationMessages)}) {
        QList<qlonglong> ids = answered.values(action);
        std::sort(ids.begin(), ids.end());
        QList<qlonglong> expected;
        for (const MConversation &conversation : conversations)
            expected.append(conversation.identifier());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(ids, expected);
    }
    // Every failure reached the client: refused, unreadable, silent (those waiting behind the
    // silent ones for a connection too) and dropped (waited for above).
    QCOMPARE(refused, Failures);
    QCOMPARE(unreadable, Failures);
    QVERIFY2(silent >= Failures, qPrintable(QString::number(silent)));
}

// A sign-in asks for the people and the newest page of every conversation: a message sent
// meanwhile comes with the news, not with its conversation's page, however many there are.
void TestConversationsManager::newsAtSignInDoesNotWaitForThePages()
{
    // Last, with the people of the tests before or more.
    const int people = 3000;
    QCOMPARE(server.control(
                 "POST", QStringLiteral("/social-seed"),
                 {{QStringLiteral("email"), demoEmail}, {QStringLiteral("contact_count"), people}}),
             200);
    Chat chat(&server);
    QSignalSpy listed(chat.manager.get(), &MConversationsManager::conversationsReceived);
    emit chat.manager->listConversations();
    QVERIFY(listed.wait(20000));
    const MConversationList conversations = listed.at(0).at(0).value<MConversationList>();
    QVERIFY(conversations.size() >= people);
    // The page asked for last never comes.
    const MConversation last = conversations.last();
    QVERIFY(
        server.hang(QStringLiteral("/api/v1/conversations/%1/messages").arg(last.identifier())));
    for (const MConversation &conversation : conversations) {
        emit chat.manager->listUsers(conversation.identifier());
        emit chat.manager->listMessages(conversation.identifier());
    }
    QString sender;
    for (const MUserAccount &member : last.participants()) {
        if (member.email() != demoEmail)
            sender = member.email();
    }
    const qint64 sent =
        MMessage(
            server.postMessageAs(sender, last.identifier(), QStringLiteral("after the sign-in"))
                .toVariantMap())
            .messageId();
    QVERIFY(sent > 0);
    const auto arrived = [&] {
        return std::any_of(chat.received.cbegin(), chat.received.cend(),
                           [sent](const MMessage &message) { return message.messageId() == sent; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), 30000);
}

TESTCORE_MAIN_WITH_SUBPROCESS(TestConversationsManager, runCase)

#include "tst_conversationsmanager.moc"
