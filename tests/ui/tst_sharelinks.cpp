// Share links from end to end in a signed-in shell against kerlo-local: the status bar's
// slider and text, the popover that shows a new link, copies it and e-mails it (completing
// from the user's contacts), the share-links page that lists, sorts, revokes, copies, opens
// and e-mails links, and the icon size kept over a restart. Also the rules behind them.
#include "cellgrab.h"
#include "iconviewsteps.h"
#include "kbbutton.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbottomviewcontroller.h"
#include "mcclicktextfield.h"
#include "mcclicktextview.h"
#include "mcemailform.h"
#include "mcemailtoken.h"
#include "mcemailtokenfield.h"
#include "mcfileactions.h"
#include "mciconcontroller.h"
#include "mciconsizes.h"
#include "mcimagetextcell.h"
#include "mcimageview.h"
#include "mcleftidentationcell.h"
#include "mclinkcontrolcellview.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmousedowntextfield.h"
#include "mcnewfileheadercell.h"
#include "mcoptions.h"
#include "mcoutlineviewsidebar.h"
#include "mcsharelinkcell.h"
#include "mcsharelinkpopover.h"
#include "mcsharelinkscontroller.h"
#include "mcsharelinksmodel.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcstring.h"
#include "mctableheadercell.h"
#include "mctextviewplaceholder.h"
#include "mcworkspace.h"
#include "moobjecttransferrequest.h"
#include "servicereader.h"
#include "shelltestfixture.h"
#include "sidebarsteps.h"
#include "yrkspinningprogressindicator.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDesktopServices>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <httplib.h>

using namespace ShellTest;

namespace {

const char ApiRootVariable[] = "LUMARIN_TEST_API_ROOT";
const QString Hostile = QStringLiteral("<img src=x> &Plan \u202Etxt.exe 10.txt");

// Records the links the desktop was asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

MOShareLink link(const QString &path, const QString &token, const QDateTime &created, qint64 visits)
{
    MOShareLink value;
    value.setFilePath(path);
    value.setToken(token);
    value.setCreatedAt(created);
    value.setExpiresIn(72);
    value.setVisitCount(visits);
    value.setPublicUri(QStringLiteral("http://127.0.0.1/s/") + token);
    return value;
}

// The alerts presented about the share-link e-mail (the form tells its own failures).
QStringList emailAlerts(const ScriptedAlertPresenter &alerts)
{
    QStringList texts;
    for (const Alert &alert : alerts.alerts()) {
        if (alert.messageText.contains(QStringLiteral("e-mail")))
            texts.append(alert.messageText);
    }
    return texts;
}

// The alerts presented about share links, in their own words.
QStringList shareLinkAlerts(const ScriptedAlertPresenter &alerts)
{
    QStringList texts;
    for (const Alert &alert : alerts.alerts()) {
        const QString text = alert.messageText + QLatin1Char('\n') + alert.informativeText;
        if (text.contains(QStringLiteral("share link"), Qt::CaseInsensitive))
            texts.append(alert.messageText);
    }
    return texts;
}

// An item view's row names, top to bottom.
QStringList columnTexts(const QAbstractItemModel *model, int column, int role = Qt::DisplayRole)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data(role).toString());
    return texts;
}

// A first launch moves the slider from where it starts (the default size) two steps right of
// the smallest size, and quits.
int scenarioSlide()
{
    Shell shell;
    if (!shell.launchSignedIn(qEnvironmentVariable(ApiRootVariable)))
        return 2;
    QSlider *slider = shell.delegate()->bottomViewController()->slider();
    if (slider->value() != MCIconSizes::indexOf(MCIconSizes::DefaultSize))
        return 3;
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_Right);
    QSignalSpy ready(shell.delegate(), &MCAppDelegate::readyToQuit);
    shell.delegate()->mainWindow()->quitAction()->trigger();
    return ready.wait(20000) ? 0 : 4;
}

// A later launch with the stored session finds the slider and the icon view where the first
// one left them.
int scenarioRestarted()
{
    Shell shell;
    shell.launch(qEnvironmentVariable(ApiRootVariable));
    if (!QTest::qWaitFor([&] { return shell.delegate()->firstObjectsFetchDone(); }, 30000))
        return 2;
    MCBottomViewController *bar = shell.delegate()->bottomViewController();
    if (!bar || bar->slider()->value() != 2)
        return 3;
    auto *icons = shell.delegate()->mainWindow()->findChild<MCIconController *>();
    if (icons->collectionView()->gridSize() != QSize(92, 92))
        return 4;
    QSignalSpy ready(shell.delegate(), &MCAppDelegate::readyToQuit);
    shell.delegate()->mainWindow()->quitAction()->trigger();
    return ready.wait(20000) ? 0 : 5;
}

} // namespace

class TestShareLinks : public QObject
{
    Q_OBJECT

private slots:
    void rulesOfTablesTokensAndCells();
    void initTestCase();
    void iconSizeIsKeptOverARestart();
    void signedInWindowShowsTheStatusBar();
    void accountButtonPopsUpTheAccount();
    void sliderAndStatusText();
    void sliderShowsOnlyWithTheIconView();
    void popoverCopiesAndEmailsANewLink();
    void emailFormRefusesBadAddressesAndReportsFailures();
    void pageListsSortsRevokesCopiesOpensAndEmails();
    void pageListsLinksMadeSinceItsLastVisitAndShortensLongNames();
    void sharingRequestFailuresAreToldOnceAndNeverShownDone_data();
    void sharingRequestFailuresAreToldOnceAndNeverShownDone();

private:
    MCBottomViewController *bar() const { return m_shell.delegate()->bottomViewController(); }
    MCIconController *icons() const;
    bool shareFile(const QString &folder, const QString &name);
    void clickSidebarRow(const QString &title);
    QUrl lastLink() const;
    MCShareLinksController *showPage();
    bool failuresGathered();

    KerloLocal m_server;
    Shell m_shell;
    ServiceReader m_reader;
    QTemporaryDir m_probes;
    int m_probeCount = 0;
};

void TestShareLinks::rulesOfTablesTokensAndCells()
{
    // Without a desktop naming an icon theme, file kinds still get their own icons.
    MCWorkspace::useIconThemeFallback();
    QVERIFY(!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"));
    const QIcon picture = MCWorkspace::iconForFileType(QStringLiteral("jpg"));
    const QIcon text = MCWorkspace::iconForFileType(QStringLiteral("txt"));
    QVERIFY(!picture.isNull() && !picture.name().isEmpty());
    QVERIFY2(picture.name() != text.name(), qPrintable(picture.name()));

    // Recipients: completions from the contacts, the "Name <address>" reduction, and plain
    // entries split at blanks.
    const MCEmailToken::Contact ann{QStringLiteral("Ann"), QStringLiteral("Smith"),
                                    QStringLiteral("ann@example.org")};
    const MCEmailToken::Contact annika{QString(), QStringLiteral("Annika"),
                                       QStringLiteral("zed@example.org")};
    const MCEmailToken::Contact bad{QStringLiteral("Ann"), QString(), QStringLiteral("annex")};
    const QList<MCEmailToken::Contact> contacts{ann, annika, bad};
    QCOMPARE(MCEmailToken::completions(QStringLiteral("ANN"), contacts),
             QStringList({QStringLiteral("ANN >> Ann Smith <ann@example.org>"),
                          QStringLiteral("ANN >> Annika <zed@example.org>")}));
    QVERIFY(MCEmailToken::completions(QStringLiteral("bob"), contacts).isEmpty());
    QCOMPARE(MCEmailToken::reducedEntry(QStringLiteral("ann >> Ann Smith <ann@example.org>")),
             QStringLiteral("ann@example.org"));
    QCOMPARE(
        MCEmailToken::tokenFromEmail(QStringLiteral("ann@example.org"), contacts)->displayString(),
        QStringLiteral("Ann Smith <ann@example.org>"));
    QVERIFY(!MCEmailToken::tokenFromEmail(QStringLiteral("ann at example"), contacts));
    QCOMPARE(MCEmailToken::recipientsOf({QStringLiteral("Ann Smith <ann@example.org>"),
                                         QStringLiteral("b@example.org  c@example.org"),
                                         QStringLiteral("nobody")},
                                        contacts),
             QStringList({QStringLiteral("ann@example.org"), QStringLiteral("b@example.org"),
                          QStringLiteral("c@example.org"), QStringLiteral("nobody")}));

    // Expiry: at the very hour a link expires; a minute before it is live.
    const QDateTime now(QDate(2026, 3, 29), QTime(12, 0), Qt::UTC);
    QVERIFY(MCShareLinksModel::isLinkExpired(now.addSecs(-24 * 3600), 24, now));
    QVERIFY(!MCShareLinksModel::isLinkExpired(now.addSecs(-24 * 3600 + 60), 24, now));
    QVERIFY(!MCShareLinksModel::isLinkExpired(QDateTime(), 24, now));

    // The model on its own: a revocation for a token it lacks changes nothing; one it has
    // greys the row; names sort naturally ("2" before "10"); counts both ways.
    MCShareLinksModel model;
    model.setNow([now] { return now; });
    model.setLinks({link(QStringLiteral("/a/File 10.txt"), QStringLiteral("t1"), now, 5),
                    link(QStringLiteral("/a/file 2.txt"), QStringLiteral("t2"), now, 9),
                    link(QStringLiteral("/Old.txt"), QStringLiteral("t3"), now.addDays(-4), 1)});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    MOShareLink stranger = link(QStringLiteral("/x"), QStringLiteral("nope"), now, 0);
    stranger.setRevokedAt(now);
    QVERIFY(!model.applyRevocation(stranger));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(model.index(2, MCShareLinksModel::FilenameColumn)
                 .data(MCShareLinksModel::SecondLineRole)
                 .toString(),
             QStringLiteral("Expired - Path: \u2068/\u2069"));
    QVERIFY(model.orderByColumn(MCShareLinksModel::FilenameColumn, Qt::AscendingOrder));
    QCOMPARE(columnTexts(&model, 0),
             QStringList({QStringLiteral("file 2.txt"), QStringLiteral("File 10.txt"),
                          QStringLiteral("Old.txt")}));
    QVERIFY(model.orderByColumn(MCShareLinksModel::VisitCountColumn, Qt::DescendingOrder));
    QCOMPARE(columnTexts(&model, MCShareLinksModel::VisitCountColumn),
             QStringList({QStringLiteral("9"), QStringLiteral("5"), QStringLiteral("1")}));
    QVERIFY(!model.orderByColumn(MCShareLinksModel::ActionsColumn, Qt::AscendingOrder));

    // Headers: four blanks in the share-links table, two in the templates table, none for
    // an empty title.
    MCTableHeaderCell links;
    MCNewFileHeaderCell templates;
    QCOMPARE(links.headerTitle(QStringLiteral("File")), QStringLiteral("    File"));
    QCOMPARE(templates.headerTitle(QStringLiteral("Name")), QStringLiteral("  Name"));
    QCOMPARE(links.headerTitle(QString()), QString());
    QCOMPARE(templates.titleColor(), QColor(Qt::darkGray));
    // The share-links table's titles are drawn dark, as text that can be used, not in the grey
    // of a disabled control.
    QStandardItemModel titles(0, 2);
    titles.setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Created")});
    QTableView table;
    auto *header = new MCTableHeaderCell(&table);
    table.setHorizontalHeader(header);
    table.setModel(&titles);
    table.resize(400, 100);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    const QImage drawn = header->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < drawn.height() - 1; ++y) {
        for (int x = 0; x < drawn.width() / 2 - 2; ++x)
            darkest = qMin(darkest, qGray(drawn.pixel(x, y)));
    }
    QVERIFY2(darkest < 80, qPrintable(QString::number(darkest)));

    // The name cell: the icon is a content hit even where the text is short.
    const QRect bounds(10, 0, 200, 20);
    QCOMPARE(MCImageTextCell::imageRectForBounds(bounds, true), QRect(13, 2, 16, 16));
    QCOMPARE(MCImageTextCell::titleRectForBounds(bounds, true).left(), 29);
    QCOMPARE(MCImageTextCell::titleRectForBounds(bounds, false), bounds);
    QVERIFY(MCImageTextCell::isContentHit(QPoint(20, 10), bounds, true));
    QVERIFY(!MCImageTextCell::isContentHit(QPoint(20, 10), bounds, false));
}

void TestShareLinks::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    QVERIFY(
        !m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/") + Hostile, "plan")
             .isEmpty());
    // Ann Smith is one of the demo user's contacts.
    QVERIFY(!m_server
                 .createUser(QStringLiteral("ann@example.org"), QStringLiteral("ann-password"),
                             {{QStringLiteral("first_name"), QStringLiteral("Ann")},
                              {QStringLiteral("last_name"), QStringLiteral("Smith")}})
                 .isEmpty());
    const QJsonObject invite =
        m_server.inviteContactAs(QStringLiteral("ann@example.org"), QString::fromLatin1(DemoEmail));
    QVERIFY(m_reader.signIn(m_server));
    QCOMPARE(m_reader.post(QStringLiteral("/contacts/invites/%1/accept")
                               .arg(invite.value(QStringLiteral("id")).toInt()),
                           {}),
             200);

    qputenv(ApiRootVariable, m_server.baseUrl().toString().toUtf8());
}

void TestShareLinks::iconSizeIsKeptOverARestart()
{
    // Two launches in processes of their own, one after the other, sharing the session.
    qputenv("LUMARIN_TEST_IDENTIFIER", "com.kerloapp.lumarin.tests.restart");
    QCOMPARE(runScenario(QStringLiteral("slide")), 0);
    QCOMPARE(runScenario(QStringLiteral("restarted")), 0);
    qunsetenv("LUMARIN_TEST_IDENTIFIER");
}

void TestShareLinks::signedInWindowShowsTheStatusBar()
{
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QVERIFY(bar() && bar()->isVisible());
    QVERIFY(bar()->slider()->isVisible());
    QVERIFY(bar()->popupUsername()->text().contains(QString::fromLatin1(DemoEmail)));
}

void TestShareLinks::accountButtonPopsUpTheAccount()
{
    // A pop-up button: a click shows its menu, whose one item is the account it names.
    QToolButton *account = bar()->popupUsername();
    QVERIFY(account->menu());
    QCOMPARE(account->popupMode(), QToolButton::InstantPopup);
    QStringList shown;
    bool checked = false;
    QTimer::singleShot(0, account, [&] {
        QMenu *menu = account->menu();
        if (menu->isVisible()) {
            for (const QAction *item : menu->actions())
                shown.append(item->text());
            checked = !menu->actions().isEmpty() && menu->actions().first()->isChecked();
        }
        menu->close();
    });
    QTest::mouseClick(account, Qt::LeftButton);
    QCOMPARE(shown, QStringList{account->text()});
    QVERIFY(shown.first().contains(QString::fromLatin1(DemoEmail)));
    QVERIFY(checked);
    // The offscreen platform leaves the closed menu the active window; the window manager gives
    // the main window back, and its keys work again.
    QTRY_VERIFY(!QApplication::activePopupWidget());
    account->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(account->window()));
}

MCIconController *TestShareLinks::icons() const
{
    return m_shell.delegate()->mainWindow()->findChild<MCIconController *>();
}

void TestShareLinks::clickSidebarRow(const QString &title)
{
    QVERIFY(::clickSidebarRow(m_shell.delegate()->mainWindow()->sidebar(), title));
}

// Selects the file in the icon view and asks for its link with the toolbar's Share.
bool TestShareLinks::shareFile(const QString &folder, const QString &name)
{
    // The view shows names as plain text (direction controls replaced).
    const QString shown = MCString::stringForName(name);
    if (!showFolder(icons(), folder, shown)) {
        qWarning() << "not shown:" << folder << name;
        return false;
    }
    const QPoint centre = centreOf(icons(), shown);
    if (centre.x() < 0) {
        qWarning() << "no item for" << name;
        return false;
    }
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, centre);
    const MCNodeList selected = icons()->getSelectedItems();
    if (selected.size() != 1) {
        qWarning() << selected.size() << "items selected";
        return false;
    }
    QToolButton *share = m_shell.delegate()->mainWindow()->toolbar()->popButtonShare();
    if (!QTest::qWaitFor([share] { return share->isEnabled(); }, 5000)) {
        qWarning() << "Share stays off";
        return false;
    }
    QTest::mouseClick(share, Qt::LeftButton);
    MCShareLinkPopover *popover = bar()->popoverShareLink();
    return QTest::qWaitFor(
        [&] {
            return popover->isVisible() &&
                   popover->currentSharedFilename().endsWith(QLatin1Char('/') + name);
        },
        15000);
}

QUrl TestShareLinks::lastLink() const
{
    return bar()->popoverShareLink()->currentSharedURL();
}

void TestShareLinks::sliderAndStatusText()
{
    MCOptions *options = MCManager::sharedManager()->options();
    QSlider *slider = bar()->slider();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(options->value(MCOptions::IconController, QStringLiteral("IconSize")).toInt(), 84);
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(options->value(MCOptions::IconController, QStringLiteral("IconSize")).toInt(), 512);
    QCOMPARE(icons()->collectionView()->gridSize(), QSize(512, 512));
    for (int step = 0; step < 47; ++step)
        QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(options->value(MCOptions::IconController, QStringLiteral("IconSize")).toInt(), 172);
    QCOMPARE(icons()->collectionView()->gridSize(), QSize(172, 172));
    // Set elsewhere (View Options): the knob follows; a size off the table puts it far right.
    options->setValue(MCOptions::IconController, QStringLiteral("IconSize"), 256);
    QCOMPARE(slider->value(), 38);
    options->setValue(MCOptions::IconController, QStringLiteral("IconSize"), 257);
    QCOMPARE(slider->value(), 68);
    QTest::keyClick(slider, Qt::Key_PageDown);
    QCOMPARE(slider->value(), 64);
    QCOMPARE(options->value(MCOptions::IconController, QStringLiteral("IconSize")).toInt(), 468);

    // The text: counts of the folder shown, then the space; each click shows less.
    QVERIFY(showFolder(icons(), QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    MCClickTextField *info = bar()->infoTextField();
    // The account's sizes in base-ten units with one fraction digit ("12.3 MB").
    const QRegularExpression size(QStringLiteral("\\d+(\\.\\d)? (bytes|KB|MB|GB|TB)"));
    const auto matches = [&](const QString &pattern) {
        QString expression = QRegularExpression::escape(pattern);
        expression.replace(QStringLiteral("SIZE"), size.pattern());
        return QRegularExpression(QStringLiteral("^%1$").arg(expression))
            .match(info->text())
            .hasMatch();
    };
    QTRY_VERIFY2(matches(QStringLiteral("2 items, SIZE used, SIZE available")),
                 qPrintable(info->text()));
    QTest::mouseClick(info, Qt::LeftButton);
    QVERIFY2(matches(QStringLiteral("2 items, SIZE used")), qPrintable(info->text()));
    QTest::mouseClick(info, Qt::LeftButton);
    QVERIFY2(matches(QStringLiteral("2 items, SIZE available")), qPrintable(info->text()));
    QTest::mouseClick(info, Qt::LeftButton);
    QCOMPARE(info->text(), QStringLiteral("2 items"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {},
                      centreOf(icons(), QStringLiteral("Welcome.txt")));
    QTRY_COMPARE(info->text(), QStringLiteral("1 of 2 selected"));
    QTest::mouseClick(info, Qt::LeftButton);
    QVERIFY2(matches(QStringLiteral("1 of 2 selected, SIZE used, SIZE available")),
             qPrintable(info->text()));
}

void TestShareLinks::sliderShowsOnlyWithTheIconView()
{
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    MCManager *hub = MCManager::sharedManager();
    QSlider *slider = bar()->slider();
    QVERIFY(icons()->isVisible() && slider->isVisible());
    // Leaves the browser for a page and comes back with the history's Back.
    const auto throughAPage = [window, hub] {
        window->goAction(QStringLiteral("transfers://"))->trigger();
        QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("transfers://"));
        window->backAction()->trigger();
        QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    };
    // The list and the column view have no icon size: the slider goes, and stays gone after a
    // page.
    for (int view : {1, 2}) {
        QTest::keyClick(window, Qt::Key(Qt::Key_1 + view), Qt::ControlModifier);
        QTRY_VERIFY(m_shell.delegate()->browserView(view)->isVisible());
        QVERIFY(!slider->isVisible());
        throughAPage();
        QVERIFY(m_shell.delegate()->browserView(view)->isVisible());
        QVERIFY(!slider->isVisible());
    }
    QTest::keyClick(window, Qt::Key_1, Qt::ControlModifier);
    QTRY_VERIFY(icons()->isVisible());
    QVERIFY(slider->isVisible());
    window->goAction(QStringLiteral("transfers://"))->trigger();
    QTRY_VERIFY(!icons()->isVisible());
    QVERIFY(!slider->isVisible());
    window->backAction()->trigger();
    QTRY_VERIFY(icons()->isVisible());
    QVERIFY(slider->isVisible());
}

void TestShareLinks::popoverCopiesAndEmailsANewLink()
{
    QVERIFY(m_server.clearRequests());
    QVERIFY(shareFile(QStringLiteral("/Photos"), QStringLiteral("Sunset.jpg")));
    MCShareLinkPopover *popover = bar()->popoverShareLink();
    QVERIFY(QTest::qWaitForWindowExposed(popover));
    QVERIFY(lastLink().toString().startsWith(m_server.baseUrl().toString() + "/s/"));
    QCOMPARE(popover->popupMainView()->currentWidget(), popover->popupFirstView());
    QVERIFY(popover->textViewClick()->toPlainText().contains(
        QStringLiteral("Sunset.jpg\u2069 has been shared successfully.")));
    QVERIFY(!popover->imageLink()->image().isNull());
    // At the Share button it was asked from: under it, across its middle.
    QToolButton *share = m_shell.delegate()->mainWindow()->toolbar()->popButtonShare();
    QCOMPARE(popover->anchor(), share);
    const QRect button(share->mapToGlobal(QPoint(0, 0)), share->size());
    QVERIFY(popover->geometry().top() >= button.bottom());
    QVERIFY(popover->geometry().top() < button.bottom() + 20);
    QVERIFY(popover->geometry().left() < button.center().x() &&
            popover->geometry().right() > button.center().x());

    QGuiApplication::clipboard()->clear();
    QCOMPARE(popover->buttonCopyToClipboard()->text(), QStringLiteral("Copy"));
    QTest::mouseClick(popover->buttonCopyToClipboard(), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), lastLink().toString());
    // The button says the link was copied.
    QCOMPARE(popover->buttonCopyToClipboard()->text(), QStringLiteral("Copied"));

    // The e-mail form: "ann" offers Ann from the contacts; choosing her makes her token.
    QTest::mouseClick(popover->buttonSendByEmail(), Qt::LeftButton);
    MCEmailForm *form = popover->popupSecondView();
    QCOMPARE(popover->popupMainView()->currentWidget(), form);
    QCOMPARE(form->textHeader()->text(), QStringLiteral("Share '\u2068Sunset.jpg\u2069'"));
    MCEmailTokenField *field = form->tokenField();
    QTRY_COMPARE(field->contacts().size(), 1);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ann"));
    QAbstractItemView *offers = field->tokenCompleter()->popup();
    QTRY_VERIFY(offers->isVisible());
    QCOMPARE(offers->model()->rowCount(), 1);
    QCOMPARE(offers->model()->index(0, 0).data().toString(),
             QStringLiteral("ann >> Ann Smith <ann@example.org>"));
    QTest::mouseClick(offers->viewport(), Qt::LeftButton, {},
                      offers->visualRect(offers->model()->index(0, 0)).center());
    QCOMPARE(field->text(), QStringLiteral("Ann Smith <ann@example.org>, "));
    // "Edit…" on her entry leaves her address, selected; a click away makes her token again.
    QVERIFY(field->editEntryAt(3));
    QCOMPARE(field->text(), QStringLiteral("ann@example.org, "));
    QCOMPARE(field->selectedText(), QStringLiteral("ann@example.org"));
    field->tokenizeEntries();
    QCOMPARE(field->text(), QStringLiteral("Ann Smith <ann@example.org>"));
    field->end(false);
    QTest::keyClicks(field, QStringLiteral(", "));
    QTest::keyClicks(field, QStringLiteral("bob@example.org  carol@example.org"));
    QTest::keyClicks(form->messageTextView(), QStringLiteral("Look at this"));

    // Send twice at once: one request; the progress shows until the answer.
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QVERIFY(form->progressSendingEmail()->isVisible());
    QCOMPARE(form->textSendingEmail()->text(), QStringLiteral("Sending email(s)..."));
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QTRY_COMPARE(form->textSendingEmail()->text(), QStringLiteral("Email(s) sent"));
    QVERIFY(!form->progressSendingEmail()->isVisible());
    QVERIFY(form->imageSendingEmail()->isVisible());
    const QJsonArray sent = m_server.requestsTo(QStringLiteral("/api/v1/sharelinks/email"));
    QCOMPARE(sent.size(), 1);
    const QJsonObject body =
        QJsonDocument::fromJson(
            sent.at(0).toObject().value(QStringLiteral("body")).toString().toUtf8())
            .object();
    QCOMPARE(body.value(QStringLiteral("link")).toString(), lastLink().toString());
    QCOMPARE(body.value(QStringLiteral("filename")).toString(), QStringLiteral("Sunset.jpg"));
    QCOMPARE(body.value(QStringLiteral("message")).toString(), QStringLiteral("Look at this"));
    QCOMPARE(body.value(QStringLiteral("emails")).toVariant().toStringList(),
             QStringList({QStringLiteral("ann@example.org"), QStringLiteral("bob@example.org"),
                          QStringLiteral("carol@example.org")}));

    // Back to the first page; every new opening starts there.
    QTest::mouseClick(form->buttonBackPreviousView(), Qt::LeftButton);
    QCOMPARE(popover->popupMainView()->currentWidget(), popover->popupFirstView());
    popover->hide();

    // A link the service does not make: the popover says so, with nothing to copy or send.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/shares.json"), 503));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Unhandled response status code 503"));
    m_shell.delegate()->fileActions()->getShareLink(icons()->getSelectedItems().value(0));
    QTRY_VERIFY(popover->isVisible());
    QCOMPARE(popover->textViewClick()->toPlainText(),
             QStringLiteral("Error in requesting URL link"));
    QVERIFY(!popover->buttonCopyToClipboard()->isVisible());
    QVERIFY(!popover->buttonSendByEmail()->isVisible());
    QVERIFY(lastLink().isEmpty());
    popover->hide();
}

void TestShareLinks::emailFormRefusesBadAddressesAndReportsFailures()
{
    QVERIFY(shareFile(QStringLiteral("/Documents"), QStringLiteral("Manual.pdf")));
    MCShareLinkPopover *popover = bar()->popoverShareLink();
    MCEmailForm *form = popover->popupSecondView();
    QVERIFY(form->tokenField()->text().isEmpty()); // a new link starts a new form
    QTest::mouseClick(popover->buttonSendByEmail(), Qt::LeftButton);
    QVERIFY(m_server.clearRequests());

    // An entry that is no address blocks the send and says which.
    form->tokenField()->setFocus();
    QTest::keyClicks(form->tokenField(), QStringLiteral("ann@example.org, not-an-address"));
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QCOMPARE(form->textSendingEmail()->text(), QStringLiteral("not-an-address not valid"));
    QVERIFY(form->imageSendingEmail()->isVisible());
    QVERIFY(!form->isSending());

    // The service refuses one address: the form says which instead of "sent".
    form->tokenField()->clear();
    QTest::keyClicks(form->tokenField(), QStringLiteral("ann@example.org, x@unreachable.org"));
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/sharelinks/email"), 200,
                                 R"({"recps":["ann@example.org"],"filename":"Manual.pdf",)"
                                 R"("errors":["x@unreachable.org could not be reached"]})"));
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QTRY_VERIFY(!form->isSending());
    QCOMPARE(form->textSendingEmail()->text(),
             QStringLiteral("Email(s) sent to ann@example.org\n"
                            "x@unreachable.org could not be reached"));

    // A failed request ends the wait with the failure, told once, in the form, which stays
    // open with what was typed; the user can send again.
    QTest::keyClicks(form->messageTextView(), QStringLiteral("Have a look"));
    const QString typed = form->tokenField()->text();
    m_shell.alerts.clearRecord();
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/sharelinks/email"), 500));
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QVERIFY(form->isSending());
    QTRY_VERIFY_WITH_TIMEOUT(!form->isSending(), 15000);
    QCOMPARE(form->textSendingEmail()->text(),
             QStringLiteral("Could not send the share link by e-mail"));
    QVERIFY(popover->isVisible());
    QCOMPARE(popover->popupMainView()->currentWidget(), form);
    QCOMPARE(form->tokenField()->text(), typed);
    QCOMPARE(form->messageTextView()->toPlainText(), QStringLiteral("Have a look"));
    QVERIFY(failuresGathered());
    QCOMPARE(emailAlerts(m_shell.alerts), QStringList());
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QTRY_COMPARE(form->textSendingEmail()->text(), QStringLiteral("Email(s) sent"));
    QCOMPARE(m_server.requestsTo(QStringLiteral("/api/v1/sharelinks/email")).size(), 3);

    // Closed while a send is under way that then fails: the popover opens again on the form,
    // as it was left, and says what failed.
    QVERIFY(m_server.drop(QStringLiteral("/api/v1/sharelinks/email"), -1));
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QVERIFY(form->isSending());
    popover->hide();
    QTRY_VERIFY_WITH_TIMEOUT(popover->isVisible(), 15000);
    QVERIFY(!form->isSending());
    QCOMPARE(popover->popupMainView()->currentWidget(), form);
    QVERIFY(!form->textSendingEmail()->text().isEmpty());
    QVERIFY(form->textSendingEmail()->text() != QStringLiteral("Email(s) sent"));
    QCOMPARE(form->tokenField()->text(), typed);
    QCOMPARE(form->messageTextView()->toPlainText(), QStringLiteral("Have a look"));
    QCOMPARE(emailAlerts(m_shell.alerts), QStringList());
    QVERIFY(m_server.reset());

    // Too many recipients, or an address too long, are refused before anything is sent, and
    // what was typed stays.
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many.append(QStringLiteral("someone%1@example.org").arg(i));
    const struct
    {
        QString entry, said;
    } refused[] = {
        {many.join(QStringLiteral(", ")),
         QStringLiteral("Too many recipients: an e-mail goes to at most 50 addresses.")},
        {QString(10240, QLatin1Char('a')) + QStringLiteral("@example.org"),
         QStringLiteral("An address is too long: at most 254 characters.")},
    };
    for (const auto &entry : refused) {
        form->tokenField()->clear();
        form->tokenField()->setText(entry.entry);
        QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
        QVERIFY(!form->isSending());
        QCOMPARE(form->textSendingEmail()->text(), entry.said);
        QVERIFY(form->imageSendingEmail()->isVisible());
        QVERIFY(!form->tokenField()->text().isEmpty());
        QCOMPARE(form->messageTextView()->toPlainText(), QStringLiteral("Have a look"));
    }
    QVERIFY(m_server.requestsTo(QStringLiteral("/api/v1/sharelinks/email")).isEmpty());
    // A send that goes through after them is the only one the service saw.
    form->tokenField()->clear();
    QTest::keyClicks(form->tokenField(), QStringLiteral("ann@example.org"));
    QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
    QTRY_COMPARE(form->textSendingEmail()->text(), QStringLiteral("Email(s) sent"));
    const QJsonArray emails = m_server.requestsTo(QStringLiteral("/api/v1/sharelinks/email"));
    QCOMPARE(emails.size(), 1);
    QVERIFY(!emails.first()
                 .toObject()
                 .value(QStringLiteral("body"))
                 .toString()
                 .contains(QStringLiteral("someone0@example.org")));
    popover->hide();
}

void TestShareLinks::pageListsSortsRevokesCopiesOpensAndEmails()
{
    // A third link, to a file whose name is markup, an ampersand and a right-to-left override.
    QVERIFY(shareFile(QStringLiteral("/"), Hostile));
    bar()->popoverShareLink()->hide();

    clickSidebarRow(QStringLiteral("Share Links"));
    auto *page = qobject_cast<MCShareLinksController *>(
        m_shell.delegate()->page(QStringLiteral("links://")));
    QVERIFY(page);
    QTRY_VERIFY(page->isVisible());
    QCOMPARE(m_shell.delegate()->mainWindow()->windowTitle(), QStringLiteral("Share Links"));
    MCShareLinksModel *model = page->model();
    QTRY_COMPARE(model->rowCount(), 3);
    QVERIFY(page->textStatus()->text().startsWith(QStringLiteral("Updated at ")));
    QVERIFY(!bar()->infoTextField()->isVisible());
    QTableView *table = page->tableView();
    QHeaderView *header = table->horizontalHeader();
    // Dates in order, one way or the other (links made in the same second compare equal).
    const auto ordered = [model](bool byExpiry, bool descending) {
        for (int row = 0; row + 1 < model->rowCount(); ++row) {
            const MOShareLink a = model->linkAt(row);
            const MOShareLink b = model->linkAt(row + 1);
            const QDateTime left =
                byExpiry ? MCShareLinksModel::linkExpiresAt(a.createdAt(), a.expiresIn())
                         : a.createdAt();
            const QDateTime right =
                byExpiry ? MCShareLinksModel::linkExpiresAt(b.createdAt(), b.expiresIn())
                         : b.createdAt();
            if (descending ? left < right : right < left)
                return false;
        }
        return true;
    };
    // Latest expiry first after every list.
    QCOMPARE(header->sortIndicatorSection(), int(MCShareLinksModel::ExpiresAtColumn));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QVERIFY(ordered(true, true));

    // Each header sorts by its column, ascending then descending.
    const auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 20, 10));
    };
    clickHeader(MCShareLinksModel::FilenameColumn);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(columnTexts(model, 0),
             QStringList({Hostile, QStringLiteral("Manual.pdf"), QStringLiteral("Sunset.jpg")}));
    clickHeader(MCShareLinksModel::FilenameColumn);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(columnTexts(model, 0),
             QStringList({QStringLiteral("Sunset.jpg"), QStringLiteral("Manual.pdf"), Hostile}));
    clickHeader(MCShareLinksModel::CreatedAtColumn);
    QVERIFY(ordered(false, false));
    clickHeader(MCShareLinksModel::CreatedAtColumn);
    QVERIFY(ordered(false, true));
    clickHeader(MCShareLinksModel::VisitCountColumn);
    QCOMPARE(header->sortIndicatorSection(), int(MCShareLinksModel::VisitCountColumn));
    QCOMPARE(columnTexts(model, MCShareLinksModel::VisitCountColumn),
             QStringList({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}));
    clickHeader(MCShareLinksModel::ExpiresAtColumn);
    QVERIFY(ordered(true, false));
    // The actions column does not sort.
    clickHeader(MCShareLinksModel::ActionsColumn);
    QCOMPARE(header->sortIndicatorSection(), int(MCShareLinksModel::ExpiresAtColumn));
    clickHeader(MCShareLinksModel::FilenameColumn);
    // The visit count is drawn by the indented cell, selected or not.
    const QModelIndex visits = model->index(0, MCShareLinksModel::VisitCountColumn);
    QVERIFY(qobject_cast<MCLeftIdentationCell *>(table->itemDelegateForColumn(visits.column())));
    MCLeftIdentationCell indented;
    const auto indentedPainting = [&](QPainter *painter, const QStyleOptionViewItem &option) {
        indented.paint(painter, option, visits);
    };
    for (const bool selected : {false, true}) {
        if (selected)
            table->selectRow(visits.row());
        else
            table->clearSelection();
        const CellGrab::Result cell = CellGrab::grab(table, visits, indentedPainting);
        QVERIFY(cell.seen);
        QCOMPARE(cell.shown, cell.expected);
    }
    table->clearSelection();
    const int hostile = 0;
    const int manualRow = 1;
    const int sunset = 2;

    // The hostile name is shown as it is.
    const auto cellOf = [&](int row) {
        return qobject_cast<MCShareLinkCell *>(
            table->indexWidget(model->index(row, MCShareLinksModel::FilenameColumn)));
    };
    QTRY_VERIFY(cellOf(hostile));
    QCOMPARE(cellOf(hostile)->hyperlinkTextField()->text(), MCString::stringForName(Hostile));
    QVERIFY(!cellOf(hostile)->hyperlinkTextField()->text().contains(QChar(0x202E)));
    QCOMPARE(cellOf(hostile)->hyperlinkTextField()->textFormat(), Qt::PlainText);
    QCOMPARE(cellOf(hostile)->additionalTextfield()->text(), QStringLiteral("Path: \u2068/\u2069"));

    // Revoke the Manual's link with its row's button: greyed, no link, no button.
    const MOShareLink manual = model->linkAt(manualRow);
    auto *control = qobject_cast<MCLinkControlCellView *>(
        table->indexWidget(model->index(manualRow, MCShareLinksModel::ActionsColumn)));
    QVERIFY(control && control->buttonRevoke()->isVisible());
    QTest::mouseClick(control->buttonRevoke(), Qt::LeftButton);
    QTRY_VERIFY(model->linkAt(manualRow).revokedAt().isValid());
    QVERIFY(!control->buttonRevoke()->isVisible());
    QVERIFY(!cellOf(manualRow)->hyperlinkTextField()->isVisible());
    QVERIFY(cellOf(manualRow)->textField()->isVisible());
    QCOMPARE(cellOf(manualRow)->additionalTextfield()->text(),
             QStringLiteral("Revoked - Path: \u2068/Documents\u2069"));
    QCOMPARE(model->index(manualRow, MCShareLinksModel::CreatedAtColumn)
                 .data(Qt::ForegroundRole)
                 .value<QBrush>()
                 .color(),
             QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
    // Reloading keeps it revoked: the service says so too. The list comes back by expiry.
    QTest::mouseClick(page->buttonReload(), Qt::LeftButton);
    QTRY_COMPARE(header->sortIndicatorSection(), int(MCShareLinksModel::ExpiresAtColumn));
    clickHeader(MCShareLinksModel::FilenameColumn);
    QCOMPARE(model->linkAt(manualRow).token(), manual.token());
    QVERIFY(model->linkAt(manualRow).revokedAt().isValid());
    QTRY_VERIFY(cellOf(manualRow) && !cellOf(manualRow)->hyperlinkTextField()->isVisible());
    // Its address no longer answers (where the service serves the public pages).
    httplib::Client web(m_server.baseUrl().toString().toStdString());
    const auto live = web.Get(QUrl(model->linkAt(sunset).publicUri()).path().toStdString());
    const auto revoked = web.Get(QUrl(manual.publicUri()).path().toStdString());
    QVERIFY(live && revoked);
    if (live->status == 404)
        qInfo("kerlo-local serves no /s/<token> pages: the revoked address is not checked");
    else
        QCOMPARE(revoked->status, 404);

    // A revoked link keeps its menu; a click outside the rows shows none.
    QVERIFY(page->updateLinksMenu(manualRow));
    QVERIFY(!page->updateLinksMenu(-1));

    // Copy the Sunset's link from its context menu.
    const QPoint sunsetPoint =
        table->visualRect(model->index(sunset, MCShareLinksModel::CreatedAtColumn)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, sunsetPoint,
                                table->viewport()->mapToGlobal(sunsetPoint));
    QApplication::sendEvent(table->viewport(), &menuEvent);
    QMenu *menu = page->linksMenu();
    QTRY_VERIFY(menu->isVisible());
    QGuiApplication::clipboard()->clear();
    QAction *copy = menu->actions().at(0);
    QCOMPARE(copy->text(), QStringLiteral("Copy Link"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(copy).center());
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), model->linkAt(sunset).publicUri());
    QCOMPARE(page->textStatus()->text(), QStringLiteral("Link copied to the clipboard"));

    // Open it: a click on its name hands it to the desktop's URL opener.
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
    QTest::mouseClick(cellOf(sunset)->hyperlinkTextField(), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(recorder.opened, QList<QUrl>({QUrl(model->linkAt(sunset).publicUri())}));

    // E-mail it: the popover opens on the form, without a way back.
    page->sendByEmail(sunset);
    MCShareLinkPopover *popover = bar()->popoverShareLink();
    QTRY_VERIFY(popover->isVisible());
    QCOMPARE(popover->popupMainView()->currentWidget(), popover->popupSecondView());
    QVERIFY(!popover->popupSecondView()->buttonBackPreviousView()->isVisible());
    QCOMPARE(popover->currentSharedURL().toString(), model->linkAt(sunset).publicUri());
    popover->hide();
}

MCShareLinksController *TestShareLinks::showPage()
{
    clickSidebarRow(QStringLiteral("Share Links"));
    auto *page = qobject_cast<MCShareLinksController *>(
        m_shell.delegate()->page(QStringLiteral("links://")));
    return page && QTest::qWaitFor([page] { return page->isVisible(); }, 5000) ? page : nullptr;
}

void TestShareLinks::pageListsLinksMadeSinceItsLastVisitAndShortensLongNames()
{
    MCShareLinksController *page = showPage();
    QVERIFY(page);
    MCShareLinksModel *model = page->model();
    QTRY_VERIFY(model->rowCount() > 0);
    const int before = model->rowCount();
    // Away from the page, a link is made elsewhere (the web site, another device) to a file
    // with the longest name there is: 255 bytes.
    QVERIFY(showFolder(icons(), QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QTRY_VERIFY(!page->isVisible());
    const QString longName = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");
    QCOMPARE(longName.toUtf8().size(), 255);
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/") + longName, "x")
                 .isEmpty());
    QCOMPARE(m_reader.post(QStringLiteral("/shares.json"),
                           QJsonObject{{QStringLiteral("share"),
                                        QJsonObject{{QStringLiteral("path"), "/" + longName},
                                                    {QStringLiteral("expires_in"), 72}}}}),
             200);

    // Back on the page: it is listed without Reload.
    QVERIFY(showPage() == page);
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), before + 1, 20000);
    int row = -1;
    QTRY_VERIFY((row = columnTexts(model, 0).indexOf(longName)) >= 0);
    QTableView *table = page->tableView();
    table->scrollTo(model->index(row, MCShareLinksModel::FilenameColumn));
    MCShareLinkCell *cell = nullptr;
    QTRY_VERIFY((cell = qobject_cast<MCShareLinkCell *>(
                     table->indexWidget(model->index(row, MCShareLinksModel::FilenameColumn)))) &&
                cell->hyperlinkTextField()->isVisible());
    // The name is cut in the middle with an ellipsis, to the room there is; the extension and
    // the whole name (in the tool tip) stay.
    QLabel *name = cell->hyperlinkTextField();
    QTRY_VERIFY(name->text().contains(QChar(0x2026)));
    QVERIFY(name->text().endsWith(QStringLiteral(".txt")));
    QVERIFY(name->fontMetrics().horizontalAdvance(name->text()) <= name->contentsRect().width());
    QCOMPARE(name->toolTip(), longName);
    QCOMPARE(cell->name(), longName);
}

void TestShareLinks::sharingRequestFailuresAreToldOnceAndNeverShownDone_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("fault");
    for (const char *request : {"make", "revoke", "list"}) {
        for (const char *fault : {"500", "hang", "drop"})
            QTest::addRow("%s/%s", request, fault) << request << fault;
    }
    QTest::newRow("email/hang") << "email"
                                << "hang";
}

void TestShareLinks::sharingRequestFailuresAreToldOnceAndNeverShownDone()
{
    QFETCH(QString, request);
    QFETCH(QString, fault);
    // A fault that lasts: a dropped request that is safe to repeat is sent again.
    const auto breakPath = [&](const QString &path) {
        if (fault == QLatin1String("500"))
            return m_server.forceStatus(path, 500, QByteArray(), -1);
        if (fault == QLatin1String("hang"))
            return m_server.hang(path, -1);
        return m_server.drop(path, -1);
    };
    QVERIFY(m_server.reset());
    // A sheet left open holds back the next ones: none may be mistaken for this failure's.
    while (m_shell.alerts.pendingCount() > 0)
        QVERIFY(m_shell.alerts.answer(0));
    QVERIFY(failuresGathered());
    while (m_shell.alerts.pendingCount() > 0)
        QVERIFY(m_shell.alerts.answer(0));
    m_shell.alerts.clearRecord();
    MCShareLinkPopover *popover = bar()->popoverShareLink();
    popover->hide();

    if (request == QLatin1String("make")) {
        // The popover tells it, with nothing to copy or send; no sheet tells it again.
        QVERIFY(showFolder(icons(), QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
        QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {},
                          centreOf(icons(), QStringLiteral("Welcome.txt")));
        QCOMPARE(icons()->getSelectedItems().size(), 1);
        QToolButton *share = m_shell.delegate()->mainWindow()->toolbar()->popButtonShare();
        QTRY_VERIFY(share->isEnabled());
        QVERIFY(breakPath(QStringLiteral("/api/v1/shares.json")));
        QTest::mouseClick(share, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(popover->isVisible(), 20000);
        QCOMPARE(popover->textViewClick()->toPlainText(),
                 QStringLiteral("Error in requesting URL link"));
        QVERIFY(!popover->buttonCopyToClipboard()->isVisible());
        QVERIFY(!popover->buttonSendByEmail()->isVisible());
        QVERIFY(lastLink().isEmpty());
        QVERIFY(failuresGathered());
        QCOMPARE(shareLinkAlerts(m_shell.alerts), QStringList());
        popover->hide();
        // Asked again once the service is back: the link is made.
        QVERIFY(m_server.reset());
        QVERIFY(share->isEnabled());
        QTest::mouseClick(share, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!lastLink().isEmpty() && popover->isVisible(), 20000);
        popover->hide();
    } else if (request == QLatin1String("revoke")) {
        // A link of its own, made elsewhere; the page lists it live.
        QCOMPARE(m_reader.post(QStringLiteral("/shares.json"),
                               QJsonObject{{QStringLiteral("share"),
                                            QJsonObject{{QStringLiteral("path"),
                                                         QStringLiteral("/Photos/Sunset.jpg")},
                                                        {QStringLiteral("expires_in"), 72}}}}),
                 200);
        MCShareLinksController *page = showPage();
        QVERIFY(page);
        MCShareLinksModel *model = page->model();
        QTest::mouseClick(page->buttonReload(), Qt::LeftButton);
        const auto liveRow = [model] {
            for (int row = 0; row < model->rowCount(); ++row) {
                const MOShareLink link = model->linkAt(row);
                if (link.filePath() == QLatin1String("/Photos/Sunset.jpg") &&
                    !link.revokedAt().isValid())
                    return row;
            }
            return -1;
        };
        // A live one (each case revokes one and makes one).
        int row = -1;
        QTRY_VERIFY_WITH_TIMEOUT((row = liveRow()) >= 0, 20000);
        const QString token = model->linkAt(row).token();
        QTableView *table = page->tableView();
        table->scrollTo(model->index(row, MCShareLinksModel::ActionsColumn));
        MCLinkControlCellView *control = nullptr;
        QTRY_VERIFY((control = qobject_cast<MCLinkControlCellView *>(table->indexWidget(
                         model->index(row, MCShareLinksModel::ActionsColumn)))) &&
                    control->buttonRevoke()->isVisible());
        QVERIFY(breakPath(QStringLiteral("/api/v1/shares/%1/revoke").arg(token)));
        QTest::mouseClick(control->buttonRevoke(), Qt::LeftButton);
        // One sheet tells it; the row stays live, its button there to try again.
        QTRY_VERIFY_WITH_TIMEOUT(!shareLinkAlerts(m_shell.alerts).isEmpty(), 20000);
        QVERIFY(failuresGathered());
        QCOMPARE(shareLinkAlerts(m_shell.alerts),
                 QStringList{QStringLiteral("Could not revoke the share link")});
        while (m_shell.alerts.pendingCount() > 0)
            QVERIFY(m_shell.alerts.answer(0));
        row = -1;
        for (int at = 0; at < model->rowCount(); ++at) {
            if (model->linkAt(at).token() == token)
                row = at;
        }
        QVERIFY(row >= 0);
        QVERIFY(!model->linkAt(row).revokedAt().isValid());
        control = qobject_cast<MCLinkControlCellView *>(
            table->indexWidget(model->index(row, MCShareLinksModel::ActionsColumn)));
        QVERIFY(control && control->buttonRevoke()->isVisible() &&
                control->buttonRevoke()->isEnabled());
        QVERIFY(m_server.reset());
        QTest::mouseClick(control->buttonRevoke(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(model->linkAt(row).revokedAt().isValid(), 20000);
    } else if (request == QLatin1String("list")) {
        MCShareLinksController *page = showPage();
        QVERIFY(page);
        QTRY_VERIFY(page->textStatus()->text().startsWith(QStringLiteral("Updated at ")));
        QVERIFY(breakPath(QStringLiteral("/api/v1/sharelinks/list")));
        QTest::mouseClick(page->buttonReload(), Qt::LeftButton);
        // The page says it, not "Updated"; no sheet says it again.
        QTRY_COMPARE_WITH_TIMEOUT(
            page->textStatus()->text(),
            QStringLiteral("Could not list the share links. Click Reload to try again."), 20000);
        QVERIFY(failuresGathered());
        QCOMPARE(shareLinkAlerts(m_shell.alerts), QStringList());
        QVERIFY(m_server.reset());
        QVERIFY(page->buttonReload()->isEnabled());
        QTest::mouseClick(page->buttonReload(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            page->textStatus()->text().startsWith(QStringLiteral("Updated at ")), 20000);
        QVERIFY(page->model()->rowCount() > 0);
    } else {
        // An e-mail the service never answers: the form says it once and keeps what was typed.
        QVERIFY(shareFile(QStringLiteral("/Photos"), QStringLiteral("Sunset.jpg")));
        QTest::mouseClick(popover->buttonSendByEmail(), Qt::LeftButton);
        MCEmailForm *form = popover->popupSecondView();
        form->tokenField()->setFocus();
        QTest::keyClicks(form->tokenField(), QStringLiteral("bob@example.org"));
        QTest::keyClicks(form->messageTextView(), QStringLiteral("Still there?"));
        const QString typed = form->tokenField()->text();
        QVERIFY(breakPath(QStringLiteral("/api/v1/sharelinks/email")));
        QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
        QVERIFY(form->isSending());
        QTRY_VERIFY_WITH_TIMEOUT(!form->isSending(), 20000);
        QCOMPARE(form->textSendingEmail()->text(),
                 QStringLiteral("Could not send the share link by e-mail"));
        QVERIFY(popover->isVisible());
        QCOMPARE(popover->popupMainView()->currentWidget(), form);
        QCOMPARE(form->tokenField()->text(), typed);
        QCOMPARE(form->messageTextView()->toPlainText(), QStringLiteral("Still there?"));
        QVERIFY(failuresGathered());
        QCOMPARE(shareLinkAlerts(m_shell.alerts), QStringList());
        QVERIFY(m_server.reset());
        QTest::mouseClick(form->buttonEmail(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(form->textSendingEmail()->text(), QStringLiteral("Email(s) sent"),
                                  20000);
        popover->hide();
    }
    QVERIFY(m_server.reset());
}

// Failures are gathered for a moment before a sheet tells them. A download that fails now is
// told after everything gathered before it: once its sheet is shown, or waits behind the sheet
// that is, no sheet about an earlier failure is still to come. Its sheet is answered unless
// another is in front of it.
bool TestShareLinks::failuresGathered()
{
    const QString probe = QStringLiteral("/Missing probe %1.txt").arg(++m_probeCount);
    const int before = m_shell.alerts.alerts().size();
    MCManager *manager = MCManager::sharedManager();
    manager->downloadFileAtPath(probe, m_probes.filePath(QStringLiteral("probe.txt")), {},
                                MOObjectTransferRequest::Replace);
    const auto probeTold = [this, before] {
        const QList<Alert> alerts = m_shell.alerts.alerts();
        for (int at = before; at < alerts.size(); ++at) {
            if (alerts.at(at).messageText.contains(QStringLiteral("/Missing probe ")))
                return true;
        }
        return false;
    };
    if (!QTest::qWaitFor(
            [&] {
                return probeTold() ||
                       (m_shell.alerts.pendingCount() > 0 && manager->queuedSheetCount() > 0);
            },
            20000))
        return false;
    if (m_shell.alerts.pendingCount() > 0 &&
        m_shell.alerts.pendingAlert().messageText.contains(QStringLiteral("/Missing probe ")))
        return m_shell.alerts.answer(0);
    return true;
}

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--scenario") == 0) {
        isolateEnvironment(qEnvironmentVariable("LUMARIN_TEST_ROOT"));
        QApplication app(argc, argv);
        return qstrcmp(argv[2], "slide") == 0 ? scenarioSlide() : scenarioRestarted();
    }
    qputenv("LUMARIN_TEST_ROOT", isolateEnvironment().toUtf8());
    // A request the service never answers fails within the test's patience.
    qputenv("LUMARIN_STALL_TIMEOUT_MS", "3000");
    QApplication app(argc, argv);
    TestShareLinks test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sharelinks.moc"
