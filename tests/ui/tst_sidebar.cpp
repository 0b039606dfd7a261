// The sidebar of a signed-in shell against kerlo-local's demo tree: its groups and rows, a
// click on a place showing its page with the row following the history, the Transfers badge
// counting running transfers as they run, drops on "Home" (local files uploaded to the root,
// remote items moved there) and on a person, and the names of people shown as plain text.
#include "cellgrab.h"
#include "iconviewsteps.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mciconcontroller.h"
#include "mciconfieldcell.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcpasteboard.h"
#include "mcsidebarbadgedelegate.h"
#include "mcsidebarcontroller.h"
#include "mcstring.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using namespace ShellTest;

class TestSidebar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void placesShowTheirPagesAndFollowTheHistory();
    void peopleAreListedSortedAsPlainText();
    void dropsOnHomeUploadOrMoveAndTheBadgeCountsThem();
    void rowsAreDrawnByTheIconFieldCell();
    void peopleArrivingLeaveTheOutlineAsTheUserLeftIt();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCSidebarController *sidebar() const { return window()->sidebar(); }
    QModelIndex row(const QString &title) const;
    bool click(const QString &title);
    QStringList selection() const;
    bool shows(const QString &location) const;
    bool drop(QMimeData *data, const QString &title);

    KerloLocal m_server;
    Shell m_shell;
    QTemporaryDir m_local;
    ServiceReader m_reader;
};

QModelIndex TestSidebar::row(const QString &title) const
{
    const QAbstractItemModel *model = sidebar()->model();
    const QModelIndexList rows = model->match(model->index(0, 0), Qt::DisplayRole, title, -1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    return rows.size() == 1 ? rows.first() : QModelIndex();
}

bool TestSidebar::click(const QString &title)
{
    const QModelIndex index = row(title);
    if (!index.isValid())
        return false;
    QTreeView *outline = sidebar()->outlineView();
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
    return true;
}

QStringList TestSidebar::selection() const
{
    QStringList rows;
    for (const QModelIndex &index : sidebar()->outlineView()->selectionModel()->selectedIndexes())
        rows.append(index.data().toString());
    return rows;
}

bool TestSidebar::shows(const QString &location) const
{
    MCManager *hub = MCManager::sharedManager();
    if (location.isEmpty())
        return hub->notBrowsablePath().isEmpty() && hub->currentPath() == QLatin1String("/");
    QWidget *page = m_shell.delegate()->page(location);
    return page && page->isVisible() && hub->notBrowsablePath() == location;
}

bool TestSidebar::drop(QMimeData *data, const QString &title)
{
    QWidget *viewport = sidebar()->outlineView()->viewport();
    const QPoint at = sidebar()->outlineView()->visualRect(row(title)).center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent dropEvent(at, offered, data, Qt::LeftButton, Qt::NoModifier);
    dropEvent.setAccepted(false);
    QApplication::sendEvent(viewport, &dropEvent);
    delete data;
    return dropEvent.isAccepted();
}

void TestSidebar::initTestCase()
{
    QVERIFY(m_local.isValid());
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_reader.signIn(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QTRY_VERIFY(!sidebar()->selectionDisabled());
}

void TestSidebar::placesShowTheirPagesAndFollowTheHistory()
{
    // Three groups, each open, with the places under the first two; every place has an icon
    // and no group title can be chosen.
    const QAbstractItemModel *model = sidebar()->model();
    QCOMPARE(model->rowCount(), 3);
    const QStringList groups = {"CLOUD", "SOCIAL", "RECENT"};
    const QList<QStringList> places = {
        {"Home", "Transfers", "Account"}, {"Contacts", "Share Links", "Notifications"}, {}};
    for (int group = 0; group < 3; ++group) {
        const QModelIndex title = model->index(group, 0);
        QCOMPARE(title.data().toString(), groups[group]);
        QVERIFY(!(model->flags(title) & Qt::ItemIsSelectable));
        QVERIFY(sidebar()->outlineView()->isExpanded(title));
        QStringList shown;
        for (int i = 0; i < model->rowCount(title); ++i) {
            shown.append(model->index(i, 0, title).data().toString());
            QVERIFY(!model->index(i, 0, title).data(Qt::DecorationRole).value<QIcon>().isNull());
        }
        QCOMPARE(shown, places[group]);
    }
    QCOMPARE(selection(), QStringList{"Home"});
    QVERIFY(click("CLOUD"));
    QCOMPARE(selection(), QStringList{"Home"});

    // A click shows the place's page and selects its row.
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(click("Transfers"));
    QTRY_VERIFY(shows("transfers://"));
    QCOMPARE(selection(), QStringList{"Transfers"});
    QVERIFY(click("Notifications"));
    QTRY_VERIFY(shows("messages://"));
    QCOMPARE(selection(), QStringList{"Notifications"});
    // Back and Forward move the selection with the page.
    window()->backAction()->trigger();
    QTRY_VERIFY(shows("transfers://"));
    QCOMPARE(selection(), QStringList{"Transfers"});
    window()->forwardAction()->trigger();
    QTRY_VERIFY(shows("messages://"));
    QCOMPARE(selection(), QStringList{"Notifications"});

    // Home goes to the root; a folder below it is no row's.
    QVERIFY(click("Home"));
    QTRY_VERIFY(shows(QString()));
    QCOMPARE(selection(), QStringList{"Home"});
    auto *icons = qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    QVERIFY(showFolder(icons, QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QTRY_COMPARE(selection(), QStringList());
    QVERIFY(click("Home"));
    QTRY_VERIFY(shows(QString()));
    QCOMPARE(selection(), QStringList{"Home"});
    window()->backAction()->trigger();
    QTRY_COMPARE(hub->currentPath(), QStringLiteral("/Documents"));
    QCOMPARE(selection(), QStringList());
    window()->forwardAction()->trigger();
    QTRY_VERIFY(shows(QString()));
    QCOMPARE(selection(), QStringList{"Home"});

    // A place whose page is not there shows the browser instead, and the row follows.
    for (const QString &title : QStringList{"Account", "Contacts", "Share Links"}) {
        const QString place = row(title).data(MCSidebarModel::PlaceRole).toString();
        QVERIFY(click(title));
        const bool page = m_shell.delegate()->page(place) != nullptr;
        QTRY_VERIFY(shows(page ? place : QString()));
        QCOMPARE(selection(), QStringList{page ? title : "Home"});
        if (page)
            QVERIFY(click("Home"));
    }
}

void TestSidebar::peopleAreListedSortedAsPlainText()
{
    // Rows sort by room name; a row added later keeps the selection where it was, and one no
    // longer given stays.
    const QString markup = QStringLiteral("<b>Bold</b> & Co");
    QObject zed, amy, group;
    sidebar()->updateSocial({{"zed", "Zed", false, &zed}, {"g", markup, true, &group}});
    sidebar()->updateSocial({{"amy", QString::fromUtf8("Amy \u202Eevil"), false, &amy}});
    const QModelIndex recent = sidebar()->model()->index(MCSidebarModel::Recent, 0);
    QVERIFY(sidebar()->outlineView()->isExpanded(recent));
    QStringList titles;
    for (int i = 0; i < sidebar()->model()->rowCount(recent); ++i)
        titles.append(
            sidebar()->model()->index(i, 0, recent).data(MCSidebarModel::PlaceRole).toString());
    QCOMPARE(titles, QStringList({"g", "amy", "zed"}));
    QCOMPARE(selection(), QStringList{"Home"});

    // Names are plain text: markup stays as typed, direction controls are defused.
    const QModelIndex first = sidebar()->model()->index(0, 0, recent);
    QCOMPARE(first.data().toString(), markup);
    QVERIFY(!sidebar()->model()->index(1, 0, recent).data().toString().contains(QChar(0x202E)));
    QVERIFY(sidebar()->outlineView()->visualRect(first).height() >= 30);

    // Files dropped on a person go to the send hook with that person.
    QSignalSpy sent(sidebar(), &MCSidebarController::sendFilesRequested);
    QVERIFY(drop(MCPasteboard::mimeDataForRemotePaths({"/Documents/Welcome.txt"}), "Zed"));
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0][0].value<QObject *>(), &zed);
    QCOMPARE(sent[0][1].toStringList(), QStringList{"/Documents/Welcome.txt"});
    QCOMPARE(selection(), QStringList{"Zed"});
}

void TestSidebar::peopleArrivingLeaveTheOutlineAsTheUserLeftIt()
{
    // Enough people for the outline to scroll; the user scrolls one to the top.
    std::vector<std::unique_ptr<QObject>> people;
    QList<MCSidebarSocialRow> rows;
    for (int i = 0; i < 60; ++i) {
        people.push_back(std::make_unique<QObject>());
        const QString name = QStringLiteral("Person %1").arg(i, 2, 10, QLatin1Char('0'));
        rows.append({name.toLower(), name, false, people.back().get()});
    }
    sidebar()->updateSocial(rows);
    QTreeView *outline = sidebar()->outlineView();
    const QStringList selected = selection();
    QVERIFY(outline->visualRect(row("Person 30")).top() > 0);
    while (outline->indexAt(QPoint(1, 1)).data().toString() != QLatin1String("Person 30")) {
        const int before = outline->verticalScrollBar()->value();
        QTest::keyClick(outline->verticalScrollBar(), Qt::Key_Down);
        QVERIFY(outline->verticalScrollBar()->value() > before);
    }
    const int scrolled = outline->verticalScrollBar()->value();

    // People listed afterwards below the rows shown neither scroll the outline nor move the
    // selection.
    QObject late, later;
    sidebar()->updateSocial({{"zoe", "Zoe", false, &late}});
    sidebar()->updateSocial({{"zack", "Zack", false, &later}});
    QVERIFY(row("Zoe").isValid());
    QVERIFY(row("Zack").isValid());
    QCOMPARE(outline->verticalScrollBar()->value(), scrolled);
    QCOMPARE(outline->indexAt(QPoint(1, 1)).data().toString(), QStringLiteral("Person 30"));
    QCOMPARE(selection(), selected);
}

void TestSidebar::dropsOnHomeUploadOrMoveAndTheBadgeCountsThem()
{
    MCManager *hub = MCManager::sharedManager();
    const QString email = QString::fromLatin1(DemoEmail);
    const QModelIndex transfers = row("Transfers");
    const auto badge = [&] {
        return transfers.data(MCSidebarModel::BadgeRole).toList();
    };
    QCOMPARE(badge(), QVariantList({0, 0}));

    // A local file dropped on "Home" goes up to the root; the badge counts it while it runs,
    // repainting only its own row.
    const QString local = m_local.filePath(QStringLiteral("Dropped on home.txt"));
    const QByteArray bytes = "dropped on the sidebar\n" + QByteArray(2000, 's');
    QVERIFY(writeFile(local, bytes));
    for (const QString &route :
         {QStringLiteral("/api/v1/sync/object"), QStringLiteral("/api/v1/objects")})
        QVERIFY(m_server.delay(route + "/Dropped on home.txt", 1500, 1, "PUT"));
    QSignalSpy changed(sidebar()->model(), &QAbstractItemModel::dataChanged);
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(local)});
    QVERIFY(drop(data, "Home"));
    QTRY_COMPARE(badge(), QVariantList({0, 1}));
    for (const QList<QVariant> &signal : changed)
        QCOMPARE(signal[0].toModelIndex(), transfers);
    QTRY_COMPARE_WITH_TIMEOUT(m_reader.remoteBytes(QStringLiteral("/Dropped on home.txt")), bytes,
                              20000);
    QTRY_COMPARE_WITH_TIMEOUT(badge(), QVariantList({0, 0}), 20000);
    QVERIFY(QFile::exists(local)); // a copy: the original stays

    // Remote items move to the root, all or nothing: one already there refuses the drop.
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Moving.txt"), "moving").isEmpty());
    QVERIFY(
        !drop(MCPasteboard::mimeDataForRemotePaths({"/Documents/Moving.txt", "/Photos"}), "Home"));
    QVERIFY(drop(MCPasteboard::mimeDataForRemotePaths({"/Documents/Moving.txt"}), "Home"));
    QTRY_COMPARE_WITH_TIMEOUT(m_reader.remoteBytes(QStringLiteral("/Moving.txt")),
                              QByteArray("moving"), 20000);
    QVERIFY(m_reader.remoteBytes(QStringLiteral("/Documents/Moving.txt")).isNull());
    // A place that is not a folder takes nothing.
    QVERIFY(!drop(MCPasteboard::mimeDataForRemotePaths({"/Moving.txt"}), "Transfers"));

    // The badges draw what the counters say: downloads green on the left, uploads red; one
    // kind alone, or unread notifications, one badge; nothing at 0.
    using Badge = MCSidebarBadgeDelegate;
    QVERIFY(Badge::badges(QVariantList{0, 0}).isEmpty());
    QCOMPARE(Badge::badges(QVariantList{0, 3}).size(), 1);
    QCOMPARE(Badge::badges(QVariantList{0, 3}).first().count, 3);
    const auto both = Badge::badges(QVariantList{2, 3});
    QCOMPARE(both.size(), 2);
    QCOMPARE(both[0].count, 2);
    QVERIFY(both[0].color != both[1].color);
    QCOMPARE(both[0].color, Badge::badges(QVariantList{2, 0}).first().color);
    const QModelIndex notifications = row("Notifications");
    hub->setUnreadNotifications(12);
    QCOMPARE(notifications.data(MCSidebarModel::BadgeRole).toList(), QVariantList{12});
    QCOMPARE(Badge::badges(notifications.data(MCSidebarModel::BadgeRole)).first().count, 12);
    hub->setUnreadNotifications(0);
    QVERIFY(Badge::badges(notifications.data(MCSidebarModel::BadgeRole)).isEmpty());
}

// A folder of its own: suites running side by side never share a support folder.
void TestSidebar::rowsAreDrawnByTheIconFieldCell()
{
    QTreeView *outline = sidebar()->outlineView();
    auto *delegate = qobject_cast<MCSidebarBadgeDelegate *>(outline->itemDelegate());
    QVERIFY(delegate);
    // A place (small icon) and a person (the big one), without badges: the row shows what the
    // cell draws, selected or not.
    QObject pat;
    sidebar()->updateSocial({{"pat", "Pat", false, &pat}});
    const QModelIndex person = row("Pat");
    QVERIFY(person.isValid());
    const QModelIndex home = row("Home");
    QCOMPARE(delegate->cellFor(home)->iconSide(), 14);
    QCOMPARE(delegate->cellFor(person)->iconSide(), 28);
    MCIconFieldCell placeCell;
    MCIconFieldCell personCell;
    personCell.setBigIcon(true);
    for (const QModelIndex &index : {home, person}) {
        MCIconFieldCell &cell = index == home ? placeCell : personCell;
        const auto painting = [&](QPainter *painter, const QStyleOptionViewItem &option) {
            cell.paint(painter, option, index);
        };
        const CellGrab::Result result = CellGrab::grab(outline, index, painting);
        QVERIFY(result.seen);
        QCOMPARE(result.shown, result.expected);
    }
    QVERIFY(click("Home"));
    const CellGrab::Result selected =
        CellGrab::grab(outline, home, [&](QPainter *painter, const QStyleOptionViewItem &option) {
            placeCell.paint(painter, option, home);
        });
    QCOMPARE(selected.shown, selected.expected);

    // A name of letters under stacked marks is drawn inside its own row, not over the rows
    // above and below it.
    QString marked;
    for (const QChar letter : QStringLiteral("Zoe")) {
        marked.append(letter);
        for (int mark = 0; mark < 12; ++mark)
            marked.append(QChar(mark % 2 ? 0x0301 : 0x0316));
    }
    QObject zoe;
    sidebar()->updateSocial({{"pat", "Pat", false, &pat}, {"zoe", marked, false, &zoe}});
    const QModelIndex markedRow = row(marked);
    QVERIFY(markedRow.isValid());
    const QRect band = outline->visualRect(markedRow);
    QImage painted(outline->viewport()->width(), band.height() * 5,
                   QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    {
        QStyleOptionViewItem option;
        option.initFrom(outline->viewport());
        option.rect = QRect(0, band.height() * 2, painted.width(), band.height());
        option.font = outline->font();
        QPainter painter(&painted);
        delegate->paint(&painter, option, markedRow);
    }
    int inside = 0;
    for (int y = 0; y < painted.height(); ++y) {
        const bool own = y >= band.height() * 2 && y < band.height() * 3;
        for (int x = 0; x < painted.width(); ++x) {
            if (qAlpha(painted.pixel(x, y)) == 0)
                continue;
            QVERIFY2(own, qPrintable(QStringLiteral("drawn at %1,%2").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY(inside > 0);

    // A name bounded already, as a contact's is, is cut once, at its end: two that differ only
    // in the last letter kept show the same.
    QStringList bounded;
    for (const char *last : {"A", "B"}) {
        bounded.append(MCString::stringByBoundingName(
            QStringLiteral("Beginning ") + QString(MCString::MaxNameLength - 12, QLatin1Char('x')) +
            QLatin1String(last) + QStringLiteral(" and what follows")));
    }
    QVERIFY(bounded[0].endsWith(QStringLiteral("xA\u2026")));
    QObject ann, bob;
    sidebar()->updateSocial({{"ann", bounded[0], false, &ann}, {"bob", bounded[1], false, &bob}});
    QList<QImage> titles;
    for (const QString &name : qAsConst(bounded)) {
        const QModelIndex index = row(name);
        QVERIFY(index.isValid());
        const QRect rect = outline->visualRect(index);
        const QRect title = delegate->cellFor(index)->titleRectForBounds(
            QRect(QPoint(0, 0), rect.size()), index, outline->font());
        QVERIFY(title.width() > 40);
        titles.append(outline->viewport()->grab(rect).toImage().copy(title));
    }
    QCOMPARE(titles[0], titles[1]);
    // And the name is drawn there.
    QVERIFY(titles[0] != [&] {
        QImage fill = titles[0];
        fill.fill(titles[0].pixel(0, 0));
        return fill;
    }());

    // The logo stands faintly in the lower left corner, behind the rows: lighter than the tint
    // in its cloud, the tint itself in the arrow cut out of the cloud.
    auto *sidebarOutline = sidebar()->outlineView();
    const QRect logo = sidebarOutline->watermarkRect();
    const QModelIndex last = sidebar()->model()->index(
        sidebar()->model()->rowCount(row("RECENT")) - 1, 0, row("RECENT"));
    QVERIFY(sidebarOutline->visualRect(last).bottom() < logo.y() + 120);
    const QImage shown = sidebarOutline->viewport()->grab().toImage();
    const auto at = [&](int x, int y) {
        return shown.pixelColor(logo.x() + x * logo.width() / 256,
                                logo.y() + y * logo.height() / 256);
    };
    const QColor tint = sidebarOutline->palette().color(QPalette::Base);
    QVERIFY(at(60, 150).lightness() > tint.lightness() + 10);
    QVERIFY(at(180, 130).lightness() > tint.lightness() + 10);
    QCOMPARE(at(128, 140), tint);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestSidebar test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sidebar.moc"
