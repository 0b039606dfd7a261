// The people picker and the conversation side panel, signed in as the demo user against
// kerlo-local while two other users act through its control API: a group made in the
// group-creation window reaches the service, is listed and carries messages; the side panel
// lists a conversation's files, its links (web and mail only) and its people; every name from
// the service stays plain text, and a very long one is cut to its label and never widens the
// window; popovers open whole on the screen by their buttons; dates of today and yesterday
// are said by name.
#include "cellgrab.h"
#include "hostilenames.h"
#include "kerlolocal.h"
#include "mcaddpeoplecontroller.h"
#include "mcaddpeoplefilter.h"
#include "mcaddpeoplemodel.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatcollaborationentry.h"
#include "mcchatfilerowview.h"
#include "mcchatfilescontroller.h"
#include "mcchatfilesfilter.h"
#include "mcchatfilesmodel.h"
#include "mcchatlink.h"
#include "mcchatlinkscontroller.h"
#include "mcchatlinksmodel.h"
#include "mcchatmessageentry.h"
#include "mcchatmessagefield.h"
#include "mcchattablecellview.h"
#include "mcchatviewcontroller.h"
#include "mccheckboxcelldelegate.h"
#include "mccheckboxcellview.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcgroupcreationcontroller.h"
#include "mcgroupsendcontroller.h"
#include "mcgroupsendmodel.h"
#include "mchipbox.h"
#include "mchipcontroller.h"
#include "mcjoininvitation.h"
#include "mcjoininvitationview.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuselection.h"
#include "mcmessagescontroller.h"
#include "mcmousedowntextfield.h"
#include "mcnotificationsmodel.h"
#include "mcpeoplecontroller.h"
#include "mcpeoplemodel.h"
#include "mcsharelinkcell.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcstring.h"
#include "mctablecellgroupsend.h"
#include "mctablelinks.h"
#include "moconversationsmanager.h"
#include "moobjectsmanager.h"
#include "mouserauthenticationmanager.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QStringLiteral("bea@kerlo.local");
const QString CalEmail = QStringLiteral("cal@kerlo.local");
const QString BeaName = QStringLiteral("<b>Bea</b> &Quit");
const QString CalName = QStringLiteral("Cal invoice\u202Etxt.exe");
const QString DanEmail = QStringLiteral("dan@kerlo.local");
// Ten thousand characters without a space to break at.
const QString DanName = QStringLiteral("Dan") + QString(9997, QLatin1Char('W'));

// How a date of the last two days reads: by the day's name, then the time.
QString dayName(const QDateTime &date)
{
    return date.toLocalTime().date() == QDate::currentDate() ? QStringLiteral("Today ")
                                                             : QStringLiteral("Yesterday ");
}

QRect globalRect(const QWidget *widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

MCContact *contactOf(const MCManager *hub, const QString &email)
{
    for (MCContact *contact : hub->contacts()) {
        if (contact->email() == email)
            return contact;
    }
    return nullptr;
}

void clickRow(QTableView *table, int row, int column)
{
    const QRect cell = table->visualRect(table->model()->index(row, column));
    QVERIFY(cell.isValid());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

// Where a test catches what the side panel hands to the desktop.
class OpenedLinks : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

} // namespace

class TestPeoplePanels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void linksAreOnlyWebAndMailAddresses();
    void groupMadeInTheWindowIsCreatedListedAndChattedIn();
    void pickerExclusionsAndPanel();
    void sidePanelListsFilesLinksAndPeople();
    void contactPanelAndLongChats();
    void panelStandsBesideTheChat();
    void groupSendTableFollowsTheAnswers();
    void datesOfTheLastTwoDaysAreSaidByName();
    void longNameIsCutToItsLabelsAndNeverWidensTheWindow();
    void popoversOpenWholeOnTheScreenByTheirButtons();
    void groupWindowMakesOneGroupClosesAndCancelsWithEscape();
    void groupPeopleTakenOutShowInTheOpenChat();
    void groupNotMadeIsSaidForWhatHappened_data();
    void groupNotMadeIsSaidForWhatHappened();

private:
    MCGroupCreationController *openGroupWindow();

    KerloLocal m_server;
    Shell m_shell;
    ServiceReader m_bea;
    OpenedLinks m_opened;
};

void TestPeoplePanels::initTestCase()
{
    qRegisterMetaType<MCContact *>();
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_opened, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &m_opened, "open");
    QVERIFY(m_server.start());
    QVERIFY(
        !m_server.createUser(BeaEmail, QStringLiteral("bea-password"), {{"first_name", BeaName}})
             .isEmpty());
    QVERIFY(
        !m_server.createUser(CalEmail, QStringLiteral("cal-password"), {{"first_name", CalName}})
             .isEmpty());
    QVERIFY(m_bea.signIn(m_server, BeaEmail, QStringLiteral("bea-password")));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    // Both become the demo user's contacts by invitations the user accepts.
    MCManager *hub = MCManager::sharedManager();
    for (const QString &email : {BeaEmail, CalEmail})
        QVERIFY(!m_server.inviteContactAs(email, QString::fromLatin1(DemoEmail)).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), 2, 20000);
    for (MCJoinInvitation *row : hub->userMessages())
        hub->acceptJoinInvitation(row);
    QTRY_VERIFY_WITH_TIMEOUT(contactOf(hub, BeaEmail) && contactOf(hub, CalEmail), 20000);
}

void TestPeoplePanels::linksAreOnlyWebAndMailAddresses()
{
    const auto found = [](const QString &text) {
        QStringList links;
        for (const QUrl &url : MCChatLink::linksInText(text))
            links.append(url.toString());
        return links;
    };
    QCOMPARE(found(QStringLiteral("see https://kerlo.example/a?b=1, then (http://x.org/p).")),
             (QStringList{"https://kerlo.example/a?b=1", "http://x.org/p"}));
    QCOMPARE(found(QStringLiteral("HTTPS://Kerlo.Example/Doc and mailto:ann@kerlo.example!")),
             (QStringList{"https://kerlo.example/Doc", "mailto:ann@kerlo.example"}));
    // Not links: other schemes, a scheme inside a word, addresses without a host or a mailbox.
    QCOMPARE(found(QStringLiteral("javascript:alert(1) file:///etc/passwd smb://host/share "
                                  "x-kerlo://a data:text/html,<b>x</b> ftp://a.org")),
             QStringList());
    QCOMPARE(found(QStringLiteral("xhttp://evil.org http:// https:///path mailto: mailto:nobody")),
             QStringList());
    QCOMPARE(found(QStringLiteral("<a href=\"javascript:x\">https://a.org</a>")),
             QStringList{"https://a.org"});
    // A huge address and a line break end or refuse a link; nothing runs away.
    QCOMPARE(found(QStringLiteral("https://a.org/") + QString(5000, QLatin1Char('x'))),
             QStringList());
    QCOMPARE(found(QStringLiteral("https://a.org/one\nhttps://b.org/two")),
             (QStringList{"https://a.org/one", "https://b.org/two"}));
    // A right-to-left override in an address is shown as a replacement character.
    const QList<QUrl> turned =
        MCChatLink::linksInText(QStringLiteral("https://a.org/\u202Efdp.exe"));
    QCOMPARE(turned.size(), 1);
    QVERIFY(readsInOrder(MCChatLinksModel::linkText(turned.first())));
}

MCGroupCreationController *TestPeoplePanels::openGroupWindow()
{
    MCAppDelegate *delegate = m_shell.delegate();
    QAction *command = delegate->mainWindow()->commandAction(MCMainWindow::CreateGroup);
    if (!command->isEnabled())
        return nullptr;
    command->trigger();
    MCGroupCreationController *window = delegate->groupCreationController();
    return window && window->isVisible() ? window : nullptr;
}

void TestPeoplePanels::groupMadeInTheWindowIsCreatedListedAndChattedIn()
{
    MCManager *hub = MCManager::sharedManager();
    MCGroupCreationController *window = openGroupWindow();
    QVERIFY(window);
    QTableView *table = window->peopleController()->tableView();
    QCOMPARE(table->model()->rowCount(), 2);
    // Sorted by full name; names are plain text.
    const QModelIndex first = table->model()->index(0, MCAddPeopleModel::People);
    QCOMPARE(first.data().toString(), MCString::stringForName(BeaName));
    QCOMPARE(table->model()->index(1, MCAddPeopleModel::People).data().toString(),
             MCString::stringForName(CalName));
    QVERIFY(readsInOrder(table->model()->index(1, MCAddPeopleModel::People).data().toString()));
    QCOMPARE(window->textAddPeople()->textFormat(), Qt::PlainText);
    QCOMPARE(window->textAddPeople()->text(), QStringLiteral("Add People"));

    const QString name = QStringLiteral("Team <i>one</i> & co");
    QTest::keyClicks(window->textGroupName(), name);
    QSignalSpy ticks(window->peopleController(), &MCAddPeopleController::selectedContactsChanged);
    clickRow(table, 0, MCAddPeopleModel::People);
    QCOMPARE(window->textAddPeople()->text(), QStringLiteral("Add People (1 selected)"));
    QCOMPARE(table->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    // One contact and a name are not enough for a group.
    QVERIFY(!window->buttonCreateGroup()->isEnabled());
    // A second click unticks; each click is one change.
    clickRow(table, 0, MCAddPeopleModel::Check);
    QCOMPARE(ticks.size(), 2);
    QCOMPARE(window->textAddPeople()->text(), QStringLiteral("Add People"));
    // Cal first, then Bea: the service is asked for them in that order.
    clickRow(table, 1, MCAddPeopleModel::People);
    clickRow(table, 0, MCAddPeopleModel::People);
    QCOMPARE(window->textAddPeople()->text(), QStringLiteral("Add People (2 selected)"));
    QVERIFY(window->buttonCreateGroup()->isEnabled());
    // The search narrows the list without losing the ticks.
    QTest::keyClicks(window->searchField(), QStringLiteral("CAL"));
    QCOMPARE(table->model()->rowCount(), 1);
    window->searchField()->clear();
    QCOMPARE(table->model()->rowCount(), 2);
    QCOMPARE(window->peopleController()->selectedContacts().size(), 2);

    // A refusal is said in the window, once, and makes no group.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/conversations/start"), 503,
                                 R"({"errors": ["<b>Try later</b>"]})"));
    QTest::mouseClick(window->buttonCreateGroup(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window->textError()->isVisible(), 20000);
    QCOMPARE(window->textError()->text(),
             QStringLiteral("The group could not be created: <b>Try later</b>"));
    QCOMPARE(window->textError()->textFormat(), Qt::PlainText);
    QVERIFY(hub->groups().isEmpty());

    QVERIFY(m_server.clearRequests());
    QTest::mouseClick(window->buttonCreateGroup(), Qt::LeftButton);
    QVERIFY(window->textError()->isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(hub->groups().size(), 1, 20000);
    MCGroup *team = hub->groups().first();
    QCOMPARE(team->roomName(), name);
    const QJsonArray starts = m_server.requestsTo(QStringLiteral("/api/v1/conversations/start"));
    QCOMPARE(starts.size(), 1);
    const QJsonObject body =
        QJsonDocument::fromJson(starts.first().toObject().value("body").toString().toUtf8())
            .object();
    QCOMPARE(body.value("users").toArray(), (QJsonArray{CalEmail, BeaEmail}));
    QCOMPARE(body.value("name").toString(), name);
    // Made, the group closes its window.
    QTRY_VERIFY(!window->isVisible());
    // The sidebar lists it among the people, by its name as plain text.
    MCSidebarModel *sidebar = m_shell.delegate()->mainWindow()->sidebar()->model();
    const QModelIndex row =
        sidebar->indexForPlace(name + QStringLiteral("://") + QString::number(team->identifier()));
    QVERIFY(row.isValid());
    QCOMPARE(row.data().toString(), name);
    QCOMPARE(row.data(MCSidebarModel::KindRole).toInt(), int(MCSidebarModel::Group));
    QVERIFY(sidebar->indexForPlace(BeaEmail + QStringLiteral("://")).isValid());

    // The group carries messages both ways.
    MOMessage message;
    message.setBody(QStringLiteral("hello team"));
    hub->sendMessage(message, team);
    const QString path = QStringLiteral("/conversations/%1/messages").arg(team->identifier());
    QTRY_VERIFY_WITH_TIMEOUT(m_bea.get(path).contains("hello team"), 20000);
    QVERIFY(
        !m_server.postMessageAs(CalEmail, team->identifier(), QStringLiteral("hi all")).isEmpty());
    const auto bodies = [team] {
        QStringList texts;
        for (const MOMessage &written : team->writtenMessages())
            texts.append(written.body());
        return texts;
    };
    QTRY_VERIFY_WITH_TIMEOUT(bodies().contains(QStringLiteral("hi all")), 20000);

    // Opened again it starts over; brought forward while visible, it keeps its state.
    QVERIFY(openGroupWindow());
    QVERIFY(window->peopleController()->selectedContacts().isEmpty());
    QVERIFY(window->textGroupName()->text().isEmpty());
    QVERIFY(!window->buttonCreateGroup()->isEnabled());
    clickRow(table, 0, MCAddPeopleModel::People);
    QVERIFY(openGroupWindow());
    QCOMPARE(window->peopleController()->selectedContacts().size(), 1);
    window->close();
}

void TestPeoplePanels::pickerExclusionsAndPanel()
{
    MCManager *hub = MCManager::sharedManager();
    MCAddPeopleController picker(hub->people(), MOUserAuthenticationManager::sharedInstance());
    picker.resize(300, 300);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    const MOUserAccount own = MOUserAuthenticationManager::sharedInstance()->account();
    const MOUserAccount bea = contactOf(hub, BeaEmail)->userAccount();
    picker.setFilterText(QStringLiteral("zzz"));
    picker.excludeAccounts({bea, own});
    // The user's own account is never excluded; the search went with the old exclusions.
    QCOMPARE(picker.excludedAccounts().size(), 1);
    QCOMPARE(picker.tableView()->model()->rowCount(), 1);
    picker.setFilterText(QStringLiteral("c\u00C0l"));
    QCOMPARE(picker.tableView()->model()->rowCount(), 1);
    picker.setFilterText(QString());
    QCOMPARE(picker.tableView()->model()->rowCount(), 1);
    QCOMPARE(picker.tableView()->model()->index(0, 0).data(MCAddPeopleModel::EmailRole).toString(),
             CalEmail);

    clickRow(picker.tableView(), 0, MCAddPeopleModel::People);
    // The ticked box is the check cell's drawing.
    QVERIFY(qobject_cast<MCCheckboxCellDelegate *>(
        picker.tableView()->itemDelegateForColumn(MCAddPeopleModel::Check)));
    const QModelIndex check = picker.tableView()->model()->index(0, MCAddPeopleModel::Check);
    const auto painting = [&](QPainter *painter, const QStyleOptionViewItem &option) {
        MCCheckboxCellView::paint(painter, option, Qt::Checked);
    };
    const CellGrab::Result ticked = CellGrab::grab(picker.tableView(), check, painting);
    QVERIFY(ticked.seen);
    QCOMPARE(ticked.shown, ticked.expected);
    picker.showPanel();
    QDialog *panel = picker.panelWindow();
    QVERIFY(panel->isVisible());
    // The panel is as large as what it holds and cannot be stretched: a window manager draws a
    // resizable window's handle as a line under the buttons.
    QCOMPARE(panel->minimumSize(), panel->maximumSize());
    QCOMPARE(panel->size(), panel->sizeHint());
    QCOMPARE(panel->height() - 1 - picker.panelButtonCreate()->geometry().bottom(),
             panel->layout()->contentsMargins().bottom());
    QCOMPARE(picker.panelTextField()->placeholderText(), QStringLiteral("Group name..."));
    QVERIFY(!picker.panelButtonCreate()->isEnabled());
    QTest::keyClicks(picker.panelTextField(), QStringLiteral("Trio"));
    QVERIFY(picker.panelButtonCreate()->isEnabled());
    QVERIFY(m_server.clearRequests());
    QTest::mouseClick(picker.panelButtonCreate(), Qt::LeftButton);
    QVERIFY(!picker.panelWindow()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(hub->groups().size(), 2, 20000);
    const QJsonArray starts = m_server.requestsTo(QStringLiteral("/api/v1/conversations/start"));
    QCOMPARE(starts.size(), 1);
    const QJsonObject body =
        QJsonDocument::fromJson(starts.first().toObject().value("body").toString().toUtf8())
            .object();
    // The ticked contact, then the excluded members.
    QCOMPARE(body.value("users").toArray(), (QJsonArray{CalEmail, BeaEmail}));
    QCOMPARE(picker.selectedContacts().size(), 1);
}

void TestPeoplePanels::sidePanelListsFilesLinksAndPeople()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(!hub->groups().isEmpty());
    MCGroup *team = hub->groups().first();
    MCHipController panel(team, hub, hub->people(), MOObjectsManager::sharedInstance(),
                          QString::fromLatin1(DemoEmail));
    panel.resize(320, 480);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    // A group's panel opens on its members: the two others, not the user.
    QVERIFY(panel.boxPeople()->isSelected());
    QCOMPARE(panel.mainView()->currentWidget(), panel.peopleController());
    MCPeopleModel *people = panel.peopleController()->people();
    QTRY_COMPARE(people->rowCount(), 2);
    QStringList names;
    for (int row = 0; row < 2; ++row) {
        const QString shown = people->index(row, MCPeopleModel::People).data().toString();
        QVERIFY(readsInOrder(shown));
        names.append(shown);
    }
    names.sort();
    QCOMPARE(names,
             (QStringList{MCString::stringForName(BeaName), MCString::stringForName(CalName)}));
    QSignalSpy chats(&panel, &MCHipController::conversationRequested);
    panel.peopleController()->tableViewDoubleClick(0);
    QCOMPARE(chats.size(), 1);

    // Links: only web and mail addresses, in the order written, opened on a click.
    QVERIFY(!m_server
                 .postMessageAs(BeaEmail, team->identifier(),
                                QStringLiteral("look https://kerlo.example/plan, "
                                               "javascript:alert(1) file:///etc/passwd"))
                 .isEmpty());
    QVERIFY(!m_server
                 .postMessageAs(CalEmail, team->identifier(),
                                QStringLiteral("mail mailto:cal@kerlo.local or smb://x/y"))
                 .isEmpty());
    MCChatLinksModel *links = panel.linksController()->links();
    QTRY_COMPARE_WITH_TIMEOUT(links->rowCount(), 2, 20000);
    QCOMPARE(links->index(0, 0).data(MCChatLinksModel::UrlRole).toUrl(),
             QUrl(QStringLiteral("https://kerlo.example/plan")));
    QCOMPARE(links->index(1, 0).data(MCChatLinksModel::UrlRole).toUrl(),
             QUrl(QStringLiteral("mailto:cal@kerlo.local")));
    QCOMPARE(links->index(0, MCChatLinksModel::Contact).data().toString(),
             MCString::stringForName(BeaName));
    QTest::mouseClick(panel.boxLinks(), Qt::LeftButton);
    QVERIFY(panel.boxLinks()->isSelected() && !panel.boxPeople()->isSelected());
    QCOMPARE(panel.mainView()->currentWidget(), panel.linksController());
    MCTableLinks *table = panel.linksController()->tableView();
    auto *cell = qobject_cast<MCShareLinkCell *>(table->indexWidget(links->index(0, 0)));
    QVERIFY(cell);
    QCOMPARE(cell->hyperlinkTextField()->textFormat(), Qt::PlainText);
    QTRY_VERIFY(cell->hyperlinkTextField()->isVisible());
    // A click on the link opens it and selects nothing.
    QTest::mouseClick(cell->hyperlinkTextField(), Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(m_opened.urls, QList<QUrl>{QUrl(QStringLiteral("https://kerlo.example/plan"))});
    QVERIFY(table->selectionModel()->selectedRows().isEmpty());
    // A click beside it is an ordinary row click.
    QTest::mouseClick(cell->additionalTextfield(), Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(m_opened.urls.size(), 1);
    QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
    // A hidden link is no link: a click where it was selects its row and opens nothing.
    auto *second = qobject_cast<MCShareLinkCell *>(table->indexWidget(links->index(1, 0)));
    QVERIFY(second);
    const QPoint where = second->hyperlinkTextField()->mapTo(table->viewport(), QPoint(3, 3));
    second->hyperlinkTextField()->hide();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, where);
    QCOMPARE(m_opened.urls.size(), 1);
    QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 1);
    // A mail link opens as its address alone: its writer chooses no file to attach.
    QVERIFY(!m_server
                 .postMessageAs(CalEmail, team->identifier(),
                                QStringLiteral("mailto:cal@kerlo.local?attach=/etc/passwd"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(links->rowCount(), 3, 20000);
    QCOMPARE(links->index(2, 0).data(MCChatLinksModel::UrlRole).toUrl().query(),
             QStringLiteral("attach=/etc/passwd"));
    MCShareLinkCell *third = nullptr;
    QTRY_VERIFY((third = qobject_cast<MCShareLinkCell *>(table->indexWidget(links->index(2, 0)))));
    QTRY_VERIFY(third->hyperlinkTextField()->isVisible());
    QCOMPARE(third->hyperlinkTextField()->text(), links->index(2, 0).data().toString());
    // A new cell stands at the view's top until the view lays it out in its row, and a press
    // there is one on the first row's link.
    QTRY_VERIFY(table->visualRect(links->index(2, 0)).contains(third->geometry().center()));
    QTest::mouseClick(third->hyperlinkTextField(), Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(m_opened.urls.mid(1), QList<QUrl>{QUrl(QStringLiteral("mailto:cal@kerlo.local"))});
    m_opened.urls = m_opened.urls.mid(0, 1);

    // Files: a received file is listed while pending; the menu goes to its invitation.
    QVERIFY(!m_server.seedFile(BeaEmail, QStringLiteral("/<b>plan &amp;.txt"), "plan").isEmpty());
    QVERIFY(!m_server
                 .sendCollaborationAs(BeaEmail, team->identifier(),
                                      QStringLiteral("/<b>plan &amp;.txt"))
                 .isEmpty());
    MCChatFilesController *files = panel.filesController();
    QTest::mouseClick(panel.boxFiles(), Qt::LeftButton);
    QCOMPARE(panel.mainView()->currentWidget(), files);
    QTRY_COMPARE_WITH_TIMEOUT(files->tableView()->model()->rowCount(), 1, 20000);
    QCOMPARE(files->tableView()->model()->index(0, 0).data().toString(),
             QStringLiteral("<b>plan &amp;.txt"));
    files->menuNeedsUpdate(-1);
    QVERIFY(!files->menuItemOpenFile()->isVisible());
    files->menuNeedsUpdate(0);
    QVERIFY(files->menuItemOpenFile()->isVisible());
    QCOMPARE(files->menuItemOpenFile()->text(), QStringLiteral("Go to pending invite..."));
    QSignalSpy scrolls(&panel, &MCHipController::scrollToEntryRequested);
    files->openRow(0);
    QCOMPARE(scrolls.size(), 1);
    // Received off, sent on: only the user's own files, of which there are none.
    files->filterItem(0)->trigger();
    files->filterItem(1)->trigger();
    QCOMPARE(files->tableView()->model()->rowCount(), 0);
    files->filterItem(0)->trigger();
    files->filterItem(2)->trigger();
    QCOMPARE(files->tableView()->model()->rowCount(), 0);
    files->filterItem(2)->trigger();
    QCOMPARE(files->tableView()->model()->rowCount(), 1);
}

void TestPeoplePanels::contactPanelAndLongChats()
{
    MCManager *hub = MCManager::sharedManager();
    MCContact *cal = contactOf(hub, CalEmail);
    MCHipController panel(cal, hub, hub->people(), MOObjectsManager::sharedInstance(),
                          QString::fromLatin1(DemoEmail));
    panel.resize(320, 480);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    // A contact's panel is about its files: no people tab, no member list.
    QVERIFY(panel.boxFiles()->isSelected() && !panel.boxPeople()->isSelected());
    QVERIFY(!panel.boxPeople()->isVisible());
    QVERIFY(!panel.peopleController());
    QCOMPARE(panel.mainView()->currentWidget(), panel.filesController());
    panel.menuClicked(panel.boxFiles());
    panel.menuClicked(panel.boxPeople());
    QVERIFY(panel.boxFiles()->isSelected() && !panel.boxPeople()->isSelected());
    QCOMPARE(panel.mainView()->currentWidget(), panel.filesController());

    // A received archive opened from the panel asks first, as the browser does; declined, it
    // is neither fetched nor opened.
    QVERIFY(!m_server.seedFile(CalEmail, QStringLiteral("/Bundle.zip"), "PK").isEmpty());
    QVERIFY(!m_server
                 .sendCollaborationToContactAs(CalEmail, QString::fromLatin1(DemoEmail),
                                               QStringLiteral("/Bundle.zip"))
                 .isEmpty());
    MCChatFilesController *files = panel.filesController();
    QAbstractItemModel *rows = files->tableView()->model();
    QTRY_COMPARE_WITH_TIMEOUT(rows->rowCount(), 1, 20000);
    // Accepted as the chat row's button accepts it.
    QCOMPARE(cal->collaborationEntries().size(), 1);
    cal->acceptCollaboration(cal->collaborationEntries().first());
    QTRY_VERIFY_WITH_TIMEOUT(!rows->index(0, 0).data(MCChatFilesModel::PendingRole).toBool(),
                             20000);
    m_shell.alerts.clearRecord();
    m_server.clearRequests();
    m_shell.alerts.queueAnswer(QStringLiteral("Cancel"));
    clickRow(files->tableView(), 0, MCChatFilesModel::Name);
    const QRect cell = files->tableView()->visualRect(rows->index(0, MCChatFilesModel::Name));
    QTest::mouseDClick(files->tableView()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_shell.alerts.alerts().size(), 1);
    QCOMPARE(m_shell.alerts.alerts().first().informativeText,
             QStringLiteral("File: \u2068Bundle.zip\u2069"));
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 0);
    QCOMPARE(countRequests(m_server.requests(), QStringLiteral(".*Bundle\\.zip.*")), 0);

    // The user's own file, sent and not answered yet, is no invitation waiting for the user:
    // listed with the pending ones left out, and opened rather than looked for in the chat.
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/notes.txt"), "n")
                 .isEmpty());
    cal->sendFilesFromCloud({QStringLiteral("/notes.txt")}, {});
    MCChatCollaborationEntryPtr sent;
    for (const MCChatEntryPtr &entry : cal->conversation()) {
        if (entry->kind() == MCChatEntry::CollaborationRow && entry->itsMe())
            sent = entry.staticCast<MCChatCollaborationEntry>();
    }
    QVERIFY(sent);
    cal->sendCollaboration(sent);
    QTRY_COMPARE_WITH_TIMEOUT(sent->responseStatus(), qint64(MCChatCollaborationEntry::Sent),
                              20000);
    files->filterItem(1)->trigger(); // sent files shown
    files->filterItem(2)->trigger(); // pending files left out
    QTRY_COMPARE_WITH_TIMEOUT(rows->rowCount(), 2, 20000);
    int notes = -1;
    for (int row = 0; row < rows->rowCount(); ++row) {
        if (rows->index(row, MCChatFilesModel::Name).data().toString() == "notes.txt")
            notes = row;
    }
    QVERIFY(notes >= 0);
    QVERIFY(!rows->index(notes, 0).data(MCChatFilesModel::PendingRole).toBool());
    files->menuNeedsUpdate(notes);
    QCOMPARE(files->menuItemOpenFile()->text(), QStringLiteral("Open File"));
    QSignalSpy scrolls(&panel, &MCHipController::scrollToEntryRequested);
    m_server.clearRequests();
    files->openRow(notes);
    QCOMPARE(scrolls.size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        countRequests(m_server.requests(), QStringLiteral(".*notes\\.txt.*")) > 0, 20000);

    // A long chat lists its newest links only.
    MCGroup chat(MOConversation{});
    chat.setEnvironment(hub->chat());
    MCChatLinksModel links;
    links.setEntity(&chat);
    QList<MOMessage> messages;
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-1);
    for (int i = 0; i < MCChatLinksModel::maximumRows + 100; ++i) {
        MOMessage message;
        message.setBody(QStringLiteral("https://kerlo.example/%1").arg(i));
        message.setSentAt(start.addSecs(i));
        messages.append(message);
    }
    chat.addWrittenMessages(messages);
    QCOMPARE(links.rowCount(), MCChatLinksModel::maximumRows);
    QCOMPARE(links.index(0, 0).data(MCChatLinksModel::UrlRole).toUrl().path(),
             QStringLiteral("/100"));
    QCOMPARE(links.index(MCChatLinksModel::maximumRows - 1, 0)
                 .data(MCChatLinksModel::UrlRole)
                 .toUrl()
                 .path(),
             QStringLiteral("/%1").arg(MCChatLinksModel::maximumRows + 99));
}

void TestPeoplePanels::panelStandsBesideTheChat()
{
    MCManager *hub = MCManager::sharedManager();
    MCGroup *team = hub->groups().first();
    hub->setNotBrowsablePath(team->title());
    QTRY_VERIFY(team->chatController() && team->chatController()->isVisible());
    auto *panel = team->chatController()->rightSplitView()->findChild<MCHipController *>();
    QVERIFY(panel);
    QCOMPARE(panel->entity(), team);
    QVERIFY(panel->isVisible());
    // A group's header tells when it was made, in place of a presence dot.
    MCChatViewController *chat = team->chatController();
    QVERIFY(chat->textFieldCreatedAt()->isVisible());
    QVERIFY(chat->textFieldCreatedAt()->text().startsWith(QStringLiteral("created at ")));
    QVERIFY(chat->textFieldCreatedAt()->text().size() > 11);
    // The members besides the user, by the names the people pages know them by.
    const QString oneLine = team->usersNamesOneLine();
    QStringList names = oneLine.split(QStringLiteral(", "));
    names.sort();
    QStringList expected{contactOf(hub, BeaEmail)->fullName(),
                         contactOf(hub, CalEmail)->fullName()};
    expected.sort();
    QCOMPARE(names, expected);
    QCOMPARE(team->usersNamesMultiLine(), QString(oneLine).replace(QStringLiteral(", "), "\n"));
    // A member's double-click opens their conversation.
    MCPeopleModel *people = panel->peopleController()->people();
    QTRY_COMPARE(people->rowCount(), 2);
    const int bea =
        people->index(0, 0).data(MCPeopleModel::EmailRole).toString() == BeaEmail ? 0 : 1;
    QTableView *members = panel->peopleController()->tableView();
    const QPoint beaRow = members->visualRect(people->index(bea, 1)).center();
    // A view takes a double-click on the row it was pressed on.
    QTest::mouseClick(members->viewport(), Qt::LeftButton, {}, beaRow);
    QTest::mouseDClick(members->viewport(), Qt::LeftButton, {}, beaRow);
    QTRY_COMPARE(hub->notBrowsablePath(), contactOf(hub, BeaEmail)->title());
    QTRY_VERIFY(contactOf(hub, BeaEmail)->chatController() &&
                contactOf(hub, BeaEmail)->chatController()->isVisible());
}

void TestPeoplePanels::groupSendTableFollowsTheAnswers()
{
    MCManager *hub = MCManager::sharedManager();
    MCGroup *team = hub->groups().first();
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/report.txt"), "r")
                 .isEmpty());
    team->sendFilesFromCloud({QStringLiteral("/report.txt")}, {});
    MCChatCollaborationEntryPtr sent;
    for (const MCChatEntryPtr &entry : team->conversation()) {
        if (entry->kind() == MCChatEntry::CollaborationRow)
            sent = entry.staticCast<MCChatCollaborationEntry>();
    }
    QVERIFY(sent);
    team->sendCollaboration(sent);
    QTRY_COMPARE_WITH_TIMEOUT(sent->responseStatus(), qint64(MCChatCollaborationEntry::Sent),
                              20000);

    MCGroupSendController table(hub->chat());
    table.setGroup(team);
    table.setEntry(sent.data());
    table.resize(300, 120);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QAbstractItemModel *rows = table.tableView()->model();
    // The two other members, not the user; nobody has answered yet.
    QCOMPARE(rows->rowCount(), 2);
    int bea = -1;
    for (int row = 0; row < 2; ++row) {
        const QString email = rows->index(row, 0).data(MCGroupSendModel::EmailRole).toString();
        QVERIFY(email != QString::fromLatin1(DemoEmail));
        if (email == BeaEmail)
            bea = row;
        QCOMPARE(rows->index(row, MCGroupSendModel::Status)
                     .data(MCGroupSendModel::StatusImageRole)
                     .toString(),
                 QStringLiteral("waitingColored.png"));
        QCOMPARE(rows->index(row, MCGroupSendModel::Info).data().toString(),
                 QStringLiteral("Waiting for user's response"));
    }
    QVERIFY(bea >= 0);
    // A name from the service is a tooltip as it reads, and no text of the row.
    const QModelIndex beaUser = rows->index(bea, MCGroupSendModel::User);
    QCOMPARE(beaUser.data(Qt::ToolTipRole).toString(), MCString::stringForToolTip(BeaName));
    QVERIFY(beaUser.data().isNull());

    // Bea rejects the file: her row turns to the rejected image and the service's date.
    QJsonObject invites;
    QTRY_VERIFY_WITH_TIMEOUT(
        (invites =
             QJsonDocument::fromJson(m_bea.get(QStringLiteral("/invites/received.json"))).object(),
         !invites.value("invites").toArray().isEmpty()),
        20000);
    QString token;
    for (const QJsonValue &invite : invites.value("invites").toArray()) {
        // The only file the user has sent her.
        if (invite["sender"]["email"].toString() == QLatin1String(DemoEmail))
            token = invite["token"].toString();
    }
    QVERIFY(!token.isEmpty());
    QJsonObject reply;
    QCOMPARE(m_bea.post(QStringLiteral("/invites/%1/reject.json").arg(token), {}, &reply), 200);
    const QDateTime rejectedAt = QDateTime::fromString(
        reply.value("transfer_invitation")["rejected_at"].toString(), Qt::ISODate);
    QVERIFY(rejectedAt.isValid());
    QSignalSpy changed(rows, &QAbstractItemModel::dataChanged);
    QTRY_COMPARE_WITH_TIMEOUT(rows->index(bea, MCGroupSendModel::Status)
                                  .data(MCGroupSendModel::StatusImageRole)
                                  .toString(),
                              QStringLiteral("rejected.png"), 20000);
    QVERIFY(!changed.isEmpty());
    QCOMPARE(rows->index(bea, MCGroupSendModel::Info).data().toString(),
             QStringLiteral("Rejected on ") +
                 MCChatCollaborationEntry::convertStringToFullDate(rejectedAt));
    QCOMPARE(rows->index(1 - bea, MCGroupSendModel::Info).data().toString(),
             QStringLiteral("Waiting for user's response"));
    QVERIFY(!table.tableView()->visualRect(rows->index(bea, MCGroupSendModel::Info)).isEmpty());

    // The file's row in the group's chat shows the same answers.
    hub->setNotBrowsablePath(team->title());
    QTRY_VERIFY(team->chatController() && team->chatController()->isVisible());
    MCTableCellGroupSend *row = nullptr;
    QTRY_VERIFY((row = [&]() -> MCTableCellGroupSend * {
        for (auto *cell : team->chatController()->findChildren<MCTableCellGroupSend *>()) {
            if (cell->fileEntry() == sent)
                return cell;
        }
        return nullptr;
    }()));
    QCOMPARE(row->objectName(), QStringLiteral("sendFileRequestGroup"));
    QTRY_VERIFY(row->sendView()->isVisible());
    QAbstractItemModel *shown = row->sendController()->tableView()->model();
    QCOMPARE(shown->rowCount(), 2);
    QCOMPARE(shown->index(bea, MCGroupSendModel::Status).data(MCGroupSendModel::StatusImageRole),
             QVariant(QStringLiteral("rejected.png")));
}

void TestPeoplePanels::datesOfTheLastTwoDaysAreSaidByName()
{
    MCManager *hub = MCManager::sharedManager();
    MCGroup *team = hub->groups().first();
    // The group's header: made a moment ago.
    hub->setNotBrowsablePath(team->title());
    QTRY_VERIFY(team->chatController() && team->chatController()->isVisible());
    const QString created = team->chatController()->textFieldCreatedAt()->text();
    QVERIFY2(created.startsWith(QStringLiteral("created at ") + dayName(team->createdAt())),
             qPrintable(created));
    QVERIFY2(created.contains(QLatin1Char(':')), qPrintable(created));

    // The side panel's date column has the time too.
    MCHipController panel(team, hub, hub->people(), MOObjectsManager::sharedInstance(),
                          QString::fromLatin1(DemoEmail));
    panel.resize(320, 480);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTest::mouseClick(panel.boxFiles(), Qt::LeftButton);
    QAbstractItemModel *files = panel.filesController()->tableView()->model();
    QTRY_VERIFY_WITH_TIMEOUT(files->rowCount() > 0, 20000);
    const QDateTime offered = files->index(0, 0).data(MCChatFilesModel::DateRole).toDateTime();
    const QString date = files->index(0, MCChatFilesModel::Date).data().toString();
    QVERIFY2(date.startsWith(dayName(offered)), qPrintable(date));
    QVERIFY2(date.contains(QLatin1Char(':')), qPrintable(date));
    // The column holds the date whole, not cut to its first letters.
    QTableView *filesTable = panel.filesController()->tableView();
    QTRY_VERIFY(filesTable->isVisible());
    QStyleOptionViewItem cellOption;
    cellOption.initFrom(filesTable->viewport());
    cellOption.font = filesTable->font();
    const QModelIndex dateCell = filesTable->model()->index(0, MCChatFilesModel::Date);
    const int needed = filesTable->itemDelegate(dateCell)->sizeHint(cellOption, dateCell).width();
    QVERIFY2(filesTable->columnWidth(MCChatFilesModel::Date) >= needed,
             qPrintable(QStringLiteral("%1 < %2")
                            .arg(filesTable->columnWidth(MCChatFilesModel::Date))
                            .arg(needed)));

    // The group-send table: Bea's refusal.
    MCChatCollaborationEntryPtr sent;
    for (const MCChatEntryPtr &entry : team->conversation()) {
        if (entry->kind() == MCChatEntry::CollaborationRow && entry->itsMe())
            sent = entry.staticCast<MCChatCollaborationEntry>();
    }
    QVERIFY(sent);
    MCGroupSendController table(hub->chat());
    table.setGroup(team);
    table.setEntry(sent.data());
    table.resize(300, 120);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QAbstractItemModel *rows = table.tableView()->model();
    bool refusal = false;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QString info = rows->index(row, MCGroupSendModel::Info).data().toString();
        if (!info.startsWith(QStringLiteral("Rejected on ")))
            continue;
        refusal = true;
        QVERIFY2(info.startsWith(QStringLiteral("Rejected on Today ")) ||
                     info.startsWith(QStringLiteral("Rejected on Yesterday ")),
                 qPrintable(info));
    }
    QVERIFY(refusal);

    // A received file's row, once accepted.
    MCContact *cal = contactOf(hub, CalEmail);
    hub->setNotBrowsablePath(cal->title());
    QTRY_VERIFY(cal->chatController() && cal->chatController()->isVisible());
    MCChatFileRowView *bundle = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((bundle = [&]() -> MCChatFileRowView * {
                                 for (auto *row :
                                      cal->chatController()->findChildren<MCChatFileRowView *>()) {
                                     if (!row->fileEntry()->itsMe())
                                         return row;
                                 }
                                 return nullptr;
                             }()),
                             20000);
    QTRY_VERIFY_WITH_TIMEOUT(bundle->sendingText().startsWith(QStringLiteral("Accepted on ")),
                             20000);
    const QDateTime accepted = bundle->fileEntry()->collaboration().acceptedAt();
    QVERIFY(accepted.isValid());
    QVERIFY2(bundle->sendingText().startsWith(QStringLiteral("Accepted on ") + dayName(accepted)),
             qPrintable(bundle->sendingText()));
}

void TestPeoplePanels::longNameIsCutToItsLabelsAndNeverWidensTheWindow()
{
    MCManager *hub = MCManager::sharedManager();
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    // The window's least width with a chat of a short name open.
    MCContact *bea = contactOf(hub, BeaEmail);
    hub->setNotBrowsablePath(bea->title());
    QTRY_VERIFY(bea->chatController() && bea->chatController()->isVisible());
    const int leastWidth = window->minimumSizeHint().width();
    const int width = window->width();

    QVERIFY(
        !m_server.createUser(DanEmail, QStringLiteral("dan-password"), {{"first_name", DanName}})
             .isEmpty());
    QVERIFY(!m_server.inviteContactAs(DanEmail, QString::fromLatin1(DemoEmail)).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        [hub] {
            for (MCJoinInvitation *row : hub->userMessages()) {
                if (row->joinInvitation().sender().email() == DanEmail && !row->messageRead())
                    return true;
            }
            return false;
        }(),
        20000);
    for (MCJoinInvitation *row : hub->userMessages()) {
        if (row->joinInvitation().sender().email() == DanEmail)
            hub->acceptJoinInvitation(row);
    }
    QTRY_VERIFY_WITH_TIMEOUT(contactOf(hub, DanEmail), 20000);
    MCContact *dan = contactOf(hub, DanEmail);
    // A message and a file from him: his name heads their rows too.
    QVERIFY(!m_server.seedFile(DanEmail, QStringLiteral("/dan.txt"), "d").isEmpty());
    QVERIFY(
        !m_server
             .postMessageToContactAs(DanEmail, QString::fromLatin1(DemoEmail),
                                     QStringLiteral("hello from Dan: https://kerlo.example/dan"))
             .isEmpty());
    QVERIFY(!m_server
                 .sendCollaborationToContactAs(DanEmail, QString::fromLatin1(DemoEmail),
                                               QStringLiteral("/dan.txt"))
                 .isEmpty());
    hub->setNotBrowsablePath(dan->title());
    QTRY_VERIFY(dan->chatController() && dan->chatController()->isVisible());
    MCChatViewController *chat = dan->chatController();
    QTRY_VERIFY_WITH_TIMEOUT(!chat->findChildren<MCChatTableCellView *>().isEmpty() &&
                                 !chat->findChildren<MCChatFileRowView *>().isEmpty(),
                             20000);

    // The window keeps the width it had.
    QVERIFY(window->minimumSizeHint().width() <= leastWidth);
    QVERIFY(window->minimumWidth() <= leastWidth);
    QCOMPARE(window->width(), width);
    QVERIFY(chat->width() <= window->width());
    // Every label is cut to its room; the header's holds the name in its tooltip.
    const QString start = DanName.left(40);
    for (QLabel *label : chat->findChildren<QLabel *>()) {
        QVERIFY2(label->text().size() < 1000, qPrintable(label->objectName()));
        // A label whose width its layout ignores cannot widen anything.
        QVERIFY2(label->minimumSizeHint().width() <= window->width() ||
                     label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored,
                 qPrintable(QStringLiteral("%1 %2 %3: %4")
                                .arg(label->metaObject()->className())
                                .arg(label->minimumSizeHint().width())
                                .arg(window->width())
                                .arg(label->text().left(100))));
    }
    QLabel *header = chat->textFieldRoomName();
    QVERIFY(header->text().startsWith(QStringLiteral("DanWWW")));
    QVERIFY(header->text().size() < 1000);
    QVERIFY(header->toolTip().contains(start));
    // What the service gave is bounded before any label holds it.
    QVERIFY(header->toolTip().size() < 2000);
    int rowsWithTheName = 0;
    for (QWidget *row : chat->findChildren<MCChatRowView *>()) {
        for (QLabel *label : row->findChildren<QLabel *>()) {
            if (!label->text().startsWith(QStringLiteral("DanWWW")))
                continue;
            ++rowsWithTheName;
            QVERIFY(label->toolTip().contains(start));
            QVERIFY(label->toolTip().size() < 2000);
        }
    }
    QCOMPARE(rowsWithTheName, 2);

    // The side panel's links name him cut to the From column, whole in its tooltip.
    MCHipController panel(dan, hub, hub->people(), MOObjectsManager::sharedInstance(),
                          QString::fromLatin1(DemoEmail));
    panel.resize(320, 480);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    MCChatLinksModel *links = panel.linksController()->links();
    QTRY_COMPARE_WITH_TIMEOUT(links->rowCount(), 1, 20000);
    const QModelIndex from = links->index(0, MCChatLinksModel::Contact);
    QVERIFY(from.data().toString().startsWith(QStringLiteral("DanWWW")));
    QVERIFY(from.data().toString().size() < 1000);
    QVERIFY(from.data(Qt::ToolTipRole).toString().contains(start));
    QVERIFY(from.data(Qt::ToolTipRole).toString().size() < 2000);
    QTest::mouseClick(panel.boxLinks(), Qt::LeftButton);
    auto *linkCell = qobject_cast<MCShareLinkCell *>(
        panel.linksController()->tableView()->indexWidget(links->index(0, 0)));
    QTRY_VERIFY(linkCell && linkCell->additionalTextfield()->isVisible());
    QLabel *fromLine = linkCell->additionalTextfield();
    QVERIFY(fromLine->width() <= panel.width());
    QVERIFY(fromLine->toolTip().contains(start));
    // His name is cut with "...", and the date after it shows whole, inside the label.
    const QString linkDate = links->index(0, MCChatLinksModel::Date).data().toString();
    QTRY_VERIFY2(fromLine->text().endsWith(QStringLiteral(", ") + linkDate) &&
                     fromLine->text().contains(QChar(0x2026)),
                 qPrintable(fromLine->text().right(60)));
    QVERIFY(fromLine->fontMetrics().horizontalAdvance(fromLine->text()) <=
            fromLine->contentsRect().width());
    panel.hide();
    // A list of people cuts his name too; its tooltip holds it whole, above his address.
    MCPeopleModel people;
    people.setPeople({dan});
    const QString personTip =
        people.index(0, MCPeopleModel::People).data(Qt::ToolTipRole).toString();
    QVERIFY(personTip.contains(start) && personTip.contains(DanEmail));
    QVERIFY(personTip.size() < 2000);

    // His invitation on the notifications page: the name cut to the pane, whole in a tooltip.
    window->goAction(QStringLiteral("messages://"))->trigger();
    auto *page = qobject_cast<MCMessagesController *>(
        m_shell.delegate()->page(QStringLiteral("messages://")));
    QTRY_VERIFY(page && page->isVisible());
    QSortFilterProxyModel *notifications = page->arrangedNotifications();
    int danRow = -1;
    for (int row = 0; row < notifications->rowCount(); ++row) {
        if (notifications->index(row, MCNotificationsModel::SenderColumn)
                .data()
                .toString()
                .startsWith(QStringLiteral("DanWWW")))
            danRow = row;
    }
    QVERIFY(danRow >= 0);
    page->tableView()->selectRow(danRow);
    QLabel *body = page->viewJoinInvitation()->bodyField();
    QTRY_VERIFY(body->isVisible());
    QVERIFY(window->minimumSizeHint().width() <= leastWidth);
    QCOMPARE(window->width(), width);
    QVERIFY(body->width() <= window->width());
    const QString named = body->text().section(QLatin1Char('\n'), 2, 2);
    QVERIFY2(named.startsWith(QStringLiteral("DanWWW")), qPrintable(body->text().left(80)));
    QVERIFY(body->fontMetrics().horizontalAdvance(named) <= body->contentsRect().width());
    QVERIFY(body->toolTip().contains(start));
    QVERIFY(body->toolTip().size() < 2000);
    QVERIFY(body->text().endsWith(QLatin1Char('\n') + DanEmail));

    // Send to contacts: his item is cut with "...", its "&"s still shown as such, and the
    // submenu opens beside its parent menu, whole on the screen.
    MCMenuSelection menu(window);
    const QRect screen = window->screen()->availableGeometry();
    menu.popup(screen.topLeft() + QPoint(10, 10));
    QTRY_VERIFY(menu.isVisible());
    menu.setActiveAction(menu.sendToContactsMenu()->menuAction());
    QTest::keyClick(&menu, Qt::Key_Right);
    QMenu *contacts = menu.sendToContactsMenu();
    QTRY_VERIFY(contacts->isVisible());
    QStringList items;
    for (const QAction *item : contacts->actions())
        items.append(item->text());
    const auto itemOf = [&items](const QString &start) {
        for (const QString &item : items) {
            if (item.mid(1).startsWith(start))
                return item;
        }
        return QString();
    };
    const QString danItem = itemOf(QStringLiteral("DanWWW"));
    QVERIFY2(danItem.contains(QChar(0x2026)) && danItem.size() < 100, qPrintable(danItem));
    QVERIFY2(itemOf(QStringLiteral("<b>Bea</b> &&Quit")).contains(QStringLiteral("&&Quit")),
             qPrintable(items.join(QLatin1Char('|'))));
    QVERIFY2(contacts->width() <= screen.width() / 2,
             qPrintable(QString::number(contacts->width())));
    QVERIFY(screen.contains(contacts->geometry()));
    // Beside it: at most the few pixels a style lets a submenu overlap.
    QVERIFY2(contacts->geometry().left() >= menu.geometry().right() - 8 ||
                 contacts->geometry().right() <= menu.geometry().left() + 8,
             qPrintable(QStringLiteral("%1-%2 over %3-%4")
                            .arg(contacts->geometry().left())
                            .arg(contacts->geometry().right())
                            .arg(menu.geometry().left())
                            .arg(menu.geometry().right())));
    menu.hide();
}

void TestPeoplePanels::popoversOpenWholeOnTheScreenByTheirButtons()
{
    MCManager *hub = MCManager::sharedManager();
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    const QRect normal = window->geometry();
    window->showMaximized();
    QTRY_VERIFY(window->isMaximized());
    const QRect screen = window->screen()->availableGeometry();
    MCContact *bea = contactOf(hub, BeaEmail);
    hub->setNotBrowsablePath(bea->title());
    QTRY_VERIFY(bea->chatController() && bea->chatController()->isVisible());
    MCChatViewController *chat = bea->chatController();
    // The chat's "+" sits at the screen's right edge; its popover opens whole on the screen.
    auto *plus = chat->findChild<QToolButton *>(QStringLiteral("buttonPlus"));
    QVERIFY(plus);
    QTRY_VERIFY(screen.contains(globalRect(plus)));
    QTest::mouseClick(plus, Qt::LeftButton);
    auto *popover = chat->findChild<QFrame *>(QStringLiteral("popoverAddPeople"));
    QVERIFY(popover);
    QTRY_VERIFY(popover->isVisible());
    QVERIFY2(screen.contains(popover->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                       .arg(popover->x())
                                                                       .arg(popover->y())
                                                                       .arg(popover->width())
                                                                       .arg(popover->height())));
    // Next to its button: they meet on the button's top or bottom edge.
    const QRect button = globalRect(plus);
    QVERIFY(popover->frameGeometry().bottom() + 1 == button.top() ||
            popover->frameGeometry().top() == button.bottom() + 1);
    // Everything in it can be reached: a contact ticked, then Create Group.
    auto *people = popover->findChild<QTableView *>(QStringLiteral("tableView"));
    QVERIFY(people);
    QTRY_VERIFY(people->isVisible() && people->model()->rowCount() > 0);
    clickRow(people, 0, MCAddPeopleModel::People);
    auto *create = popover->findChild<QPushButton *>(QStringLiteral("buttonCreateGroup"));
    QVERIFY(create->isEnabled());
    QTest::mouseClick(create, Qt::LeftButton);
    QTRY_VERIFY(!popover->isVisible());
    // The group's name is asked for over the chat, and Escape takes the question back.
    auto *panel = chat->findChild<QDialog *>(QStringLiteral("panelWindow"));
    QVERIFY(panel);
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(globalRect(chat).contains(panel->frameGeometry().center()));
    QVERIFY(screen.contains(panel->frameGeometry()));
    QTest::keyClick(panel->findChild<QLineEdit *>(QStringLiteral("panelTextField")),
                    Qt::Key_Escape);
    QTRY_VERIFY(!panel->isVisible());

    // The emoticon chooser opens whole on the screen above its button.
    auto *smile = chat->findChild<QToolButton *>(QStringLiteral("buttonEmoticon"));
    QVERIFY(smile);
    QTest::mouseClick(smile, Qt::LeftButton);
    auto *chooser = chat->findChild<QFrame *>(QStringLiteral("emoticonPopOver"));
    QVERIFY(chooser);
    QTRY_VERIFY(chooser->isVisible());
    QVERIFY(screen.contains(chooser->frameGeometry()));
    chooser->hide();

    window->showNormal();
    window->setGeometry(normal);
    QTRY_VERIFY(!window->isMaximized());
}

void TestPeoplePanels::groupWindowMakesOneGroupClosesAndCancelsWithEscape()
{
    MCManager *hub = MCManager::sharedManager();
    MCMainWindow *main = m_shell.delegate()->mainWindow();
    MCGroupCreationController *window = openGroupWindow();
    QVERIFY(window);
    // It opens over the main window.
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(main->frameGeometry().contains(window->frameGeometry().center()));
    QVERIFY(qAbs(window->frameGeometry().center().x() - main->frameGeometry().center().x()) < 8);

    // Escape closes it without asking for anything.
    QVERIFY(m_server.clearRequests());
    QTest::keyClicks(window->textGroupName(), QStringLiteral("Never made"));
    QTest::keyClick(window->textGroupName(), Qt::Key_Escape);
    QTRY_VERIFY(!window->isVisible());

    // One group for two clicks, and the window goes once the group is listed.
    QVERIFY(openGroupWindow());
    QTableView *table = window->peopleController()->tableView();
    clickRow(table, 0, MCAddPeopleModel::People);
    clickRow(table, 1, MCAddPeopleModel::People);
    QTest::keyClicks(window->textGroupName(), QStringLiteral("Once"));
    QVERIFY(window->buttonCreateGroup()->isEnabled());
    const int groups = hub->groups().size();
    // The service answers slowly enough for a second click to land while it works.
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/conversations/start"), 1500));
    QTest::mouseClick(window->buttonCreateGroup(), Qt::LeftButton);
    QTest::mouseClick(window->buttonCreateGroup(), Qt::LeftButton);
    QTest::keyClick(window->textGroupName(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(hub->groups().size(), groups + 1, 20000);
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(m_server.requestsTo(QStringLiteral("/api/v1/conversations/start")).size(), 1);
    QCOMPARE(hub->groups().size(), groups + 1);
}

void TestPeoplePanels::groupPeopleTakenOutShowInTheOpenChat()
{
    MCManager *hub = MCManager::sharedManager();
    MCGroup *team = nullptr;
    for (MCGroup *group : hub->groups()) {
        if (group->chatRoom().participants().size() == 3)
            team = group;
    }
    QVERIFY(team);
    hub->setNotBrowsablePath(team->title());
    QTRY_VERIFY(team->chatController() && team->chatController()->isVisible());
    MCChatViewController *chat = team->chatController();
    QCOMPARE(chat->textFieldDescription()->text(), QStringLiteral("3 people"));
    const auto takeOut = [this, team](const QString &email) {
        return m_server.control("POST", QStringLiteral("/conversations/remove-member"),
                                {{"email", email}, {"conversation_id", team->identifier()}});
    };

    auto *panel = chat->rightSplitView()->findChild<MCHipController *>();
    QVERIFY(panel);
    MCPeopleModel *people = panel->peopleController()->people();
    QCOMPARE(people->rowCount(), 2);

    // Cal is taken out by the service: Bea's next message carries the group's people without
    // him, and the header and the People tab follow.
    QCOMPARE(takeOut(CalEmail), 200);
    QVERIFY(!m_server.postMessageAs(BeaEmail, team->identifier(), QStringLiteral("Cal left"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(chat->textFieldDescription()->text(), QStringLiteral("2 people"),
                              20000);
    QTRY_COMPARE(people->rowCount(), 1);
    QCOMPARE(people->index(0, 0).data(MCPeopleModel::EmailRole).toString(), BeaEmail);

    // The user is taken out: a message is not sent, and its row says why.
    QCOMPARE(takeOut(QString::fromLatin1(DemoEmail)), 200);
    QTextEdit *field = chat->textView();
    const QString text = QStringLiteral("still here?");
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    MCChatTableCellView *row = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((row = [&]() -> MCChatTableCellView * {
                                 for (auto *cell : chat->findChildren<MCChatTableCellView *>()) {
                                     if (cell->messageEntry()->textMessage() == text)
                                         return cell;
                                 }
                                 return nullptr;
                             }()) &&
                                 row->notSentButton()->isVisibleTo(row),
                             20000);
    QCOMPARE(row->reasonAction()->text(),
             QStringLiteral("You are no longer a member of this conversation"));
    QVERIFY(row->reasonAction()->isVisible());
    // Its people cannot be read any more: the user has left them, Bea stays in the tab.
    QTRY_COMPARE_WITH_TIMEOUT(chat->textFieldDescription()->text(), QStringLiteral("1 person"),
                              20000);
    QCOMPARE(people->rowCount(), 1);
    QCOMPARE(people->index(0, 0).data(MCPeopleModel::EmailRole).toString(), BeaEmail);
}

void TestPeoplePanels::groupNotMadeIsSaidForWhatHappened_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("said");
    const QString notMade = QStringLiteral("The group could not be created: ");
    QTest::newRow("500") << QStringLiteral("500")
                         << notMade + QStringLiteral("The service could not do it just now.");
    QTest::newRow("drop") << QStringLiteral("drop")
                          << notMade + QStringLiteral("No answer came from the service.");
    QTest::newRow("400") << QStringLiteral("400")
                         << notMade + QStringLiteral("The service refused it (error 400).");
    // A gateway's 502 after the service made the group: nothing failed.
    QTest::newRow("502 once made") << QStringLiteral("502 once made") << QString();
}

void TestPeoplePanels::groupNotMadeIsSaidForWhatHappened()
{
    QFETCH(QString, fault);
    QFETCH(QString, said);
    MCManager *hub = MCManager::sharedManager();
    // Each row from a closed window and a service without faults, whatever the last one left.
    QVERIFY(m_server.reset());
    if (QWidget *last = m_shell.delegate()->groupCreationController())
        last->close();
    MCGroupCreationController *window = openGroupWindow();
    QVERIFY(window);
    QTableView *table = window->peopleController()->tableView();
    clickRow(table, 0, MCAddPeopleModel::People);
    clickRow(table, 1, MCAddPeopleModel::People);
    const QString name = QStringLiteral("After ") + fault;
    QTest::keyClicks(window->textGroupName(), name);
    QVERIFY(window->buttonCreateGroup()->isEnabled());
    const QString start = QStringLiteral("/api/v1/conversations/start");
    if (fault == QLatin1String("drop"))
        QVERIFY(m_server.drop(start, -1));
    else if (fault.startsWith(QLatin1String("502")))
        QVERIFY(m_server.replaceAnswer(start, 502, "{}"));
    else
        QVERIFY(m_server.forceStatus(start, fault.toInt(), "{}", -1));
    const auto named = [hub, &name] {
        int count = 0;
        for (const MCGroup *group : hub->groups())
            count += group->chatRoom().name() == name ? 1 : 0;
        return count;
    };
    QTest::mouseClick(window->buttonCreateGroup(), Qt::LeftButton);

    if (said.isEmpty()) {
        // Made: the window goes once the group is listed, and no failure is said.
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 20000);
        QVERIFY(window->textError()->isHidden());
        QCOMPARE(named(), 1);
    } else {
        // Said once in the window, worded for what happened; the user can try again.
        QTRY_VERIFY_WITH_TIMEOUT(window->textError()->isVisible(), 20000);
        QCOMPARE(window->textError()->text(), said);
        QVERIFY(window->isVisible());
        QVERIFY(window->buttonCreateGroup()->isEnabled());
        QCOMPARE(named(), 0);
    }
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeoplePanels test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplepanels.moc"
