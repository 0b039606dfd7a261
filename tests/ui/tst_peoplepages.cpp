// The people of a signed-in shell against kerlo-local: the sidebar's RECENT group and the
// contacts page list the user's contacts and groups by name, as plain text, and follow the
// service (a contact added by someone else appears while the page is shown); the Send to
// menus list the same people and prepare the selection's rows in the chosen chat. The listing, the
// conversations and the news poll all bring the same people: each is listed once.
#include "cellgrab.h"
#include "hostilenames.h"
#include "iconviewsteps.h"
#include "mcallcontactsviewcontroller.h"
#include "mcallgroupsviewcontroller.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatcollaborationentry.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mccontactcelldelegate.h"
#include "mccontactsviewcontroller.h"
#include "mcgroupcreationcontroller.h"
#include "mciconcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuselection.h"
#include "mcoutlineviewsidebar.h"
#include "mcsendtopicker.h"
#include "mcsidebarcontroller.h"
#include "mcsocialentitiesmodel.h"
#include "mcstring.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QStringLiteral("bea.live@people.kerlo.local");

// A contact's full name: first, then last name.
struct Seeded
{
    QString email;
    QString first;
    QString last;
    QString fullName() const { return last.isEmpty() ? first : first + QLatin1Char(' ') + last; }
};

} // namespace

class TestPeoplePages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sidebarListsPeopleSortedAsPlainText();
    void contactsPageListsByNameFollowsTheServiceAndSwitchesToGroups();
    void sendToMenusListPeopleAndRequestTheSend();
    void sendToReachesEveryOneOfHundredsOnTheScreen();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCSidebarController *sidebar() const { return window()->sidebar(); }
    QStringList recentRows(int role = Qt::DisplayRole) const;
    bool seed(const QString &email, const QJsonArray &contacts, const QJsonArray &groups);

    KerloLocal m_server;
    Shell m_shell;
    QList<Seeded> m_contacts;
    QStringList m_groups;
};

QStringList TestPeoplePages::recentRows(int role) const
{
    const QAbstractItemModel *model = sidebar()->model();
    const QModelIndex recent = model->index(MCSidebarModel::Recent, 0);
    QStringList rows;
    for (int i = 0; i < model->rowCount(recent); ++i)
        rows.append(model->index(i, 0, recent).data(role).toString());
    return rows;
}

bool TestPeoplePages::seed(const QString &email, const QJsonArray &contacts,
                           const QJsonArray &groups)
{
    return m_server.control("POST", QStringLiteral("/social-seed"),
                            {{QStringLiteral("email"), email},
                             {QStringLiteral("contacts"), contacts},
                             {QStringLiteral("groups"), groups}}) == 200;
}

void TestPeoplePages::initTestCase()
{
    qRegisterMetaType<MCSocialEntity *>();
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    // Every hostile name as a first name, and plain ones whose order tells a case-sensitive
    // sort from others ("Zed" before "amy").
    m_contacts = {{"amy@people.kerlo.local", "amy", "Lower"},
                  {"zed@people.kerlo.local", "Zed", "Upper"}};
    const QList<HostileName> hostile = hostileNames();
    for (int i = 0; i < hostile.size(); ++i)
        m_contacts.append(
            {QStringLiteral("hostile%1@people.kerlo.local").arg(i), hostile.at(i).name, QString()});
    QJsonArray contacts;
    for (const Seeded &contact : qAsConst(m_contacts))
        contacts.append(QJsonObject{
            {"email", contact.email}, {"first_name", contact.first}, {"last_name", contact.last}});
    m_groups = QStringList{QStringLiteral("Project <b>X</b> & Co"), QStringLiteral("Alpha team"),
                           hostile.first().name};
    QJsonArray groups;
    for (const QString &name : qAsConst(m_groups))
        groups.append(QJsonObject{{"name", name}, {"members", QJsonArray{m_contacts[0].email}}});
    QVERIFY(seed(QString::fromLatin1(DemoEmail), contacts, groups));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QTRY_VERIFY(!sidebar()->selectionDisabled());
}

void TestPeoplePages::sidebarListsPeopleSortedAsPlainText()
{
    // Every contact and group, once, sorted by name with a case-sensitive comparison.
    QTRY_COMPARE_WITH_TIMEOUT(recentRows().size(), m_contacts.size() + m_groups.size(), 20000);
    QStringList names;
    for (const Seeded &contact : qAsConst(m_contacts))
        names.append(contact.fullName());
    names += m_groups;
    std::sort(names.begin(), names.end());
    QStringList expected;
    for (const QString &name : qAsConst(names))
        expected.append(MCString::stringForName(name));
    QCOMPARE(recentRows(), expected);
    QVERIFY(recentRows().indexOf("Zed Upper") < recentRows().indexOf("amy Lower"));

    // As text: markup stays as typed, nothing reorders or breaks the line, and the rows draw
    // with the person's picture or icon and no badge while nothing is unread.
    QVERIFY(recentRows().contains(QStringLiteral("Project <b>X</b> & Co")));
    const QAbstractItemModel *model = sidebar()->model();
    const QModelIndex recent = model->index(MCSidebarModel::Recent, 0);
    for (int i = 0; i < model->rowCount(recent); ++i) {
        const QModelIndex row = model->index(i, 0, recent);
        QVERIFY2(readsInOrder(row.data().toString()), qPrintable(row.data().toString()));
        QVERIFY(!row.data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(row.data(MCSidebarModel::BadgeRole).toList(), QVariantList{0});
        QVERIFY(sidebar()->outlineView()->visualRect(row).height() >= 30);
    }
    // A message from a contact: the badge of that person's row counts it.
    MCContact *amy = MCManager::sharedManager()->contactWithEmail(m_contacts[0].email);
    QVERIFY(amy && amy->identifier() > 0);
    QVERIFY(!m_server.postMessageAs(amy->email(), amy->identifier(), "Hi").isEmpty());
    const QModelIndex amyRow =
        model->index(recentRows().indexOf(QStringLiteral("amy Lower")), 0, recent);
    QTRY_COMPARE_WITH_TIMEOUT(amyRow.data(MCSidebarModel::BadgeRole).toList(), QVariantList{1},
                              20000);

    // A contact's place is its e-mail as a page name; a group's its name and conversation.
    QVERIFY(recentRows(MCSidebarModel::PlaceRole).contains(m_contacts[0].email + "://"));
    QVERIFY(recentRows(MCSidebarModel::PlaceRole)
                .filter(QRegularExpression("^Alpha team://[1-9][0-9]*$"))
                .size() == 1);
}

void TestPeoplePages::contactsPageListsByNameFollowsTheServiceAndSwitchesToGroups()
{
    // The sidebar's Contacts row and the Go menu's item show the page.
    QVERIFY(window()->goAction("contacts://")->isEnabled());
    const QModelIndex row = sidebar()->model()->indexForPlace("contacts://");
    QTreeView *outline = sidebar()->outlineView();
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(row).center());
    auto *page = qobject_cast<MCContactsViewController *>(m_shell.delegate()->page("contacts://"));
    QVERIFY(page);
    QTRY_VERIFY(page->isVisible());
    QCOMPARE(MCManager::sharedManager()->notBrowsablePath(), QStringLiteral("contacts://"));
    QCOMPARE(outline->selectionModel()->selectedIndexes(), QModelIndexList{row});
    QCOMPARE(page->title(), QStringLiteral("contacts://"));
    QVERIFY(page->buttonAddContact()->isVisible());
    QVERIFY(!page->buttonCreateGroup()->isVisible());
    QVERIFY(!page->allGroupsController());

    // Contacts by full name, case-sensitive, with their e-mail addresses.
    QTableView *table = page->allContactsController()->tableView();
    const auto column = [](QTableView *view, int section) {
        QStringList texts;
        for (int i = 0; i < view->model()->rowCount(); ++i)
            texts.append(view->model()->index(i, section).data().toString());
        return texts;
    };
    QStringList names;
    for (const Seeded &contact : qAsConst(m_contacts))
        names.append(MCString::stringForName(contact.fullName()));
    std::sort(names.begin(), names.end());
    QCOMPARE(column(table, 0), names);
    QCOMPARE(table->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("E-mail"));

    // Someone else makes the user a contact: listed at once, in its place, on the page and
    // in the sidebar.
    QVERIFY(!m_server
                 .createUser(BeaEmail, QStringLiteral("bea-password"),
                             {{"first_name", "Bea"}, {"last_name", "Live"}})
                 .isEmpty());
    QVERIFY(seed(BeaEmail, {QJsonObject{{"email", QString::fromLatin1(DemoEmail)}}}, {}));
    QTRY_VERIFY_WITH_TIMEOUT(column(table, 0).contains("Bea Live"), 30000);
    QVERIFY(column(table, 0).indexOf("Bea Live") < column(table, 0).indexOf("Zed Upper"));
    QCOMPARE(recentRows().count("Bea Live"), 1);
    QCOMPARE(MCManager::sharedManager()->contacts().size(), m_contacts.size() + 1);

    // Each row is drawn by the contact cell: picture, name, and the presence dot, grey until
    // the contact comes online, then green.
    const auto beaName = [&] {
        return table->model()->index(column(table, 0).indexOf("Bea Live"), 0);
    };
    const auto presence = [&] {
        return beaName().data(MCSocialEntitiesModel::StatusImageRole).toString();
    };
    QCOMPARE(presence(), QStringLiteral("gray.png"));
    QVERIFY(m_server.setPresence(BeaEmail, 1));
    QTRY_COMPARE_WITH_TIMEOUT(presence(), QStringLiteral("green.png"), 30000);
    table->scrollTo(beaName());
    MCContactCellDelegate cell(MCSocialEntitiesModel::StatusImageRole);
    const CellGrab::Result drawn = CellGrab::grab(
        table, beaName(), [&](QPainter *painter, const QStyleOptionViewItem &option) {
            cell.paint(painter, option, beaName());
        });
    QVERIFY(drawn.seen);
    QCOMPARE(drawn.shown, drawn.expected);

    // A double-click below the last row opens nothing; on a row, that partner's conversation.
    QSignalSpy asked(page, &MCContactsViewController::conversationRequested);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                       QPoint(10, table->viewport()->height() - 3));
    QCOMPARE(asked.size(), 0);
    const int bea = column(table, 0).indexOf("Bea Live");
    table->scrollTo(table->model()->index(bea, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(bea, 0)).center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                       table->visualRect(table->model()->index(bea, 0)).center());
    QCOMPARE(asked.size(), 1);
    QCOMPARE(qobject_cast<MCContact *>(asked[0][0].value<MCSocialEntity *>())->email(), BeaEmail);
    QTRY_COMPARE(MCManager::sharedManager()->notBrowsablePath(), BeaEmail + "://");
    QCOMPARE(recentRows(MCSidebarModel::PlaceRole)
                 .at(outline->selectionModel()->selectedIndexes().value(0).row()),
             BeaEmail + "://");
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(row).center());
    QTRY_VERIFY(page->isVisible());

    // The switch's second segment: the groups by name, and the group button; the list is
    // made once however often it is shown.
    QTest::mouseClick(page->segment(1), Qt::LeftButton);
    MCAllGroupsViewController *groups = page->allGroupsController();
    QVERIFY(groups);
    QCOMPARE(page->mainView()->currentWidget(), groups);
    QVERIFY(page->buttonCreateGroup()->isVisible());
    QVERIFY(!page->buttonAddContact()->isVisible());
    QStringList groupNames;
    for (const QString &name : qAsConst(m_groups))
        groupNames.append(MCString::stringForName(name));
    std::sort(groupNames.begin(), groupNames.end());
    QCOMPARE(column(groups->tableView(), 0), groupNames);
    QTest::mouseClick(page->segment(0), Qt::LeftButton);
    QCOMPARE(page->mainView()->currentWidget(), page->allContactsController());
    QTest::mouseClick(page->segment(1), Qt::LeftButton);
    QCOMPARE(page->allGroupsController(), groups);
    QCOMPARE(page->mainView()->count(), 2);

    // Its "Create Group..." opens the group window.
    QVERIFY(page->buttonCreateGroup()->isEnabled());
    QTest::mouseClick(page->buttonCreateGroup(), Qt::LeftButton);
    QTRY_VERIFY(m_shell.delegate()->groupCreationController() &&
                m_shell.delegate()->groupCreationController()->isVisible());
    m_shell.delegate()->groupCreationController()->hide();
}

void TestPeoplePages::sendToMenusListPeopleAndRequestTheSend()
{
    MCManager *hub = MCManager::sharedManager();
    auto *icons = qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    QVERIFY(showFolder(icons, QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QWidget *viewport = icons->collectionView()->viewport();
    const QPoint at = centreOf(icons, QStringLiteral("Welcome.txt"));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    MCMenuSelection *menu = hub->menuSelection();
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(menu->sendToContactsMenu()->menuAction()->isEnabled());

    // The contacts by full name, each title plain text (no mnemonic, nothing reordered).
    QMenu *contacts = menu->sendToContactsMenu();
    contacts->popup(menu->mapToGlobal(QPoint(menu->width(), 0)));
    QTRY_VERIFY(contacts->isVisible());
    QStringList titles;
    for (QAction *item : contacts->actions()) {
        QVERIFY2(hasNoMnemonic(item->text()), qPrintable(item->text()));
        QVERIFY(readsInOrder(item->text()));
        titles.append(item->text());
    }
    QStringList expected;
    for (const MCContact *contact : hub->contacts())
        expected.append(contact->fullName());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(titles.size(), expected.size());
    // A long name is its start, cut with "...".
    for (int i = 0; i < titles.size(); ++i) {
        const QString whole = MCString::stringForMenu(expected[i]);
        const QString cut = QString(QChar(0x2026)) + QChar(0x2069);
        QVERIFY2(titles[i] == whole ||
                     (titles[i].endsWith(cut) && whole.startsWith(titles[i].chopped(2))),
                 qPrintable(titles[i]));
    }

    // Choosing one prepares the file's row in that person's chat, as a drop on the person's
    // sidebar row does, selects that row and shows the chat, the row ready to be sent at its end.
    MCContact *zedContact = hub->contactWithEmail(m_contacts[1].email);
    QVERIFY(zedContact);
    const auto fileRows = [zedContact] {
        QStringList labels;
        for (const MCChatEntryPtr &entry : zedContact->conversation()) {
            if (entry->kind() == MCChatEntry::CollaborationRow)
                labels.append(entry.staticCast<MCChatCollaborationEntry>()->storageObjectLabel());
        }
        return labels;
    };
    QCOMPARE(fileRows(), QStringList());
    const int zed = titles.indexOf(MCString::stringForMenu("Zed Upper"));
    QVERIFY(zed >= 0);
    contacts->actions().at(zed)->trigger();
    QCOMPARE(fileRows(), QStringList{"Welcome.txt"});
    const QModelIndexList selected = sidebar()->outlineView()->selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().data().toString(), QStringLiteral("Zed Upper"));
    contacts->hide();
    menu->hide();
    QTRY_COMPARE(hub->notBrowsablePath(), zedContact->title());
    auto *chat = qobject_cast<MCChatViewController *>(hub->notBrowsableController());
    QVERIFY(chat && chat->entity() == zedContact);
    QTRY_VERIFY(chat->isVisible() && chat->isLastRowVisible());
    QCOMPARE(
        sidebar()->outlineView()->selectionModel()->selectedIndexes().value(0).data().toString(),
        QStringLiteral("Zed Upper"));
    const QModelIndex home = sidebar()->model()->indexForPlace(QStringLiteral("home"));
    QTest::mouseClick(sidebar()->outlineView()->viewport(), Qt::LeftButton, {},
                      sidebar()->outlineView()->visualRect(home).center());
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());

    // The groups' submenu lists the groups; a folder alone cannot be sent.
    menu->updateMenu();
    QMenu *groups = menu->sendToGroupsMenu();
    groups->popup(QPoint(0, 0));
    QTRY_VERIFY(groups->isVisible());
    QCOMPARE(groups->actions().size(), m_groups.size());
    groups->hide();
    QVERIFY(showFolder(icons, QStringLiteral("/"), QStringLiteral("Documents")));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(icons, QStringLiteral("Documents")));
    menu->updateMenu();
    QVERIFY(!menu->sendToContactsMenu()->menuAction()->isEnabled());
    QVERIFY(!menu->sendToGroupsMenu()->menuAction()->isEnabled());
}

void TestPeoplePages::sendToReachesEveryOneOfHundredsOnTheScreen()
{
    // 307 contacts.
    MCManager *hub = MCManager::sharedManager();
    const int count = 307;
    QCOMPARE(m_server.control("POST", QStringLiteral("/social-seed"),
                              {{QStringLiteral("email"), QString::fromLatin1(DemoEmail)},
                               {QStringLiteral("contact_count"), count - hub->contacts().size()}}),
             200);
    QTRY_COMPARE_WITH_TIMEOUT(hub->contacts().size(), count, 60000);

    auto *icons = qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    QVERIFY(showFolder(icons, QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QWidget *viewport = icons->collectionView()->viewport();
    const QPoint at = centreOf(icons, QStringLiteral("Welcome.txt"));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    MCMenuSelection *menu = hub->menuSelection();
    QTRY_VERIFY(menu->isVisible());
    menu->setActiveAction(menu->sendToContactsMenu()->menuAction());
    QTest::keyClick(menu, Qt::Key_Right);
    QMenu *contacts = menu->sendToContactsMenu();
    QTRY_VERIFY(contacts->isVisible());

    // The submenu lists the first ones by name, whole on the screen beside its parent menu.
    const QRect screen = window()->screen()->availableGeometry();
    QVERIFY2(screen.contains(contacts->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                   .arg(contacts->x())
                                                                   .arg(contacts->y())
                                                                   .arg(contacts->width())
                                                                   .arg(contacts->height())));
    QVERIFY(screen.contains(menu->geometry()));
    QVERIFY2(contacts->geometry().left() >= menu->geometry().right() - 8 ||
                 contacts->geometry().right() <= menu->geometry().left() + 8,
             qPrintable(QStringLiteral("%1-%2 over %3-%4 on %5")
                            .arg(contacts->geometry().left())
                            .arg(contacts->geometry().right())
                            .arg(menu->geometry().left())
                            .arg(menu->geometry().right())
                            .arg(screen.width())));
    QStringList names;
    for (const MCContact *contact : hub->contacts())
        names.append(MCString::stringForName(contact->fullName()));
    std::sort(names.begin(), names.end());
    QList<QAction *> items;
    for (QAction *item : contacts->actions()) {
        if (!item->isSeparator())
            items.append(item);
    }
    QVERIFY2(items.size() > 1 && items.size() <= 20, qPrintable(QString::number(items.size())));
    for (int i = 0; i + 1 < items.size(); ++i) {
        const QString whole = MCString::stringForMenu(names[i]);
        const QString cut = QString(QChar(0x2026)) + QChar(0x2069);
        QVERIFY2(items[i]->text() == whole || (items[i]->text().endsWith(cut) &&
                                               whole.startsWith(items[i]->text().chopped(2))),
                 qPrintable(items[i]->text()));
    }

    // Its last item opens a picker of them all, whole on the screen: each one is reached by
    // scrolling its list.
    QAction *all = items.last();
    QCOMPARE(all->objectName(), QStringLiteral("menuSendToContactsAll"));
    contacts->setActiveAction(all);
    QTest::keyClick(contacts, Qt::Key_Return);
    QTRY_VERIFY(!menu->isVisible());
    MCSendToPicker *picker = nullptr;
    QTRY_VERIFY((picker = window()->findChild<MCSendToPicker *>()) && picker->isVisible());
    QVERIFY(screen.contains(picker->frameGeometry()));
    QListView *list = picker->listView();
    QCOMPARE(list->model()->rowCount(), count);
    QStringList listed;
    for (int row = 0; row < count; ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QVERIFY(list->viewport()->rect().contains(list->visualRect(index)));
        listed.append(index.data().toString());
    }
    QCOMPARE(listed.size(), names.size());
    for (int i = 0; i < names.size(); ++i)
        QVERIFY2(listed[i] == names[i] || (listed[i].endsWith(QChar(0x2026)) &&
                                           names[i].startsWith(listed[i].chopped(1))),
                 qPrintable(listed[i]));

    // A search narrows it; Return sends the selection to the one it found.
    QSignalSpy sent(menu, &MCMenuSelection::sendFilesRequested);
    QTest::keyClicks(picker->searchField(), QStringLiteral("contact 0290"));
    QTRY_COMPARE(list->model()->rowCount(), 1);
    QTest::keyClick(picker->searchField(), Qt::Key_Return);
    QTRY_COMPARE(sent.count(), 1);
    QVERIFY(!picker->isVisible());
    auto *chosen = qobject_cast<MCContact *>(sent.first().at(0).value<MCSocialEntity *>());
    QVERIFY(chosen);
    QCOMPARE(chosen->fullName(), QStringLiteral("Seed Contact 0290"));
    QCOMPARE(sent.first().at(1).toStringList(), QStringList{"/Documents/Welcome.txt"});
}

// A folder of its own: suites running side by side never share a support folder.
int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeoplePages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplepages.moc"
