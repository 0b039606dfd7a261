// The people half at scale, signed in through the window as the demo user against kerlo-local
// with 1,000 contacts and 200 groups while other users act through the control API: the news
// poll over 1,200 conversations is split so that the service refuses none of its requests, and
// an invitation and messages at both ends of the conversations reach the sidebar; a burst of
// 150 messages stored in one second reaches the chat page whole, once each and in order, when
// the chat is scrolled to its top, though the sign-in's first poll was lost.
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatrowsmodel.h"
#include "mcchattableview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcjoininvitation.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "shelltestfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QUrlQuery>
#include <QtTest>

using namespace ShellTest;

namespace {

constexpr int ContactCount = 1000;
constexpr int GroupCount = 200;
constexpr int BurstSize = 150;
const QString ZedEmail = QStringLiteral("zed@kerlo.local");
const QString NewsPath = QStringLiteral("/api/v1/conversations/notifications");

QString seedEmail(int n)
{
    return QStringLiteral("seed-%1@contacts.kerlo.local").arg(n);
}

} // namespace

class TestPeopleAtScale : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void invitationAndMessagesArriveAmongThousandsOfConversations();
    void burstInOneSecondIsPagedWholeOnceAndInOrder();

private:
    MCSidebarController *sidebar() const { return m_shell.delegate()->mainWindow()->sidebar(); }
    int listedPeople() const;
    MCContact *contact(const QString &email) const;
    QVariantList badge(const QString &place) const;

    KerloLocal m_server;
    Shell m_shell;
    qint64 m_lastGroup = 0;
};

int TestPeopleAtScale::listedPeople() const
{
    const QAbstractItemModel *model = sidebar()->model();
    return model->rowCount(model->index(MCSidebarModel::Recent, 0));
}

MCContact *TestPeopleAtScale::contact(const QString &email) const
{
    for (MCContact *contact : MCManager::sharedManager()->contacts()) {
        if (contact->email() == email)
            return contact;
    }
    return nullptr;
}

QVariantList TestPeopleAtScale::badge(const QString &place) const
{
    return sidebar()->model()->indexForPlace(place).data(MCSidebarModel::BadgeRole).toList();
}

void TestPeopleAtScale::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(!m_server
                 .createUser(ZedEmail, QStringLiteral("zed-password"),
                             {{"first_name", "Zed"}, {"last_name", "Ray"}})
                 .isEmpty());
    QByteArray reply;
    QCOMPARE(m_server.control("POST", QStringLiteral("/social-seed"),
                              {{"email", QString::fromLatin1(DemoEmail)},
                               {"contact_count", ContactCount},
                               {"group_count", GroupCount}},
                              &reply),
             200);
    m_lastGroup = QJsonDocument::fromJson(reply)
                      .object()
                      .value("groups")
                      .toArray()
                      .last()
                      .toVariant()
                      .toLongLong();
    QVERIFY(m_lastGroup > 0);
    // Before the client starts: its first page of that chat holds only the newest 100.
    QCOMPARE(m_server.control("POST", QStringLiteral("/messages"),
                              {{"email", seedEmail(1)},
                               {"recipient", QString::fromLatin1(DemoEmail)},
                               {"content", "burst"},
                               {"count", BurstSize}},
                              &reply),
             200);
    QCOMPARE(QJsonDocument::fromJson(reply).object().value("messages").toArray().size(), BurstSize);

    // The sign-in's first poll is answered, then lost on its way, as a poll under load may be:
    // its read-back brings the news it could have carried, and the chats listed keep their
    // history for their pages.
    QVERIFY(m_server.replaceAnswer(NewsPath, 200, "not JSON"));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QTRY_COMPARE_WITH_TIMEOUT(listedPeople(), ContactCount + GroupCount, 120000);
}

void TestPeopleAtScale::invitationAndMessagesArriveAmongThousandsOfConversations()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(m_server.clearRequests());
    QVERIFY(!m_server.inviteContactAs(ZedEmail, QString::fromLatin1(DemoEmail)).isEmpty());
    // The first contact's conversation and the last group's lie at the two ends of the poll.
    MCContact *first = contact(seedEmail(1));
    QVERIFY(first);
    QVERIFY(!m_server
                 .postMessageToContactAs(seedEmail(1), QString::fromLatin1(DemoEmail),
                                         QStringLiteral("from the first"))
                 .isEmpty());
    // The seeded group n has the contacts n and n + 1 with the user.
    QVERIFY(!m_server.postMessageAs(seedEmail(GroupCount), m_lastGroup, QStringLiteral("to all"))
                 .isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), 1, 60000);
    QCOMPARE(hub->userMessages().first()->joinInvitation().sender().email(), ZedEmail);
    QCOMPARE(badge(QStringLiteral("messages://")), QVariantList{1});
    MCSocialEntity *group = hub->socialEntity(m_lastGroup);
    QVERIFY(group);
    const auto hasMessage = [](MCSocialEntity *entity, const QString &body) {
        const QList<MOMessage> messages = entity->writtenMessages();
        return std::any_of(messages.cbegin(), messages.cend(),
                           [&body](const MOMessage &m) { return m.body() == body; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(hasMessage(first, QStringLiteral("from the first")), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(hasMessage(group, QStringLiteral("to all")), 60000);
    // Unread in the sidebar, the chats not being shown.
    QTRY_COMPARE(badge(group->title()), QVariantList{1});

    // The service refused nothing, and every conversation was followed, in several requests.
    const auto followed = [this] {
        QSet<QString> named;
        int polls = 0;
        for (const QJsonValue &value : m_server.requests()) {
            const QJsonObject request = value.toObject();
            if (request.value("status").toInt() == 414)
                return -1;
            if (request.value("path").toString() != NewsPath)
                continue;
            ++polls;
            const QString query = request.value("query").toString();
            if (m_server.baseUrl().toString().size() + NewsPath.size() + query.size() >= 6144)
                return -2;
            for (const auto &item : QUrlQuery(query).queryItems()) {
                if (item.first != QLatin1String("last_conversation_id"))
                    named.insert(item.first);
            }
        }
        return polls > 1 ? named.size() : 0;
    };
    QTRY_COMPARE_WITH_TIMEOUT(followed(), ContactCount + GroupCount, 30000);
}

void TestPeopleAtScale::burstInOneSecondIsPagedWholeOnceAndInOrder()
{
    MCContact *sender = contact(seedEmail(1));
    QVERIFY(sender);
    QTRY_VERIFY_WITH_TIMEOUT(sender->writtenMessages().size() >= 100, 30000);
    const MCChatRowsModel *rows = sender->rowsModel();
    const auto bursts = [rows] {
        QStringList bodies;
        for (int row = 0; row < rows->rowCount(); ++row) {
            const QString text = rows->index(row).data().toString();
            if (text.startsWith(QLatin1String("burst ")))
                bodies.append(text);
        }
        return bodies;
    };

    // Opened from its sidebar row, as a user does.
    const QModelIndex index = sidebar()->model()->indexForPlace(sender->title());
    QVERIFY(index.isValid());
    auto *outline = sidebar()->outlineView();
    outline->scrollTo(index);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
    QTRY_VERIFY(sender->chatController() && sender->chatController()->isVisible());
    MCChatTableView *table = sender->chatController()->chatTableView();
    QCOMPARE(bursts().size(), 100);
    QCOMPARE(bursts().last(), QStringLiteral("burst %1").arg(BurstSize));

    // Scrolled to the top: the rest of that second comes.
    QTRY_VERIFY(table->verticalScrollBar()->maximum() > 0);
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    table->verticalScrollBar()->setValue(0);
    QTRY_COMPARE_WITH_TIMEOUT(bursts().size(), BurstSize, 30000);

    // Scrolled to the top again, the page asked brings what is shown already: nothing twice.
    // The poll restarts once the client has the page, so its next request says it was handled.
    const QString pages =
        QStringLiteral("/api/v1/conversations/%1/messages").arg(sender->identifier());
    QVERIFY(m_server.clearRequests());
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    table->verticalScrollBar()->setValue(0);
    const auto pollAfterPage = [&] {
        const QJsonArray log = m_server.requests();
        const int page = firstRequest(log, QRegularExpression::escape(pages));
        if (page < 0)
            return false;
        for (int i = page + 1; i < log.size(); ++i) {
            if (log.at(i).toObject().value("path").toString() == NewsPath)
                return log.at(page).toObject().value("status").toInt() == 200;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(pollAfterPage(), 30000);
    QStringList expected;
    for (int n = 1; n <= BurstSize; ++n)
        expected.append(QStringLiteral("burst %1").arg(n));
    QCOMPARE(bursts(), expected);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleAtScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peopleatscale.moc"
