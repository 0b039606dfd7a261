// Signing in through the window as the demo user with hundreds of contacts while kerlo-local
// answers the conversations' requests at the pace of a distant service: a message the user
// sends meanwhile goes out behind a few of the conversations' listings, not behind all of them;
// the news poll goes out while the conversations' people and histories are still being listed,
// so that what others write meanwhile does not wait for the whole listing; every conversation's
// people and newest page are asked once.
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatmessagefield.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "shelltestfixture.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

using namespace ShellTest;

namespace {

constexpr int ContactCount = 400;
// Twelve listings in flight at this delay take about ten seconds for all: long enough that a
// message typed once the first contact shows goes out while they are still under way, even on a
// loaded machine.
constexpr int ReplyDelayMs = 150;
const QString ConversationsPath = QStringLiteral("/api/v1/conversations/");
const QString NewsPath = QStringLiteral("/api/v1/conversations/notifications");

bool isHistoryPage(const QJsonObject &request)
{
    const QString path = request.value("path").toString();
    return path.startsWith(ConversationsPath) && path.endsWith(QLatin1String("/messages"));
}

bool isPeopleListing(const QJsonObject &request)
{
    const QString path = request.value("path").toString();
    return path.startsWith(ConversationsPath) && path.endsWith(QLatin1String("/users"));
}

// The conversations' listings (people and pages) among the first count requests of log.
int listingsAmong(const QJsonArray &log, int count)
{
    int listings = 0;
    for (int i = 0; i < count && i < log.size(); ++i) {
        const QJsonObject request = log.at(i).toObject();
        listings += isHistoryPage(request) || isPeopleListing(request);
    }
    return listings;
}

} // namespace

class TestPeopleSignIn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageSentMeanwhileGoesOutAheadOfTheListings();
    void newsPollGoesOutWhileConversationsAreListed();
    void everyConversationIsListedOnce();

private:
    MCContact *firstContact() const;

    KerloLocal m_server;
    Shell m_shell;
};

void TestPeopleSignIn::initTestCase()
{
    QVERIFY(m_server.start());
    QCOMPARE(m_server.control("POST", QStringLiteral("/social-seed"),
                              {{"email", QString::fromLatin1(DemoEmail)},
                               {"contact_count", ContactCount},
                               {"group_count", 0}}),
             200);
    QVERIFY(m_server.addFault({{"path", ConversationsPath},
                               {"pathPrefix", true},
                               {"action", "delay"},
                               {"delayMs", ReplyDelayMs},
                               {"count", -1}}));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
}

MCContact *TestPeopleSignIn::firstContact() const
{
    for (MCContact *contact : MCManager::sharedManager()->contacts()) {
        if (contact->email() == QLatin1String("seed-1@contacts.kerlo.local"))
            return contact;
    }
    return nullptr;
}

void TestPeopleSignIn::messageSentMeanwhileGoesOutAheadOfTheListings()
{
    // The first contact's chat, opened from the sidebar while the listings come.
    QTRY_VERIFY_WITH_TIMEOUT(firstContact(), 30000);
    MCContact *contact = firstContact();
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    QModelIndex row;
    QTRY_VERIFY((row = sidebar->model()->indexForPlace(contact->title())).isValid());
    auto *outline = sidebar->outlineView();
    outline->scrollTo(row);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(row).center());
    QTRY_VERIFY(contact->chatController() && contact->chatController()->isVisible());
    MCChatMessageField *field = contact->chatController()->textView();
    QTRY_VERIFY(field->hasFocus());

    const int askedBefore = listingsAmong(m_server.requests(), INT_MAX);
    QTest::keyClicks(field, QStringLiteral("meanwhile"));
    QTest::keyClick(field, Qt::Key_Return);
    const QString postPath = ConversationsPath + QString::number(contact->identifier());
    int post = -1;
    QTRY_VERIFY_WITH_TIMEOUT(
        (post = firstRequest(m_server.requests(), postPath, QStringLiteral("POST"))) >= 0, 30000);
    // Only the few listings in flight when it was sent went out before it (the client keeps
    // twelve in flight, and a slot freed while the message was typed and sent is taken again:
    // two rounds at most, where a queue of every listing put hundreds ahead), and the listing
    // went on after it.
    const QJsonArray log = m_server.requests();
    const int ahead = listingsAmong(log, post) - askedBefore;
    QVERIFY2(ahead <= 24, qPrintable(QStringLiteral("%1 listings went out first").arg(ahead)));
    // The next listing goes out as one in flight is answered, a reply delay later.
    const int listedBeforePost = listingsAmong(log, post + 1);
    QTRY_VERIFY2_WITH_TIMEOUT(listingsAmong(m_server.requests(), INT_MAX) > listedBeforePost,
                              "the listings were over before the message was sent", 30000);
}

void TestPeopleSignIn::newsPollGoesOutWhileConversationsAreListed()
{
    // Every history page answered, and a news poll too.
    const auto listed = [this] {
        int pages = 0;
        bool polled = false;
        for (const QJsonValue &value : m_server.requests()) {
            const QJsonObject request = value.toObject();
            pages += isHistoryPage(request) && request.value("status").toInt() == 200;
            polled = polled || request.value("path").toString() == NewsPath;
        }
        return pages == ContactCount && polled;
    };
    QTRY_VERIFY_WITH_TIMEOUT(listed(), 120000);

    // The log is in the order the requests reached the service.
    const QJsonArray log = m_server.requests();
    int firstPoll = -1;
    int lastPage = -1;
    int pagesBeforePoll = 0;
    for (int i = 0; i < log.size(); ++i) {
        const QJsonObject request = log.at(i).toObject();
        if (firstPoll < 0 && request.value("path").toString() == NewsPath)
            firstPoll = i;
        if (isHistoryPage(request)) {
            lastPage = i;
            pagesBeforePoll += firstPoll < 0;
        }
    }
    QVERIFY2(firstPoll < lastPage,
             qPrintable(QStringLiteral("the first news poll came after all %1 history pages")
                            .arg(pagesBeforePoll)));
}

void TestPeopleSignIn::everyConversationIsListedOnce()
{
    // How often each conversation's people and newest page were asked.
    QHash<QString, int> asked;
    const auto listed = [&] {
        asked.clear();
        for (const QJsonValue &value : m_server.requests()) {
            const QJsonObject request = value.toObject();
            if (isPeopleListing(request) || isHistoryPage(request))
                ++asked[request.value("path").toString()];
        }
        return asked.size();
    };
    QTRY_COMPARE_WITH_TIMEOUT(listed(), 2 * ContactCount, 60000);
    for (auto it = asked.cbegin(); it != asked.cend(); ++it)
        QVERIFY2(it.value() == 1,
                 qPrintable(QStringLiteral("%1 asked %2 times").arg(it.key()).arg(it.value())));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleSignIn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplesignin.moc"
