// The add-contact and notifications pages as a user meets them, signed in to kerlo-local while
// other users act through its control API: finding someone by e-mail address and inviting
// them; an invitation that arrives while the window is behind another, counted on the
// sidebar's Notifications badge and told on the desktop through a notification server on the
// test's own session bus (a recorder of ours); answering it on the page. An invitation from
// someone who became a contact meanwhile asks for no answer; the page counts what waits as
// the user's locale writes numbers.
#include "dbusdesktopnotifier.h"
#include "hostilenames.h"
#include "kbbutton.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mccontact.h"
#include "mcjoininvitation.h"
#include "mcjoininvitationview.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmessagescontroller.h"
#include "mcnotificationsmodel.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcsocialaddcellview.h"
#include "mcsocialaddcontroller.h"
#include "mcsocialaddmodel.h"
#include "shelltestfixture.h"
#include "yrkspinningprogressindicator.h"

#include <QAction>
#include <QDBusConnection>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QStringLiteral("bea@kerlo.local");
const QString CalEmail = QStringLiteral("cal+work@kerlo.local");
const QString DanEmail = QStringLiteral("dan@kerlo.local");
const QString BeaName = QStringLiteral("Bea <b>&amp; \u202Eetirw");

QStringList logged;
QtMessageHandler previousHandler = nullptr;

void keepMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    logged.append(message);
    previousHandler(type, context, message);
}

} // namespace

class TestPeopleNotify : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void buttonRulesInOrder();
    void addContactFindsAndInvites();
    void addContactSearchFailures();
    void invitationArrivesBehindAnotherWindow();
    void invitationsAreAnsweredOnThePage();
    void namesAndAnsweredRowsLetGo();
    void desktopBubblesAreBoundedAndBurstsCounted();
    void invitationFromSomeoneWhoBecameAContactWantsNoAnswer();
    void aThousandInvitationsAreCountedAsTheLocaleWritesNumbers();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCSocialAddController *addPage() const;
    MCMessagesController *messagesPage() const;
    void search(const QString &text);
    QString cellText(int row, int column, bool email = false) const;
    QToolButton *addButton(int row) const;
    QVariant notificationsBadge() const;
    QList<QJsonObject> recorded() const;

    KerloLocal m_server;
    Shell m_shell;
    QTemporaryDir m_folder;
    QProcess m_recorder;
    std::unique_ptr<DBusDesktopNotifier> m_notifier;
};

MCSocialAddController *TestPeopleNotify::addPage() const
{
    return qobject_cast<MCSocialAddController *>(
        m_shell.delegate()->page(QStringLiteral("addcontact://")));
}

MCMessagesController *TestPeopleNotify::messagesPage() const
{
    return qobject_cast<MCMessagesController *>(
        m_shell.delegate()->page(QStringLiteral("messages://")));
}

void TestPeopleNotify::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("needs a session bus (the test script runs the suites in dbus-run-session)");
    previousHandler = qInstallMessageHandler(keepMessage);
    QLoggingCategory::setFilterRules(QStringLiteral("lumarin.ui.people.notify.debug=true"));
    QVERIFY(m_folder.isValid());
    m_recorder.setProgram(QStringLiteral(NOTIFICATION_RECORDER_PATH));
    m_recorder.setArguments({m_folder.filePath(QStringLiteral("notifications.jsonl"))});
    m_recorder.start();
    QVERIFY(m_recorder.waitForReadyRead(10000));
    QCOMPARE(m_recorder.readLine().trimmed(), QByteArray("ready"));

    QVERIFY(m_server.start());
    QVERIFY(!m_server
                 .createUser(BeaEmail, QStringLiteral("pw"),
                             {{"first_name", "Bea <b>&amp;"}, {"last_name", "\u202Eetirw"}})
                 .isEmpty());
    QVERIFY(!m_server
                 .createUser(CalEmail, QStringLiteral("pw"),
                             {{"first_name", "Cal"}, {"last_name", "Vo"}})
                 .isEmpty());
    QVERIFY(
        !m_server.createUser(DanEmail, QStringLiteral("pw"), {{"first_name", "Dan"}}).isEmpty());
    m_notifier = std::make_unique<DBusDesktopNotifier>(
        QStringLiteral("Lumarin"), QStringLiteral("lumarin"), QStringLiteral("lumarin"));
    m_shell.notifier = m_notifier.get();
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
}

void TestPeopleNotify::cleanupTestCase()
{
    m_recorder.kill();
    m_recorder.waitForFinished();
}

void TestPeopleNotify::search(const QString &text)
{
    QLineEdit *field = addPage()->searchField();
    field->clear();
    QTest::keyClicks(field, text);
    QVERIFY(addPage()->buttonFind()->isEnabled());
    QTest::mouseClick(addPage()->buttonFind(), Qt::LeftButton);
}

QString TestPeopleNotify::cellText(int row, int column, bool email) const
{
    QTableView *table = addPage()->tableView();
    auto *cell =
        qobject_cast<MCSocialAddCellView *>(table->indexWidget(table->model()->index(row, column)));
    if (!cell || !cell->textField())
        return QStringLiteral("<no cell>");
    QLabel *label = email ? cell->emailField() : cell->textField();
    // Service text is never read as markup.
    if (label->textFormat() != Qt::PlainText)
        return QStringLiteral("<not plain>");
    return label->isVisibleTo(cell) ? label->text() : QString();
}

QToolButton *TestPeopleNotify::addButton(int row) const
{
    QTableView *table = addPage()->tableView();
    auto *cell = qobject_cast<MCSocialAddCellView *>(
        table->indexWidget(table->model()->index(row, MCSocialAddModel::ButtonColumn)));
    return cell ? cell->buttonAdd() : nullptr;
}

QVariant TestPeopleNotify::notificationsBadge() const
{
    QAbstractItemModel *model = window()->sidebar()->outlineView()->model();
    const QModelIndexList rows =
        model->match(model->index(0, 0), MCSidebarModel::PlaceRole, QStringLiteral("messages://"),
                     1, Qt::MatchExactly | Qt::MatchRecursive);
    return rows.isEmpty() ? QVariant() : rows.first().data(MCSidebarModel::BadgeRole);
}

QList<QJsonObject> TestPeopleNotify::recorded() const
{
    QFile file(m_folder.filePath(QStringLiteral("notifications.jsonl")));
    QList<QJsonObject> calls;
    if (!file.open(QIODevice::ReadOnly))
        return calls;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            calls.append(QJsonDocument::fromJson(line).object());
    }
    return calls;
}

void TestPeopleNotify::buttonRulesInOrder()
{
    using State = MCSocialAddModel::ButtonState;
    const auto rule = [](bool account, bool contact, bool me, bool pending) {
        const State state = MCSocialAddModel::buttonState(account, contact, me, pending);
        return QStringList{state.text, state.iconName, state.enabled ? "on" : "off"};
    };
    // An existing contact wins over a pending invitation; one's own address is never invited.
    QCOMPARE(rule(true, true, false, true), (QStringList{"Already in my contacts", "ok", "off"}));
    QCOMPARE(rule(false, false, false, false), (QStringList{"", "", "off"}));
    QCOMPARE(rule(true, false, true, true), (QStringList{"Ehi, it's me!", "info", "off"}));
    QCOMPARE(rule(true, false, false, true),
             (QStringList{"Invite request sent", "question", "off"}));
    QCOMPARE(rule(true, false, false, false),
             (QStringList{"Click the plus button to invite", "add", "on"}));
}

void TestPeopleNotify::addContactFindsAndInvites()
{
    window()->goAction(QStringLiteral("addcontact://"))->trigger();
    QTRY_VERIFY(addPage() && addPage()->isVisible());
    QCOMPARE(window()->windowTitle(), QStringLiteral("Add Contact..."));

    // Only a whole address can be searched for; "+" is part of it and reaches the service.
    QLineEdit *field = addPage()->searchField();
    QTest::keyClicks(field, QStringLiteral("cal+work@kerlo"));
    QVERIFY(!addPage()->buttonFind()->isEnabled());
    QTest::keyClicks(field, QStringLiteral(".local"));
    QVERIFY(addPage()->buttonFind()->isEnabled());
    QTest::mouseClick(addPage()->buttonFind(), Qt::LeftButton);
    QVERIFY(addPage()->progressIndicator()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn), QStringLiteral("Cal Vo"),
                              20000);
    QCOMPARE(addPage()->contacts()->rowCount(), 1);
    QCOMPARE(cellText(0, MCSocialAddModel::InfoColumn, true), CalEmail);
    QCOMPARE(cellText(0, MCSocialAddModel::ButtonColumn),
             QStringLiteral("Click the plus button to invite"));
    QVERIFY(addButton(0)->isEnabled());

    QTest::mouseClick(addButton(0), Qt::LeftButton);
    QVERIFY(!addButton(0)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Invite request sent"), 20000);
    QVERIFY(!addButton(0)->isEnabled());
    const auto sentTo = [this](const QString &email) {
        for (const QJsonValue &invite : m_server.contactInvitationsOf(email)) {
            if (invite["sender"]["email"].toString() == QLatin1String(DemoEmail))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sentTo(CalEmail), 20000);
    // A second press of the same row sends nothing more; a later search remembers it.
    QTest::mouseClick(addButton(0), Qt::LeftButton);
    search(CalEmail);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Invite request sent"), 20000);

    // Nobody by that address.
    search(QStringLiteral("nobody@kerlo.local"));
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn),
                              QStringLiteral("No user found with this data"), 20000);
    QCOMPARE(cellText(0, MCSocialAddModel::InfoColumn, true),
             QStringLiteral("Try a different search query"));
    QCOMPARE(cellText(0, MCSocialAddModel::ButtonColumn), QString());
    QVERIFY(!addButton(0)->isEnabled());

    // Once Cal accepts, the row says so, as every later search does.
    QVERIFY(
        !m_server.answerContactInvitationAs(CalEmail, QLatin1String(DemoEmail), true).isEmpty());
    MCManager *hub = MCManager::sharedManager();
    const auto isContact = [hub](const QString &email) {
        const QList<MCContact *> contacts = hub->contacts();
        return std::any_of(contacts.begin(), contacts.end(),
                           [&email](MCContact *contact) { return contact->email() == email; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(isContact(CalEmail), 20000);
    search(CalEmail);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Already in my contacts"), 20000);
    QVERIFY(!addButton(0)->isEnabled());
    QCOMPARE(m_server.contactInvitationsOf(CalEmail).size(), 1);
}

void TestPeopleNotify::addContactSearchFailures()
{
    // A slow answer to an earlier search never replaces a later one's rows.
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/contacts/search.json"), 1500));
    search(DanEmail);
    search(QStringLiteral("nobody@kerlo.local"));
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn),
                              QStringLiteral("No user found with this data"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(logged.contains("An answer to an earlier search is dropped"), 20000);
    QCOMPARE(cellText(0, MCSocialAddModel::InfoColumn),
             QStringLiteral("No user found with this data"));

    // A search the service never answers stops the spinner and says so.
    addPage()->setSearchTimeout(500);
    QVERIFY(m_server.hang(QStringLiteral("/api/v1/contacts/search.json")));
    search(DanEmail);
    QVERIFY(addPage()->progressIndicator()->isAnimating());
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn),
                              QStringLiteral("The service did not answer"), 20000);
    QTRY_VERIFY(!addPage()->progressIndicator()->isAnimating());
    addPage()->setSearchTimeout(30000);
    QVERIFY(m_server.reset());
}

void TestPeopleNotify::invitationArrivesBehindAnotherWindow()
{
    MCManager *hub = MCManager::sharedManager();
    const int before = hub->userMessages().size();
    QCOMPARE(hub->unreadNotifications(), 0);
    QCOMPARE(notificationsBadge(), QVariant(QVariantList{0}));

    // Another window in front: the user hears of the invitation on the desktop.
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(!window()->isActiveWindow());
    QVERIFY(!m_server.inviteContactAs(BeaEmail, QLatin1String(DemoEmail)).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), before + 1, 20000);
    QCOMPARE(hub->unreadNotifications(), 1);
    QTRY_COMPARE(notificationsBadge(), QVariant(QVariantList{1}));
    QTRY_COMPARE_WITH_TIMEOUT(recorded().size(), 1, 10000);
    const QJsonObject bubble = recorded().first();
    // The name as the window shows it: its markup as text, its override defused.
    QCOMPARE(bubble["summary"].toString(), QStringLiteral("Bea <b>&amp; \uFFFDetirw"));
    QCOMPARE(bubble["body"].toString(),
             QStringLiteral("\u2068Invited you to become a contact\u2069"));
    QCOMPARE(bubble["app_name"].toString(), QStringLiteral("Lumarin"));

    // In front again: the next one is shown by the window alone.
    other.close();
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QVERIFY(!m_server.inviteContactAs(DanEmail, QLatin1String(DemoEmail)).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(hub->unreadNotifications(), 2, 20000);
    QTRY_COMPARE(notificationsBadge(), QVariant(QVariantList{2}));
    QCOMPARE(recorded().size(), 1);
}

void TestPeopleNotify::invitationsAreAnsweredOnThePage()
{
    MCManager *hub = MCManager::sharedManager();
    window()->goAction(QStringLiteral("messages://"))->trigger();
    MCMessagesController *page = messagesPage();
    QTRY_VERIFY(page && page->isVisible());
    QTableView *table = page->tableView();
    QSortFilterProxyModel *rows = page->arrangedNotifications();
    QCOMPARE(rows->rowCount(), 2);
    // Newest first; names as plain text, one line each.
    QCOMPARE(rows->index(0, MCNotificationsModel::SenderColumn).data().toString(),
             QStringLiteral("Dan"));
    QVERIFY(rows->index(1, MCNotificationsModel::SenderColumn).data().toString() != BeaName);
    QVERIFY(rows->index(1, MCNotificationsModel::SenderColumn)
                .data()
                .toString()
                .startsWith(QStringLiteral("Bea <b>&amp; ")));
    QCOMPARE(rows->index(0, MCNotificationsModel::SubjectColumn).data().toString(),
             QStringLiteral("\u2068Invited you to become a contact\u2069"));
    QCOMPARE(page->splitBottomView()->currentWidget(), page->viewNoSelection());
    QCOMPARE(page->textForNoSelection(), QStringLiteral("2 new messages"));

    // Accepting Bea's.
    table->selectRow(1);
    MCJoinInvitationView *detail = page->viewJoinInvitation();
    QCOMPARE(page->splitBottomView()->currentWidget(), detail);
    QCOMPARE(detail->bodyField()->textFormat(), Qt::PlainText);
    QVERIFY(
        detail->bodyField()->text().startsWith(QStringLiteral("Please add me as a Contact.\n\n")));
    QVERIFY(detail->bodyField()->text().endsWith(QLatin1Char('\n') + BeaEmail));
    QVERIFY(detail->buttonAccept()->isEnabled());
    QCOMPARE(detail->buttonAccept()->kbButtonType(), 2);
    QTest::mouseClick(detail->buttonAccept(), Qt::LeftButton);
    QCOMPARE(detail->additionalField()->text(), QStringLiteral("Submitting your request..."));
    QCOMPARE(hub->unreadNotifications(), 1);
    QCOMPARE(notificationsBadge(), QVariant(QVariantList{1}));
    QCOMPARE(page->textForNoSelection(), QStringLiteral("1 new message"));
    // Answered: no second answer, no second count.
    QVERIFY(!detail->buttonAccept()->isEnabled() && !detail->buttonDecline()->isEnabled());
    QTest::mouseClick(detail->buttonDecline(), Qt::LeftButton);
    QCOMPARE(hub->unreadNotifications(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(detail->additionalField()->text().startsWith(
                                 QStringLiteral("Contact request accepted on ")),
                             20000);
    const auto isContact = [hub](const QString &email) {
        const QList<MCContact *> contacts = hub->contacts();
        return std::any_of(contacts.begin(), contacts.end(),
                           [&email](MCContact *contact) { return contact->email() == email; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(isContact(BeaEmail), 20000);

    // Declining Dan's.
    table->selectRow(0);
    QCOMPARE(detail->invitation()->messageSender(), QStringLiteral("Dan"));
    QTest::mouseClick(detail->buttonDecline(), Qt::LeftButton);
    QCOMPARE(hub->unreadNotifications(), 0);
    QCOMPARE(notificationsBadge(), QVariant(QVariantList{0}));
    QCOMPARE(page->textForNoSelection(), QStringLiteral("No new messages"));
    QTRY_VERIFY_WITH_TIMEOUT(detail->additionalField()->text().startsWith(
                                 QStringLiteral("Contact request rejected on ")),
                             20000);
    QVERIFY(!isContact(DanEmail));

    // Two rows selected: the caption again.
    table->selectAll();
    QCOMPARE(page->splitBottomView()->currentWidget(), page->viewNoSelection());
}

void TestPeopleNotify::namesAndAnsweredRowsLetGo()
{
    MCManager *hub = MCManager::sharedManager();
    const int before = hub->userMessages().size();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    const auto invite = [this](const QString &email, const QJsonObject &names) {
        return !m_server.createUser(email, QStringLiteral("pw"), names).isEmpty() &&
               !m_server.inviteContactAs(email, QLatin1String(DemoEmail)).isEmpty();
    };
    const QList<HostileName> hostile = hostileNames();
    for (int i = 0; i < hostile.size(); ++i)
        QVERIFY(invite(QStringLiteral("hostile%1@kerlo.local").arg(i),
                       {{"first_name", hostile.at(i).name}}));
    QVERIFY(invite(QStringLiteral("noname@kerlo.local"), {}));
    QVERIFY(invite(QStringLiteral("lastonly@kerlo.local"), {{"last_name", "Vo"}}));
    // Enough others that, all answered, the hub has more answered rows than it keeps.
    const int answered = MCManager::MaximumAnsweredMessages + 5;
    for (int i = before + hostile.size() + 2; i < answered; ++i)
        QVERIFY(invite(QStringLiteral("other%1@kerlo.local").arg(i), {{"first_name", "Other"}}));
    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), answered, 30000);

    QStringList senders;
    for (MCJoinInvitation *row : hub->userMessages())
        senders.append(row->messageSender());
    QVERIFY(senders.contains(QStringLiteral("NO NAME")));
    QVERIFY(senders.contains(QStringLiteral("Vo")));
    MCMessagesController *page = messagesPage();
    QAbstractItemModel *rows = page->arrangedNotifications();
    QCOMPARE(rows->rowCount(), answered);
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QString shown =
            rows->index(row, MCNotificationsModel::SenderColumn).data().toString();
        QVERIFY2(readsInOrder(shown), qPrintable(shown));
        page->tableView()->selectRow(row);
        const QString body = page->viewJoinInvitation()->bodyField()->text();
        QCOMPARE(body.count(QLatin1Char('\n')), 3);
        QVERIFY2(readsInOrder(body.section(QLatin1Char('\n'), 2, 2)), qPrintable(body));
    }
    QCOMPARE(page->viewJoinInvitation()->bodyField()->textFormat(), Qt::PlainText);

    // Everything answered; then one more comes: the oldest answered rows go, never an unread
    // one, and the page follows.
    for (MCJoinInvitation *row : hub->userMessages()) {
        if (!row->messageRead())
            hub->declineJoinInvitation(row);
    }
    QCOMPARE(hub->unreadNotifications(), 0);
    const auto allAnswered = [hub] {
        const QList<MCJoinInvitation *> held = hub->userMessages();
        return std::all_of(held.begin(), held.end(), [](MCJoinInvitation *row) {
            return row->joinInvitation().acceptedAt().isValid() ||
                   row->joinInvitation().rejectedAt().isValid();
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(allAnswered(), 30000);
    QVERIFY(invite(QStringLiteral("latest@kerlo.local"), {{"first_name", "Latest"}}));
    QTRY_COMPARE_WITH_TIMEOUT(hub->unreadNotifications(), 1, 20000);
    QCOMPARE(hub->userMessages().size(), MCManager::MaximumAnsweredMessages + 1);
    QCOMPARE(hub->userMessages().last()->messageSender(), QStringLiteral("Latest"));
    QTRY_COMPARE(rows->rowCount(), MCManager::MaximumAnsweredMessages + 1);
    QCOMPARE(rows->index(0, MCNotificationsModel::SenderColumn).data().toString(),
             QStringLiteral("Latest"));
}

void TestPeopleNotify::desktopBubblesAreBoundedAndBurstsCounted()
{
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(!window()->isActiveWindow());

    // A 100 KiB message whose override would show "exe.pdf": one bubble, its text cut short,
    // without the override, isolated.
    int before = recorded().size();
    const QString tail = QString(100 * 1024, QLatin1Char('x'));
    QVERIFY(!m_server
                 .postMessageToContactAs(BeaEmail, QLatin1String(DemoEmail),
                                         QStringLiteral("invoice\u202Efdp.exe\n") + tail)
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(recorded().size(), before + 1, 20000);
    const QString body = recorded().last()["body"].toString();
    QCOMPARE(body, QChar(0x2068) + QStringLiteral("invoicefdp.exe ") + tail.left(185) +
                       QChar(0x2026) + QChar(0x2069));

    // A flood of messages: a bubble or two that count them, not one each.
    before = recorded().size();
    const int flood = 40;
    for (int i = 0; i < flood; ++i)
        QVERIFY(!m_server
                     .postMessageToContactAs(BeaEmail, QLatin1String(DemoEmail),
                                             QStringLiteral("flood %1").arg(i))
                     .isEmpty());
    int told = 0;
    const QRegularExpression counted(QStringLiteral("^(\\d+) new messages$"));
    const auto tally = [&] {
        told = 0;
        for (const QJsonObject &bubble : recorded().mid(before)) {
            const QRegularExpressionMatch match = counted.match(bubble["summary"].toString());
            told += match.hasMatch() ? match.captured(1).toInt() : 1;
        }
        return told;
    };
    QTRY_COMPARE_WITH_TIMEOUT(tally(), flood, 30000);
    const int bubbles = recorded().size() - before;
    QVERIFY2(bubbles <= 3, qPrintable(QString::number(bubbles)));
    other.close();
}

void TestPeopleNotify::invitationFromSomeoneWhoBecameAContactWantsNoAnswer()
{
    MCManager *hub = MCManager::sharedManager();
    const QString eve = QStringLiteral("eve@kerlo.local");
    QVERIFY(!m_server.createUser(eve, QStringLiteral("pw"), {{"first_name", "Eve"}}).isEmpty());
    const qint64 unread = hub->unreadNotifications();
    QVERIFY(!m_server.inviteContactAs(eve, QLatin1String(DemoEmail)).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(hub->unreadNotifications(), unread + 1, 20000);
    window()->goAction(QStringLiteral("messages://"))->trigger();
    MCMessagesController *page = messagesPage();
    QTRY_VERIFY(page && page->isVisible());
    QSortFilterProxyModel *rows = page->arrangedNotifications();
    int eveRow = -1;
    for (int row = 0; row < rows->rowCount() && eveRow < 0; ++row) {
        if (rows->index(row, MCNotificationsModel::SenderColumn).data().toString() == "Eve")
            eveRow = row;
    }
    QVERIFY(eveRow >= 0);
    page->tableView()->selectRow(eveRow);
    MCJoinInvitationView *detail = page->viewJoinInvitation();
    QCOMPARE(detail->invitation()->messageSender(), QStringLiteral("Eve"));
    QVERIFY(detail->buttonAccept()->isEnabled() && detail->buttonDecline()->isEnabled());

    // The user's own invitation to Eve, which she accepts: she is a contact, and her request
    // has nothing left to answer nor to count.
    QVERIFY(!m_server.inviteContactAs(QLatin1String(DemoEmail), eve).isEmpty());
    QVERIFY(!m_server.answerContactInvitationAs(eve, QLatin1String(DemoEmail), true).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(hub->contactWithEmail(eve), 20000);
    QVERIFY(!detail->buttonAccept()->isEnabled() && !detail->buttonDecline()->isEnabled());
    QCOMPARE(detail->additionalField()->text(), QStringLiteral("Already in my contacts"));
    QCOMPARE(hub->unreadNotifications(), unread);
    QCOMPARE(notificationsBadge(), QVariant(QVariantList{int(unread)}));

    // Someone whose invitation waits for the user: the row offers to accept it, and the plus
    // button accepts it rather than inviting them back.
    const QString fay = QStringLiteral("fay@kerlo.local");
    QVERIFY(!m_server.createUser(fay, QStringLiteral("pw"), {{"first_name", "Fay"}}).isEmpty());
    const int before = hub->userMessages().size();
    const qint64 unreadBefore = hub->unreadNotifications();
    QVERIFY(!m_server.inviteContactAs(fay, QLatin1String(DemoEmail)).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), before + 1, 20000);
    window()->goAction(QStringLiteral("addcontact://"))->trigger();
    QTRY_VERIFY(addPage() && addPage()->isVisible());
    search(fay);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Wants to be your contact. Click the plus button to "
                                             "accept"),
                              20000);
    QVERIFY(addButton(0)->isEnabled());
    QTest::mouseClick(addButton(0), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(hub->contactWithEmail(fay), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Already in my contacts"), 20000);
    const QJsonArray invitations = m_server.contactInvitationsOf(fay);
    QCOMPARE(invitations.size(), 1);
    QCOMPARE(invitations.at(0)["sender"]["email"].toString(), fay);
    QCOMPARE(hub->unreadNotifications(), unreadBefore);
}

void TestPeopleNotify::aThousandInvitationsAreCountedAsTheLocaleWritesNumbers()
{
    MCManager *hub = MCManager::sharedManager();
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([previous] { QLocale::setDefault(previous); });
    const int many = 1000;
    for (qint64 i = hub->unreadNotifications(); i < many; ++i) {
        const QString email = QStringLiteral("many%1@kerlo.local").arg(i);
        QVERIFY(
            !m_server.createUser(email, QStringLiteral("pw"), {{"first_name", "Many"}}).isEmpty());
        QVERIFY(!m_server.inviteContactAs(email, QLatin1String(DemoEmail)).isEmpty());
    }
    QTRY_COMPARE_WITH_TIMEOUT(hub->unreadNotifications(), many, 60000);
    MCMessagesController *page = messagesPage();
    page->tableView()->clearSelection();
    QCOMPARE(page->splitBottomView()->currentWidget(), page->viewNoSelection());
    QCOMPARE(page->textForNoSelection(), QStringLiteral("1,000 new messages"));
    QCOMPARE(page->viewNoSelection()->findChild<QLabel *>()->text(),
             QStringLiteral("1,000 new messages"));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleNotify test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplenotify.moc"
