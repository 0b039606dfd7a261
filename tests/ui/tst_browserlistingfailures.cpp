// A folder whose listing fails, however it is entered (a double click, Go to Folder, the
// sidebar, the path bar, Back, Forward, Reload, a change from another device that lists it
// again) and however the listing fails (an error status, a reply that is no listing, a redirect
// elsewhere, no answer, an answer that trickles in past its deadline): the icon view says that the
// folder could not be listed and why, shows and counts nothing, Go to Folder's panel closes, and
// Reload lists the folder again. The list and column views say it the same way.
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbottomviewcontroller.h"
#include "mcclicktextfield.h"
#include "mcgotofolderpanel.h"
#include "mciconcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcpathbarcontroller.h"
#include "mcsidebarcontroller.h"
#include "shelltestfixture.h"
#include "sidebarsteps.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

using State = MCBrowsableViewController::LoadState;

// How the listing of a folder fails, set up on kerlo-local for the listing's path.
struct Failure
{
    int status = 0; // 0: never answered, or dripped
    QByteArray body;
    QByteArray contentType = "application/json";
    QMap<QByteArray, QByteArray> headers;
    int dripMs = 0; // the answer's body comes a byte at a time, this far apart
};

const QString ListingPrefix = QStringLiteral("/api/v1/objects/list");

const QStringList &routes()
{
    static const QStringList names = {
        QStringLiteral("double click"), QStringLiteral("go to folder"), QStringLiteral("sidebar"),
        QStringLiteral("path bar"),     QStringLiteral("back"),         QStringLiteral("forward"),
        QStringLiteral("reload"),       QStringLiteral("live update")};
    return names;
}

// Each failure with the words that say it.
const QMap<QString, QPair<Failure, QString>> &failures()
{
    static const QMap<QString, QPair<Failure, QString>> table = [] {
        QMap<QString, QPair<Failure, QString>> made;
        const auto add = [&made](const char *name, int status, const QByteArray &body,
                                 const QString &reason, const QByteArray &type = "application/json",
                                 const QMap<QByteArray, QByteArray> &headers = {}) {
            made.insert(QString::fromLatin1(name), {Failure{status, body, type, headers}, reason});
        };
        const QString unreadable = QStringLiteral("answer could not be read");
        add("503", 503, "{}", QStringLiteral("error 503"));
        add("500", 500, R"({"errors":["Disk on fire"]})", QStringLiteral("error 500"));
        add("404", 404, "{}", QStringLiteral("does not know"));
        add("malformed", 200, R"({"base_path":"/","objects":[{"label":)", unreadable);
        add("no listing", 200, R"({"base_path":"/","files":[]})", unreadable);
        add("html", 200, "<html><body>Please sign in</body></html>", unreadable, "text/html");
        add("empty", 200, "", unreadable);
        add("redirect", 302, "", QStringLiteral("elsewhere"), "text/html",
            {{"Location", "http://elsewhere.invalid/api/v1/objects/list"}});
        add("unanswered", 0, "", QStringLiteral("did not answer"));
        // Never silent long enough to stall: the listing's deadline ends it.
        Failure drip;
        drip.dripMs = 250;
        made.insert(QStringLiteral("drip"), {drip, QStringLiteral("did not answer")});
        return made;
    }();
    return table;
}

// The views other than the icons', by their index in the window, with the failures they meet.
const QMap<QString, int> &otherViews()
{
    static const QMap<QString, int> views = {{QStringLiteral("list"), 1},
                                             {QStringLiteral("columns"), 2}};
    return views;
}

const QStringList &otherViewFailures()
{
    static const QStringList names = {QStringLiteral("503"), QStringLiteral("html"),
                                      QStringLiteral("unanswered")};
    return names;
}

// The folder of a row: in the root, named after the row.
QString folderName(const QString &route, const QString &failure)
{
    return route + QStringLiteral(" - ") + failure;
}

// Whether widget, drawn, shows more than its background: a few hundred pixels of text at least.
bool drawsWords(QWidget *widget)
{
    const QImage drawn = widget->grab().toImage();
    const QRgb background = drawn.pixel(0, 0);
    int marked = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x)
            marked += drawn.pixel(x, y) != background;
    }
    return marked > 200;
}

} // namespace

Q_DECLARE_METATYPE(Failure)

class TestBrowserListingFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void failedListingIsSaidAndReloadListsAgain_data();
    void failedListingIsSaidAndReloadListsAgain();
    void listAndColumnViewsSayItToo_data();
    void listAndColumnViewsSayItToo();

private:
    MCIconController *icons() const;
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    QString statusText() const;
    bool fail(const QString &folder, const Failure &failure);
    // The first failure of a folder entered before the route under test, said otherwise than
    // any failure of the rows.
    bool failFirst(const QString &folder);
    void clickSidebar(const QString &row);
    void enterFromRoot(const QString &name);
    bool failedWith(const QString &reason) const { return failedWith(icons(), reason); }
    static bool failedWith(const MCBrowsableViewController *view, const QString &reason);
    void goToFolder(const QString &folder, MCGoToFolderPanel **panel);

    KerloLocal m_server;
    Shell m_shell;
};

MCIconController *TestBrowserListingFailures::icons() const
{
    return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
}

QString TestBrowserListingFailures::statusText() const
{
    return m_shell.delegate()->bottomViewController()->infoTextField()->text();
}

bool TestBrowserListingFailures::fail(const QString &folder, const Failure &failure)
{
    const QString path = folder == QLatin1String("/") ? ListingPrefix : ListingPrefix + folder;
    if (failure.dripMs > 0)
        return m_server.drip(path, failure.dripMs, 1, QStringLiteral("GET"));
    if (failure.status == 0)
        return m_server.hang(path, 1, QStringLiteral("GET"));
    return m_server.forceStatus(path, failure.status, failure.body, 1, QStringLiteral("GET"),
                                failure.contentType, failure.headers);
}

bool TestBrowserListingFailures::failFirst(const QString &folder)
{
    Failure teapot;
    teapot.status = 418;
    teapot.body = "{}";
    return fail(folder, teapot);
}

void TestBrowserListingFailures::clickSidebar(const QString &row)
{
    QVERIFY(clickSidebarRow(window()->sidebar(), row));
}

void TestBrowserListingFailures::enterFromRoot(const QString &name)
{
    QVERIFY(showFolder(icons(), QStringLiteral("/"), name));
    const QPoint at = centreOf(icons(), name);
    QListView *view = icons()->collectionView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

void TestBrowserListingFailures::goToFolder(const QString &folder, MCGoToFolderPanel **panel)
{
    window()->goToFolderAction()->trigger();
    *panel = m_shell.delegate()->goToFolderPanel();
    QTRY_VERIFY(*panel && (*panel)->isVisible());
    QLineEdit *input = (*panel)->findChild<QLineEdit *>(QStringLiteral("panelInputTextField"));
    input->selectAll();
    QTest::keyClicks(input, folder);
    QTest::mouseClick((*panel)->findChild<QPushButton *>(QStringLiteral("panelButtonGo")),
                      Qt::LeftButton);
}

bool TestBrowserListingFailures::failedWith(const MCBrowsableViewController *view,
                                            const QString &reason)
{
    const QLabel *label = view->loadStateLabel();
    return view->loadState() == State::Failed && label->isVisible() &&
           label->text().contains(QStringLiteral("could not be listed")) &&
           label->text().contains(reason);
}

void TestBrowserListingFailures::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    // A folder of its own per row, made before the session starts, so that nothing lists it
    // before its row: one file in it, and one in a folder below.
    const QString email = QString::fromLatin1(DemoEmail);
    for (const QString &route : routes()) {
        for (const QString &failure : failures().keys()) {
            const QString folder = QLatin1Char('/') + folderName(route, failure);
            QVERIFY(
                !m_server.seedFile(email, folder + QStringLiteral("/inside.txt"), "x").isEmpty());
            QVERIFY(!m_server.seedFile(email, folder + QStringLiteral("/Below/deeper.txt"), "x")
                         .isEmpty());
        }
    }
    for (const QString &view : otherViews().keys()) {
        for (const QString &failure : otherViewFailures()) {
            const QString folder = QLatin1Char('/') + folderName(view, failure);
            QVERIFY(
                !m_server.seedFile(email, folder + QStringLiteral("/inside.txt"), "x").isEmpty());
        }
    }
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QVERIFY(icons());
}

void TestBrowserListingFailures::init()
{
    QVERIFY(m_server.reset());
    if (MCGoToFolderPanel *panel = m_shell.delegate()->goToFolderPanel())
        panel->reject();
    m_shell.delegate()->switchView(0);
    QVERIFY(showFolder(icons(), QStringLiteral("/"), QStringLiteral("Photos")));
}

void TestBrowserListingFailures::failedListingIsSaidAndReloadListsAgain_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("reason");

    for (const QString &route : routes()) {
        for (auto it = failures().cbegin(); it != failures().cend(); ++it)
            QTest::newRow(qPrintable(folderName(route, it.key())))
                << route << it->first << it->second;
    }
}

void TestBrowserListingFailures::failedListingIsSaidAndReloadListsAgain()
{
    QFETCH(QString, route);
    QFETCH(Failure, failure);
    QFETCH(QString, reason);
    const QString email = QString::fromLatin1(DemoEmail);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QString folder = QLatin1Char('/') + name;
    QString shown = folder;
    QString child = QStringLiteral("inside.txt");
    MCGoToFolderPanel *panel = nullptr;

    if (route == QLatin1String("double click")) {
        QVERIFY(fail(folder, failure));
        enterFromRoot(name);
    } else if (route == QLatin1String("go to folder")) {
        QVERIFY(fail(folder, failure));
        goToFolder(folder, &panel);
        if (QTest::currentTestFailed())
            return;
    } else if (route == QLatin1String("sidebar")) {
        // The folder of the sidebar is the root: a failed Reload leaves it unlisted, and a
        // page is shown in its place before Home is clicked.
        shown = QStringLiteral("/");
        child = QStringLiteral("Photos");
        QVERIFY(failFirst(shown));
        window()->reloadAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(failedWith(QStringLiteral("error 418")), 20000);
        clickSidebar(QStringLiteral("Account"));
        QTRY_VERIFY(!icons()->isVisible());
        QVERIFY(fail(shown, failure));
        clickSidebar(QStringLiteral("Home"));
    } else if (route == QLatin1String("path bar")) {
        QVERIFY(
            showFolder(icons(), folder + QStringLiteral("/Below"), QStringLiteral("deeper.txt")));
        QVERIFY(fail(folder, failure));
        MCPathbarController *bar = window()->pathBar();
        QTRY_COMPARE(bar->componentCount(), 3);
        QCOMPARE(bar->componentPath(1), folder);
        QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->componentRect(1).center());
    } else {
        // Entered once before, and failed then too.
        QVERIFY(failFirst(folder));
        enterFromRoot(name);
        QTRY_VERIFY_WITH_TIMEOUT(failedWith(QStringLiteral("error 418")), 20000);
        if (route == QLatin1String("back")) {
            clickSidebar(QStringLiteral("Home"));
            QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Photos")));
            QVERIFY(fail(folder, failure));
            window()->backAction()->trigger();
        } else if (route == QLatin1String("forward")) {
            window()->backAction()->trigger();
            QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Photos")));
            QVERIFY(fail(folder, failure));
            window()->forwardAction()->trigger();
        } else if (route == QLatin1String("reload")) {
            QVERIFY(fail(folder, failure));
            window()->reloadAction()->trigger();
        } else {
            // Another device adds a file: the folder, never listed, is listed to show it.
            QVERIFY(fail(folder, failure));
            QVERIFY(!m_server.seedFile(email, folder + QStringLiteral("/new.txt"), "y").isEmpty());
        }
    }

    QTRY_VERIFY2_WITH_TIMEOUT(failedWith(reason), qPrintable(icons()->loadStateLabel()->text()),
                              20000);
    const QString title = shown == QLatin1String("/") ? QStringLiteral("Kerlo Home") : name;
    QCOMPARE(window()->windowTitle(), title);
    QCOMPARE(MCManager::sharedManager()->currentPath(), shown);
    QCOMPARE(icons()->loadStateLabel()->textFormat(), Qt::PlainText);
    QVERIFY(icons()->shownNames().isEmpty());
    // The words are drawn, not only held.
    QVERIFY(drawsWords(icons()->loadStateLabel()));
    // Nothing is shown, so nothing is counted.
    QTRY_VERIFY2(statusText().startsWith(QStringLiteral("0 items")), qPrintable(statusText()));
    if (panel)
        QTRY_VERIFY(!panel->isVisible());

    // Reload asks again, and this time the folder is listed.
    QVERIFY(m_server.reset());
    window()->reloadAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(child), 20000);
    QCOMPARE(icons()->loadState(), State::Loaded);
    QVERIFY(!icons()->loadStateLabel()->isVisible());
    QTRY_VERIFY2(!statusText().startsWith(QStringLiteral("0 items")), qPrintable(statusText()));
}

void TestBrowserListingFailures::listAndColumnViewsSayItToo_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("reason");

    for (auto view = otherViews().cbegin(); view != otherViews().cend(); ++view) {
        for (const QString &name : otherViewFailures()) {
            const auto &failure = failures().value(name);
            QTest::newRow(qPrintable(folderName(view.key(), name)))
                << view.value() << failure.first << failure.second;
        }
    }
}

void TestBrowserListingFailures::listAndColumnViewsSayItToo()
{
    QFETCH(int, view);
    QFETCH(Failure, failure);
    QFETCH(QString, reason);
    const QString folder = QLatin1Char('/') + QString::fromLatin1(QTest::currentDataTag());
    m_shell.delegate()->switchView(view);
    MCBrowsableViewController *shown = m_shell.delegate()->browserView(view);
    QVERIFY(shown);
    QTRY_VERIFY(shown->isVisible() && shown->shownNames().contains(QStringLiteral("Photos")));

    QVERIFY(fail(folder, failure));
    MCGoToFolderPanel *panel = nullptr;
    goToFolder(folder, &panel);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY2_WITH_TIMEOUT(failedWith(shown, reason),
                              qPrintable(shown->loadStateLabel()->text()), 20000);
    QCOMPARE(MCManager::sharedManager()->currentPath(), folder);
    QVERIFY(shown->shownNames().isEmpty());
    QVERIFY(drawsWords(shown->loadStateLabel()));
    QTRY_VERIFY2(statusText().startsWith(QStringLiteral("0 items")), qPrintable(statusText()));
    QTRY_VERIFY(!panel->isVisible());

    QVERIFY(m_server.reset());
    window()->reloadAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shown->shownNames().contains(QStringLiteral("inside.txt")), 20000);
    QCOMPARE(shown->loadState(), State::Loaded);
    QVERIFY(!shown->loadStateLabel()->isVisible());
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    qputenv("LUMARIN_STALL_TIMEOUT_MS", "5000");
    qputenv("LUMARIN_LISTING_DEADLINE_MS", "4000");
    QApplication app(argc, argv);
    TestBrowserListingFailures test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserlistingfailures.moc"
