// Signing in through the window as the demo user with hundreds of contacts while kerlo-local
// answers the conversations' requests at the pace of a distant service: the news poll goes out
// while the conversations' people and histories are still being listed, so that what others
// write meanwhile does not wait for the whole listing.
#include "kerlolocal.h"
#include "shelltestfixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

using namespace ShellTest;

namespace {

constexpr int ContactCount = 400;
constexpr int ReplyDelayMs = 50;
const QString ConversationsPath = QStringLiteral("/api/v1/conversations/");
const QString NewsPath = QStringLiteral("/api/v1/conversations/notifications");

bool isHistoryPage(const QJsonObject &request)
{
    const QString path = request.value("path").toString();
    return path.startsWith(ConversationsPath) && path.endsWith(QLatin1String("/messages"));
}

} // namespace

class TestPeopleSignIn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void newsPollGoesOutWhileConversationsAreListed();

private:
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
}

void TestPeopleSignIn::newsPollGoesOutWhileConversationsAreListed()
{
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
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

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleSignIn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplesignin.moc"
