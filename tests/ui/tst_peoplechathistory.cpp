// The chat page's history, through the widgets, signed in as the demo user against kerlo-local
// after Bea wrote a marker and then a burst of 5,000 messages stored in one second: scrolling
// the chat to its top again and again brings every one of them, once each and in order, and
// the marker before them.
#include "chatpartner.h"
#include "kerlolocal.h"
#include "mcchatrowsmodel.h"
#include "mcchattableview.h"
#include "mccontact.h"
#include "shelltestfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QScrollBar>
#include <QtTest>

using namespace ShellTest;

namespace {

constexpr int BurstSize = 5000;
const QString Marker = QStringLiteral("before the burst");

} // namespace

class TestPeopleChatHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void burstInOneSecondIsReachableWholeByScrolling();

private:
    // The rows' texts that are Bea's messages, top to bottom.
    QStringList messageTexts() const;

    KerloLocal m_server;
    Shell m_shell;
    ChatPartner m_bea{m_server, m_shell};
};

QStringList TestPeopleChatHistory::messageTexts() const
{
    const MCChatRowsModel *rows = m_bea.rows();
    QStringList texts;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QString text = rows->index(row).data().toString();
        if (text == Marker || text.startsWith(QLatin1String("burst ")))
            texts.append(text);
    }
    return texts;
}

void TestPeopleChatHistory::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(m_bea.startConversation());
    QVERIFY(m_bea.post(Marker));
    QByteArray reply;
    QCOMPARE(m_server.control("POST", QStringLiteral("/messages"),
                              {{"email", QString::fromLatin1(ChatPartner::Email)},
                               {"conversation_id", m_bea.conversation()},
                               {"content", "burst"},
                               {"count", BurstSize}},
                              &reply),
             200);
    QCOMPARE(QJsonDocument::fromJson(reply).object().value("messages").toArray().size(), BurstSize);
    // Stored before the program starts: what it shows comes from the service's pages, as
    // after a restart.
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QTRY_VERIFY_WITH_TIMEOUT(m_bea.contact() && m_bea.contact()->writtenMessages().size() >= 100,
                             30000);
}

void TestPeopleChatHistory::burstInOneSecondIsReachableWholeByScrolling()
{
    QVERIFY(m_bea.showChat());
    MCChatTableView *table = m_bea.table();
    QCOMPARE(messageTexts().size(), 100);
    QCOMPARE(messageTexts().last(), QStringLiteral("burst %1").arg(BurstSize));

    // Each time the chat is scrolled to its top, older messages come, until the marker does.
    QScrollBar *scrollBar = table->verticalScrollBar();
    for (int turn = 0; turn < BurstSize / 100 && !messageTexts().contains(Marker); ++turn) {
        const int shown = messageTexts().size();
        QTRY_VERIFY(scrollBar->maximum() > 0);
        scrollBar->setValue(scrollBar->maximum());
        scrollBar->setValue(0);
        QTRY_VERIFY_WITH_TIMEOUT(messageTexts().size() > shown, 30000);
    }

    QStringList expected{Marker};
    for (int n = 1; n <= BurstSize; ++n)
        expected.append(QStringLiteral("burst %1").arg(n));
    QCOMPARE(messageTexts(), expected);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleChatHistory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplechathistory.moc"
