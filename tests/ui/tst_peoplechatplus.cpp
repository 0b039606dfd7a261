// The chat page's "+" popover, "Show" on a received file and the pinned day row, through the
// widgets, signed in as the demo user against kerlo-local while Bea, Cid and Dan act as other
// users (their own HTTP sessions and the control API): two contacts ticked in the popover of
// Bea's one-to-one chat make a group of the three of them, named in the picker's panel (a
// refusal is said there); a file
// Bea sent and the user accepted is selected in the browser by "Show"; the day row of the
// messages at the top of the chat stays there while they scroll by.
#include "chatpartner.h"
#include "kerlolocal.h"
#include "mcaddpeoplecontroller.h"
#include "mcaddpeoplepopover.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbuttonchatplus.h"
#include "mcchatfilerowview.h"
#include "mcchatrowsmodel.h"
#include "mcchatrowview.h"
#include "mcchattableview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QString::fromLatin1(ChatPartner::Email);
const QString CidEmail = QStringLiteral("cid@kerlo.local");
const QString DanEmail = QStringLiteral("dan@kerlo.local");
const QString Password = QStringLiteral("other-password");

} // namespace

class TestPeopleChatPlus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void twoContactsAddedToOneToOneChatMakeAGroup();
    void showOnReceivedFileSelectsItInTheBrowser();
    void dayRowStaysAtTheTopWhileScrolling();

private:
    MCContact *contact(const QString &email) const;
    MCChatViewController *chat() const { return m_bea.chat(); }
    MCChatTableView *table() const { return m_bea.table(); }
    bool clickPlace(const QString &place) { return m_bea.clickPlace(place); }
    bool showChat() { return m_bea.showChat(); }
    int rowWithText(const QString &text) const
    {
        return ShellTest::rowWithText(m_bea.rows(), text);
    }

    KerloLocal m_server;
    Shell m_shell;
    ChatPartner m_bea{m_server, m_shell};
};

MCContact *TestPeopleChatPlus::contact(const QString &email) const
{
    for (MCContact *contact : MCManager::sharedManager()->contacts()) {
        if (contact->email() == email)
            return contact;
    }
    return nullptr;
}

void TestPeopleChatPlus::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(m_bea.createAccount());
    for (const auto &[email, first] : {std::pair{CidEmail, "Cid"}, std::pair{DanEmail, "Dan"}}) {
        QVERIFY(!m_server.createUser(email, Password, {{"first_name", first}, {"last_name", "Lee"}})
                     .isEmpty());
    }
    for (const QString &email : {BeaEmail, CidEmail, DanEmail}) {
        QVERIFY(!m_server.inviteContactAs(email, QString::fromLatin1(DemoEmail)).isEmpty());
        QVERIFY(!m_server.answerContactInvitationAs(QString::fromLatin1(DemoEmail), email, true)
                     .isEmpty());
    }
    QVERIFY(m_bea.startConversation());
    // Two days of messages, each day more than a screen of them.
    const QDateTime twoDaysAgo(QDate::currentDate().addDays(-2), QTime(9, 0));
    for (int i = 0; i < 60; ++i) {
        const QDateTime at = twoDaysAgo.addDays(i / 30).addSecs(60 * (i % 30));
        QVERIFY(m_bea.post(QStringLiteral("message %1").arg(i), at));
    }
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QTRY_VERIFY_WITH_TIMEOUT(
        contact(BeaEmail) && contact(BeaEmail)->identifier() == m_bea.conversation(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(contact(CidEmail) && contact(DanEmail), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(contact(BeaEmail)->writtenMessages().size() >= 60, 20000);
}

void TestPeopleChatPlus::twoContactsAddedToOneToOneChatMakeAGroup()
{
    QVERIFY(showChat());
    MCButtonChatPlus *plus = chat()->buttonPlus();
    QVERIFY(plus && plus->isVisible());
    QTest::mouseClick(plus, Qt::LeftButton);
    MCAddPeoplePopover *popover = chat()->popoverAddPeople();
    QTRY_VERIFY(popover->isVisible());
    QCOMPARE(popover->textFieldAddPeople()->text(), QStringLiteral("Add People"));
    QVERIFY(!popover->buttonCreateGroup()->isEnabled());
    // The picker sits in the popover and offers everyone but Bea, who is in the chat already.
    MCAddPeopleController *picker = chat()->addPeopleController();
    QVERIFY(picker && picker->isVisible() && popover->tableView()->isAncestorOf(picker));
    QTableView *people = picker->tableView();
    QAbstractItemModel *arranged = people->model();
    QCOMPARE(arranged->rowCount(), 2);
    auto rowOf = [arranged](const QString &name) {
        for (int row = 0; row < arranged->rowCount(); ++row) {
            for (int column = 0; column < arranged->columnCount(); ++column) {
                if (arranged->index(row, column).data().toString().contains(name))
                    return row;
            }
        }
        return -1;
    };
    QCOMPARE(rowOf(QStringLiteral("Bea")), -1);
    // The search narrows the list; clearing it brings both back.
    QTest::keyClicks(popover->searchFieldAddPeople(), QStringLiteral("dan"));
    QCOMPARE(arranged->rowCount(), 1);
    QVERIFY(!picker->emptyText()->isVisible());
    // A search that matches nobody says so in the list's place.
    QTest::keyClicks(popover->searchFieldAddPeople(), QStringLiteral("zzz"));
    QCOMPARE(arranged->rowCount(), 0);
    QVERIFY(picker->emptyText()->isVisible() && !people->isVisible());
    QCOMPARE(picker->emptyText()->text(), QStringLiteral("No contact matches the search."));
    popover->searchFieldAddPeople()->clear();
    QCOMPARE(arranged->rowCount(), 2);
    QVERIFY(!picker->emptyText()->isVisible() && people->isVisible());

    auto tick = [&](const QString &name) {
        const int row = rowOf(name);
        QVERIFY(row >= 0);
        QTest::mouseClick(people->viewport(), Qt::LeftButton, {},
                          people->visualRect(arranged->index(row, 2)).center());
    };
    tick(QStringLiteral("Cid"));
    QCOMPARE(popover->textFieldAddPeople()->text(), QStringLiteral("Add People (1 selected)"));
    QVERIFY(popover->buttonCreateGroup()->isEnabled());
    tick(QStringLiteral("Dan"));
    QCOMPARE(popover->textFieldAddPeople()->text(), QStringLiteral("Add People (2 selected)"));
    // Unticking counts down; none ticked disables the button again.
    tick(QStringLiteral("Dan"));
    tick(QStringLiteral("Cid"));
    QCOMPARE(popover->textFieldAddPeople()->text(), QStringLiteral("Add People"));
    QVERIFY(!popover->buttonCreateGroup()->isEnabled());
    tick(QStringLiteral("Cid"));
    tick(QStringLiteral("Dan"));

    // "Create Group" closes the popover and asks for the group's name.
    QVERIFY(m_server.clearRequests());
    QTest::mouseClick(popover->buttonCreateGroup(), Qt::LeftButton);
    QTRY_VERIFY(!popover->isVisible());
    QVERIFY(!picker->isVisible());
    QTRY_VERIFY(picker->panelWindow()->isVisible());
    QVERIFY(picker->panelTextField()->text().isEmpty());
    QCOMPARE(picker->panelTextField()->placeholderText(), QStringLiteral("Group name..."));
    QVERIFY(!picker->panelButtonCreate()->isEnabled());
    QTest::keyClicks(picker->panelTextField(), QStringLiteral("Trip"));
    // A refusal is said once, in the panel, which keeps the name to ask again.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/conversations/start"), 500, "{}", 1,
                                 QStringLiteral("POST")));
    QTest::mouseClick(picker->panelButtonCreate(), Qt::LeftButton);
    QVERIFY(!picker->panelWindow()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(picker->panelWindow()->isVisible(), 20000);
    QVERIFY(picker->panelTextError()->isVisible());
    // The panel grew to hold the reason whole.
    QTRY_COMPARE(picker->panelWindow()->size(), picker->panelWindow()->sizeHint());
    QVERIFY(picker->panelTextError()->height() >=
            picker->panelTextError()->heightForWidth(picker->panelTextError()->width()));
    QVERIFY(picker->panelTextError()->text().startsWith(
        QStringLiteral("The group could not be created")));
    QCOMPARE(picker->panelTextField()->text(), QStringLiteral("Trip"));
    QVERIFY(m_server.clearRequests());
    QTest::mouseClick(picker->panelButtonCreate(), Qt::LeftButton);
    QVERIFY(!picker->panelWindow()->isVisible());

    // The service is asked for a group of the two ticked, in that order, and Bea.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_server.requestsTo(QStringLiteral("/api/v1/conversations/start")).size(), 1, 20000);
    const QJsonObject asked =
        QJsonDocument::fromJson(m_server.requestsTo(QStringLiteral("/api/v1/conversations/start"))
                                    .first()
                                    .toObject()
                                    .value("body")
                                    .toString()
                                    .toUtf8())
            .object();
    QCOMPARE(asked.value("name").toString(), QStringLiteral("Trip"));
    QCOMPARE(asked.value("users").toArray(), (QJsonArray{CidEmail, DanEmail, BeaEmail}));

    // The group is listed; its page shows its name and its four people.
    MCManager *hub = MCManager::sharedManager();
    MCGroup *group = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (MCGroup *candidate : hub->groups()) {
                if (candidate->roomName() == QStringLiteral("Trip") &&
                    candidate->rcptAccounts().size() >= 3)
                    group = candidate;
            }
            return group != nullptr;
        }(),
        20000);
    QVERIFY(clickPlace(group->title()));
    QTRY_VERIFY(group->chatController() && group->chatController()->isVisible());
    QCOMPARE(group->chatController()->textFieldRoomName()->text(), QStringLiteral("Trip"));
    QStringList members;
    for (const MOUserAccount &account : group->rcptAccounts())
        members.append(account.email());
    for (const QString &email : {BeaEmail, CidEmail, DanEmail})
        QVERIFY2(members.contains(email), qPrintable(members.join(QLatin1Char(' '))));

    // Opened again from the group's page, the popover offers nobody: all are in the group.
    QTest::mouseClick(group->chatController()->buttonPlus(), Qt::LeftButton);
    QTRY_VERIFY(group->chatController()->popoverAddPeople()->isVisible());
    QCOMPARE(group->chatController()->addPeopleController()->tableView()->model()->rowCount(), 0);
    // Not an empty list: the popover says why nobody is offered.
    QLabel *why = group->chatController()->addPeopleController()->emptyText();
    QVERIFY(why->isVisible());
    QCOMPARE(why->text(), QStringLiteral("All your contacts are already in this conversation."));
    QTest::mouseClick(group->chatController()->popoverAddPeople()->buttonCancel(), Qt::LeftButton);
    QTRY_VERIFY(!group->chatController()->popoverAddPeople()->isVisible());
}

void TestPeopleChatPlus::showOnReceivedFileSelectsItInTheBrowser()
{
    // The second file goes to a folder the browser has listed already: its listing may not
    // have the file yet when Show asks for it.
    for (const QString &name : {QStringLiteral("plan.txt"), QStringLiteral("notes.txt")}) {
        QVERIFY(showChat());
        QVERIFY(!m_server.seedFile(BeaEmail, "/" + name, "the plan").isEmpty());
        QVERIFY(
            !m_server.sendCollaborationAs(BeaEmail, m_bea.conversation(), "/" + name).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(rowWithText(name) >= 0, 20000);
        const int row = rowWithText(name);
        table()->verticalScrollBar()->setValue(table()->rowTop(row));
        auto *file = qobject_cast<MCChatFileRowView *>(table()->rowView(row));
        QVERIFY(file);
        QTest::mouseClick(file->acceptButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(file->showButton()->isVisible(), 20000);
        QTest::mouseClick(file->showButton(), Qt::LeftButton);

        // The browser shows the folder the file was accepted into, with the file selected.
        MCManager *hub = MCManager::sharedManager();
        QTRY_COMPARE(hub->notBrowsablePath(), QString(""));
        const auto selectedPath = [hub] {
            const MCNodeList selected = hub->selectedController()
                                            ? hub->selectedController()->getSelectedItems()
                                            : MCNodeList();
            return selected.size() == 1 ? selected.first()->filePath() : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(selectedPath(), "/Files From Bea Lee/" + name, 20000);
        QVERIFY(hub->selectedController()->isVisible());
    }
}

void TestPeopleChatPlus::dayRowStaysAtTheTopWhileScrolling()
{
    QVERIFY(showChat());
    const MCChatRowsModel *rows = contact(BeaEmail)->rowsModel();
    const int first = rowWithText(QStringLiteral("message 0"));
    const int second = rowWithText(QStringLiteral("message 30"));
    QVERIFY(first > 0 && second > first);
    QCOMPARE(rows->index(first - 1).data(MCChatRowsModel::KindRole).toInt(),
             int(MCChatEntry::DateRow));
    QCOMPARE(rows->index(second - 1).data(MCChatRowsModel::KindRole).toInt(),
             int(MCChatEntry::DateRow));
    QScrollBar *bar = table()->verticalScrollBar();
    const int dayHeight = table()->rowHeightAt(first - 1);

    // The day row at the top of the view: nothing pinned over it.
    bar->setValue(table()->rowTop(first - 1));
    QVERIFY(!table()->floatingDateRow());
    // Scrolled into the first day: its row is pinned at the top, over the messages.
    bar->setValue(table()->rowTop(first + 10));
    MCChatRowView *pinned = table()->floatingDateRow();
    QVERIFY(pinned && pinned->isVisible());
    QCOMPARE(pinned->entry().data(), rows->entry(first - 1).data());
    QCOMPARE(pinned->geometry().top(), 0);
    QCOMPARE(pinned->parentWidget(), table()->viewport());
    // The next day's row, just under the pinned one, pushes it up.
    bar->setValue(table()->rowTop(second - 1) - dayHeight / 2);
    pinned = table()->floatingDateRow();
    QVERIFY(pinned);
    QCOMPARE(pinned->entry().data(), rows->entry(first - 1).data());
    QCOMPARE(pinned->geometry().top(), dayHeight / 2 - dayHeight);
    // Past it, the second day is pinned.
    bar->setValue(table()->rowTop(second + 5));
    pinned = table()->floatingDateRow();
    QVERIFY(pinned);
    QCOMPARE(pinned->entry().data(), rows->entry(second - 1).data());
    QCOMPARE(pinned->geometry().top(), 0);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleChatPlus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplechatplus.moc"
