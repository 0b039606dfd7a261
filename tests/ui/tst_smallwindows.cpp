// The application's small windows, used as a person would. A new user's first sign-in against
// kerlo-local brings the guided tour; its check box, the preferences and the New File
// templates are kept after a restart (each shell runs in a subprocess of this program,
// since the core exists once per process). Then each window alone: the tour's slides, the
// preferences' boxes against a real autostart folder, the templates window's drops and
// removals, the password window's checks and the About window's texts.
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcaboutcontroller.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mclinktextfield.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenufile.h"
#include "mcnewfilehandler.h"
#include "mcnewfileheadercell.h"
#include "mcnewfiletemplatesmodel.h"
#include "mcoptions.h"
#include "mcpasswordrecoverycontroller.h"
#include "mcpasteboard.h"
#include "mcpreferences1controller.h"
#include "mcpreferenceswindowcontroller.h"
#include "mcwelcomecontroller.h"
#include "mcwelcomepictures.h"
#include "shelltestfixture.h"
#include "xdgautostart.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace ShellTest;

namespace {

const char ApiRootVariable[] = "LUMARIN_TEST_API_ROOT";
const char TemplateSourceVariable[] = "LUMARIN_TEST_TEMPLATE_SOURCE";

// Fails the scenario with a message; scenarios cannot use QVERIFY.
#define SCENARIO_CHECK(condition, code)                                                            \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            qWarning("Scenario check failed at line %d: %s", __LINE__, #condition);                \
            return code;                                                                           \
        }                                                                                          \
    } while (false)

// The label's text is all in sight: the label has the room its text needs and lies inside
// its window.
bool shownWhole(QLabel *label)
{
    if (!label->isVisible() || label->text().isEmpty())
        return true;
    const QRect inWindow(label->mapTo(label->window(), QPoint(0, 0)), label->size());
    const QRect text = label->contentsRect();
    const bool fits = label->wordWrap()
                          ? label->height() >= label->heightForWidth(label->width())
                          : text.width() >= label->fontMetrics().horizontalAdvance(label->text()) &&
                                text.height() >= label->fontMetrics().height();
    const bool inside = label->window()->rect().contains(inWindow);
    if (!fits || !inside)
        qWarning() << label->objectName() << label->text() << inWindow << "in"
                   << label->window()->rect() << "needs" << label->sizeHint();
    return fits && inside;
}

// Collects the URLs the windows hand to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

bool quit(Shell &shell)
{
    QSignalSpy ready(shell.delegate(), &MCAppDelegate::readyToQuit);
    shell.delegate()->mainWindow()->quitAction()->trigger();
    return ready.wait(20000);
}

// A check box takes clicks on its box and its text only: it is clicked near its box.
void click(QAbstractButton *button)
{
    const QPoint at = qobject_cast<QCheckBox *>(button) ? QPoint(6, button->height() / 2)
                                                        : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

QVariant appOption(const QString &key)
{
    return MCManager::sharedManager()->options()->value(MCOptions::AppDelegate, key);
}

QString autostartFile(Shell &shell)
{
    return shell.autostart->filePath();
}

// Opens the File menu's New File submenu with the keyboard, as a person would.
QMenu *openNewFileMenu(MCMainWindow *window)
{
    QMenu *file = window->fileMenu();
    file->popup(window->mapToGlobal(QPoint(10, 10)));
    if (!QTest::qWaitFor([&] { return file->isVisible(); }, 5000))
        return nullptr;
    QAction *newFile = file->findChild<QAction *>(QStringLiteral("menuItemNewFile"));
    if (!newFile || !newFile->menu())
        return nullptr;
    file->setActiveAction(newFile);
    QTest::keyClick(file, Qt::Key_Right);
    return QTest::qWaitFor([&] { return newFile->menu()->isVisible(); }, 5000) ? newFile->menu()
                                                                               : nullptr;
}

QStringList menuTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// A drop of data (taken over) on the list's viewport at pos, as the file manager makes it.
bool dropOn(MCNewFileHandler *handler, QMimeData *data, const QPoint &pos)
{
    const std::unique_ptr<QMimeData> owner(data);
    QWidget *viewport = handler->tableView()->viewport();
    QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

QMimeData *filesData(const QStringList &paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// A new user's first sign-in: the tour comes up and steps through; its box is ticked. The
// preferences change their options at once, and start at login its autostart file. "Customize
// this menu..." adds a template from a dropped file, renamed in place. Quitting saves.
int scenarioFirstSignIn()
{
    Shell shell;
    shell.launch(qEnvironmentVariable(ApiRootVariable));
    SCENARIO_CHECK(shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                             QString::fromLatin1(DemoPassword)),
                   2);
    SCENARIO_CHECK(shell.waitForSession(), 2);
    MCAppDelegate *delegate = shell.delegate();

    // The tour, from its first slide, with Back hidden and the box unticked.
    MCWelcomeController *tour = delegate->welcomeController();
    SCENARIO_CHECK(tour && QTest::qWaitForWindowExposed(tour), 3);
    SCENARIO_CHECK(tour->headerText() == QLatin1String("Welcome to Kerlo"), 3);
    SCENARIO_CHECK(!tour->backButton()->isVisible() && !tour->doNotShowAgainBox()->isChecked(), 3);
    QStringList headers{tour->headerText()};
    for (int step = 1; step < MCWelcomeController::SlideCount; ++step) {
        click(tour->nextButton());
        SCENARIO_CHECK(tour->backButton()->isVisible(), 3);
        headers.append(tour->headerText());
    }
    SCENARIO_CHECK(headers.last() == QLatin1String("File transfers"), 3);
    SCENARIO_CHECK(headers.removeDuplicates() == 0 && !headers.contains(QString()), 3);
    click(tour->nextButton());
    SCENARIO_CHECK(tour->pageIndex() == 0 && !tour->backButton()->isVisible(), 3);
    click(tour->doNotShowAgainBox());
    SCENARIO_CHECK(appOption(MCOptions::ShowWelcomeTour) == QVariant(false), 3);
    click(tour->leaveButton());
    SCENARIO_CHECK(!tour->isVisible(), 3);

    // Preferences from the Edit menu's item: start at login was filled in, with its file.
    SCENARIO_CHECK(QFileInfo::exists(autostartFile(shell)), 4);
    delegate->preferencesAction()->trigger();
    MCPreferencesWindowController *preferences = delegate->preferencesController();
    SCENARIO_CHECK(preferences && QTest::qWaitForWindowExposed(preferences), 4);
    auto *general = preferences->findChild<MCPreferences1Controller *>();
    SCENARIO_CHECK(general && general->buttonStartAtLogin()->isChecked(), 4);
    SCENARIO_CHECK(general->buttonSoundsEnabled()->isChecked(), 4);
    click(general->buttonSoundsEnabled());
    SCENARIO_CHECK(appOption(MCOptions::SoundsEnabled) == QVariant(false), 4);
    click(general->buttonFinderDragDefaultAction());
    SCENARIO_CHECK(appOption(MCOptions::FinderMoveDefaultAction) == QVariant(true), 4);
    click(general->buttonOpenArchiveEnabled());
    SCENARIO_CHECK(appOption(MCOptions::OpenArchiveDefaultAction) == QVariant(true), 4);
    SCENARIO_CHECK(!general->buttonDeleteConfirmation()->isChecked(), 4);
    click(general->buttonDeleteConfirmation());
    SCENARIO_CHECK(appOption(MCOptions::DeleteAskConfermation) == QVariant(false), 4);
    click(general->buttonStartAtLogin());
    SCENARIO_CHECK(!QFileInfo::exists(autostartFile(shell)), 4);
    SCENARIO_CHECK(appOption(MCOptions::WillStartAtLogin) == QVariant(false), 4);
    click(general->buttonStartAtLogin());
    SCENARIO_CHECK(shell.autostart->isEnabled(), 4);
    click(general->buttonStartAtLogin());
    SCENARIO_CHECK(!QFileInfo::exists(autostartFile(shell)), 4);
    QTest::keyClick(preferences, Qt::Key_Escape);
    SCENARIO_CHECK(!preferences->isVisible(), 4);

    // About tells the build's version.
    delegate->aboutAction()->trigger();
    MCAboutController *about = delegate->aboutController();
    SCENARIO_CHECK(about && QTest::qWaitForWindowExposed(about), 5);
    SCENARIO_CHECK(about->versionTextField()->text() ==
                       QStringLiteral("Kerlo %1 Build %2")
                           .arg(BundleValues().string(BundleValues::ShortVersionKey),
                                BundleValues().string(BundleValues::VersionKey)),
                   5);
    about->close();

    // New File's "Customize this menu..." opens the templates window; a dropped file becomes
    // a template, renamed in place.
    SCENARIO_CHECK(shell.showMainWindow(), 6);
    QMenu *newFile = openNewFileMenu(delegate->mainWindow());
    SCENARIO_CHECK(newFile, 6);
    QAction *customize = newFile->findChild<QAction *>(QStringLiteral("menuItemCustomizeNewFiles"));
    SCENARIO_CHECK(customize && customize->isEnabled(), 6);
    QTest::mouseClick(newFile, Qt::LeftButton, {}, newFile->actionGeometry(customize).center());
    SCENARIO_CHECK(QTest::qWaitFor([&] {
                       return delegate->newFileHandler() && delegate->newFileHandler()->isVisible();
                   }),
                   6);
    MCNewFileHandler *handler = delegate->newFileHandler();
    SCENARIO_CHECK(QTest::qWaitForWindowExposed(handler), 6);
    QTreeView *list = handler->tableView();
    SCENARIO_CHECK(handler->model()->rowCount() == 1, 6);
    const QPoint below = list->visualRect(handler->model()->index(0)).bottomLeft() + QPoint(4, 6);
    SCENARIO_CHECK(
        dropOn(handler, filesData({qEnvironmentVariable(TemplateSourceVariable)}), below), 6);
    SCENARIO_CHECK(handler->model()->rowCount() == 2, 6);
    const QModelIndex added = handler->model()->index(1);
    list->setCurrentIndex(added);
    QTest::keyClick(list, Qt::Key_F2);
    QLineEdit *editor = list->findChild<QLineEdit *>();
    SCENARIO_CHECK(editor && QTest::qWaitFor([&] { return editor->isVisible(); }), 6);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Notes & minutes"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits the name on its next turn of the event loop.
    SCENARIO_CHECK(QTest::qWaitFor(
                       [&] { return added.data().toString() == QLatin1String("Notes & minutes"); }),
                   6);
    handler->close();
    return quit(shell) ? 0 : 7;
}

// The restart: no tour; the choices and the template are still there.
int scenarioRestart()
{
    Shell shell;
    shell.launch(qEnvironmentVariable(ApiRootVariable));
    SCENARIO_CHECK(shell.waitForSession(), 2);
    MCAppDelegate *delegate = shell.delegate();
    SCENARIO_CHECK(!delegate->welcomeController(), 3);
    SCENARIO_CHECK(!QFileInfo::exists(autostartFile(shell)), 4);
    delegate->preferencesAction()->trigger();
    auto *general = delegate->preferencesController()->findChild<MCPreferences1Controller *>();
    SCENARIO_CHECK(!general->buttonStartAtLogin()->isChecked(), 4);
    SCENARIO_CHECK(!general->buttonSoundsEnabled()->isChecked(), 4);
    SCENARIO_CHECK(general->buttonFinderDragDefaultAction()->isChecked(), 4);
    SCENARIO_CHECK(general->buttonOpenArchiveEnabled()->isChecked(), 4);
    SCENARIO_CHECK(general->buttonDeleteConfirmation()->isChecked(), 4);
    delegate->preferencesController()->close();
    SCENARIO_CHECK(shell.showMainWindow(), 5);
    QMenu *newFile = openNewFileMenu(delegate->mainWindow());
    SCENARIO_CHECK(newFile, 5);
    const QStringList texts = menuTexts(newFile);
    SCENARIO_CHECK(texts == (QStringList{QStringLiteral("New Text Document"),
                                         QStringLiteral("Notes && minutes"), QStringLiteral("-"),
                                         QStringLiteral("Customize this menu...")}),
                   5);
    newFile->close();
    delegate->mainWindow()->fileMenu()->close();
    return quit(shell) ? 0 : 6;
}

// A desktop that names no application for web links (empty XDG folders): the window says
// the page could not be opened and gives its address instead of saying it opened.
int scenarioNoBrowser()
{
    MCPasswordRecoveryController window(QStringLiteral("Lumarin"),
                                        QUrl(QStringLiteral("https://kerlo.example")));
    window.setPasswordForgot(true);
    window.show();
    SCENARIO_CHECK(QTest::qWaitForWindowExposed(&window), 2);
    QTest::keyClicks(window.emailTextfield(), QStringLiteral("someone@example.org"));
    SCENARIO_CHECK(window.submitButton()->isEnabled(), 3);
    QTest::mouseClick(window.submitButton(), Qt::LeftButton);
    const QString said = window.forgotMessageTextfield()->text();
    qInfo("Said: %s", qPrintable(said));
    SCENARIO_CHECK(!said.contains(QStringLiteral("has opened")), 4);
    SCENARIO_CHECK(said.contains(QStringLiteral("https://kerlo.example/forgot")), 5);
    SCENARIO_CHECK(said.contains(QStringLiteral("Nothing was sent")), 6);
    return 0;
}

int runScenarioMain(const QString &name)
{
    if (name == QLatin1String("nobrowser"))
        return scenarioNoBrowser();
    if (name == QLatin1String("first"))
        return scenarioFirstSignIn();
    if (name == QLatin1String("restart"))
        return scenarioRestart();
    return 100;
}

} // namespace

class TestSmallWindows : public QObject
{
    Q_OBJECT

private slots:
    void firstSignInShowsTheTourAndChoicesOutliveARestart();
    void tourStepsThroughItsSlidesAndKeepsItsChoice();
    void preferencesFollowTheOptionsAndTheAutostartFolder();
    void templatesWindowAddsMovesAndRemovesOnlyItsOwnCopies();
    void templatesTableHeaderIsDrawnByTheNewFileHeaderCell();
    void passwordWindowEnablesItsButtonsOnlyForValidInputAndSendsNothing();
    void aboutShowsTheBuildAndOpensTheSite();
};

void TestSmallWindows::firstSignInShowsTheTourAndChoicesOutliveARestart()
{
    KerloLocal server;
    QVERIFY(server.start());
    qputenv(ApiRootVariable, server.baseUrl().toString().toUtf8());
    qputenv("LUMARIN_TEST_IDENTIFIER", QByteArray("com.kerloapp.lumarin.tests.smallwindows.") +
                                           QByteArray::number(QCoreApplication::applicationPid()));
    const QString source = root() + QStringLiteral("/Notes.md");
    QVERIFY(writeFile(source, "# Notes\n"));
    qputenv(TemplateSourceVariable, QFile::encodeName(source));
    QCOMPARE(runScenario(QStringLiteral("first")), 0);
    QCOMPARE(runScenario(QStringLiteral("restart")), 0);
}

void TestSmallWindows::tourStepsThroughItsSlidesAndKeepsItsChoice()
{
    MCOptions options;
    MCWelcomeController tour(&options);
    tour.resetView();
    tour.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tour));
    // Absent: unticked. Stored NO: ticked.
    QVERIFY(!tour.doNotShowAgainBox()->isChecked());
    options.setValue(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour, false);
    tour.resetView();
    QVERIFY(tour.doNotShowAgainBox()->isChecked());
    // Unticking stores YES rather than removing the choice.
    click(tour.doNotShowAgainBox());
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour), QVariant(true));

    // Back from slide 1 hides Back again; Back cannot go below the first slide.
    click(tour.nextButton());
    QCOMPARE(tour.headerText(), QStringLiteral("The Cloud Experience"));
    // The slides speak of this desktop, not of another system's file manager.
    QCOMPARE(tour.slideText(),
             QStringLiteral("Kerlo resembles your file manager in its files browsing features "
                            "making it seamless for you to learn how to use it.\n\nAll the files "
                            "you see are not taking any disk space."));
    tour.setPageIndex(3);
    QCOMPARE(tour.slideText(),
             QStringLiteral("Open, edit, delete. Enjoy working with your files like you normally "
                            "do with your computer. All changes made to your files will be "
                            "synchronized with the cloud."));
    tour.setPageIndex(1);
    click(tour.backButton());
    QCOMPARE(tour.pageIndex(), 0);
    QVERIFY(!tour.backButton()->isVisible());
    tour.actionBack();
    QCOMPARE(tour.pageIndex(), 0);
    // Past the last slide: an empty slide with both buttons.
    tour.setPageIndex(12);
    QVERIFY(tour.headerText().isEmpty() && tour.slideText().isEmpty());
    QVERIFY(tour.backButton()->isVisible() && tour.nextButton()->isVisible());
    // Leaving closes without touching the choice.
    click(tour.leaveButton());
    QVERIFY(!tour.isVisible());
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour), QVariant(true));

    // Every slide has a picture of its own that is not blank.
    QSet<uint> pictures;
    for (int slide = 0; slide < MCWelcomeController::SlideCount; ++slide) {
        const QImage image = MCWelcomePictures::picture(slide, QSize(120, 120)).toImage();
        QVERIFY(!image.isNull());
        pictures.insert(qHash(QByteArray(reinterpret_cast<const char *>(image.constBits()),
                                         int(image.sizeInBytes()))));
        int painted = 0;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4)
                painted += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(painted > 50, qPrintable(QString::number(slide)));
    }
    QCOMPARE(pictures.size(), MCWelcomeController::SlideCount);
    QVERIFY(MCWelcomePictures::picture(12, QSize(10, 10)).isNull());
}

void TestSmallWindows::preferencesFollowTheOptionsAndTheAutostartFolder()
{
    MCOptions options;
    XdgAutostart autostart(QStringLiteral("com.kerloapp.lumarin.tests.preferences"),
                           QCoreApplication::applicationFilePath(), QStringLiteral("Tests"));
    // The window owns its panes.
    auto *general = new MCPreferences1Controller(&options, &autostart);
    MCPreferencesWindowController window({general}, QStringLiteral("Preferences"));
    MCPreferences1Controller &pane = *general;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Preferences"));
    QCOMPARE(window.selectedIdentifier(), QStringLiteral("MCPreferences1Controller"));
    // Missing options: every box unticked but the delete box, for which missing means NO.
    QVERIFY(!pane.buttonSoundsEnabled()->isChecked() && !pane.buttonStartAtLogin()->isChecked());
    QVERIFY(pane.buttonDeleteConfirmation()->isChecked());
    click(pane.buttonDeleteConfirmation());
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::DeleteAskConfermation),
             QVariant(true));
    // An option changed elsewhere (an alert's suppression box) shows at once.
    options.setValue(MCOptions::AppDelegate, MCOptions::OpenArchiveDefaultAction, true);
    QVERIFY(pane.buttonOpenArchiveEnabled()->isChecked());

    // Start at login writes a real entry, and says so when the folder cannot take one.
    click(pane.buttonStartAtLogin());
    QVERIFY(autostart.isEnabled());
    QVERIFY(readFile(autostart.filePath()).contains("Exec="));
    click(pane.buttonStartAtLogin());
    QVERIFY(!QFileInfo::exists(autostart.filePath()));
    const QString folder = QFileInfo(autostart.filePath()).path();
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(writeFile(folder, "not a folder"));
    click(pane.buttonStartAtLogin());
    QVERIFY(!pane.buttonStartAtLogin()->isChecked());
    QVERIFY(pane.messageLabel()->isVisible());
    QVERIFY(pane.messageLabel()->text().contains(QStringLiteral("could not be added")));
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::WillStartAtLogin), QVariant(false));
    QVERIFY(QFile::remove(folder));

    // Closing, by button or key, asks once for the options to be saved.
    QSignalSpy closing(&window, &MCPreferencesWindowController::windowWillClose);
    QTest::keyClick(&window, Qt::Key_Escape);
    QCOMPARE(closing.count(), 1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.close();
    QCOMPARE(closing.count(), 2);
}

void TestSmallWindows::templatesWindowAddsMovesAndRemovesOnlyItsOwnCopies()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString templates = scratch.filePath(QStringLiteral("templates"));
    const QString outside = scratch.filePath(QStringLiteral("Precious.txt"));
    QVERIFY(writeFile(outside, "keep me"));
    const QString sheet = scratch.filePath(QStringLiteral("Budget.csv"));
    QVERIFY(writeFile(sheet, "a,b\n"));
    const QString bare = scratch.filePath(QStringLiteral("README"));
    QVERIFY(writeFile(bare, "x"));

    MCOptions options;
    options.setValue(MCOptions::AppDelegate, MCOptions::NewFileSettings,
                     QVariantList{QVariantMap{{"path", outside}, {"label", "Edited by hand"}}});
    MCNewFileHandler handler(&options, templates);
    // Every copy is made in the same second.
    handler.model()->setClock([] { return QDateTime::fromSecsSinceEpoch(978307200 + 42); });
    handler.show();
    QVERIFY(QTest::qWaitForWindowExposed(&handler));
    QTreeView *list = handler.tableView();
    MCNewFileTemplatesModel *model = handler.model();
    const auto rowRect = [&](int row) {
        return list->visualRect(model->index(row));
    };
    const auto labels = [&] {
        QStringList texts;
        for (const QVariant &entry :
             options.value(MCOptions::AppDelegate, MCOptions::NewFileSettings).toList())
            texts.append(entry.toMap().value("label").toString());
        return texts;
    };

    // Refused drops say why and add nothing.
    QVERIFY(!dropOn(&handler, filesData({sheet, outside}), rowRect(0).center()));
    QCOMPARE(handler.messageField()->text(), QStringLiteral("You can only add one file at time"));
    QVERIFY(!dropOn(&handler, filesData({bare}), rowRect(0).center()));
    QCOMPARE(handler.messageField()->text(),
             QStringLiteral("You can't add a file with no extension"));
    QVERIFY(!dropOn(&handler, MCPasteboard::mimeDataForRemotePaths({"/Documents/a.txt"}),
                    rowRect(0).center()));
    QCOMPARE(handler.messageField()->text(),
             QStringLiteral("Please, download the file. Direct operation is not supported yet"));
    QCOMPARE(model->rowCount(), 1);

    // On a row: below it. On a row's top edge: above it. Same second, separate copies.
    QVERIFY(dropOn(&handler, filesData({sheet}), rowRect(0).center()));
    QVERIFY(handler.messageField()->text().isEmpty());
    QVERIFY(dropOn(&handler, filesData({sheet}), rowRect(0).topLeft() + QPoint(4, 1)));
    QCOMPARE(model->rowCount(), 3);
    const QString first = model->index(0).data(MCNewFileTemplatesModel::PathRole).toString();
    const QString second = model->index(2).data(MCNewFileTemplatesModel::PathRole).toString();
    QCOMPARE(model->index(1).data().toString(), QStringLiteral("Edited by hand"));
    QVERIFY(first != second);
    for (const QString &copy : {first, second}) {
        QVERIFY(copy.startsWith(templates + QStringLiteral("/42")));
        QCOMPARE(readFile(copy), QByteArray("a,b\n"));
    }
    QVERIFY(model->index(0).data().toString().startsWith(QStringLiteral("New ")));
    QVERIFY(model->index(0)
                .data(MCNewFileTemplatesModel::SecondLineRole)
                .toString()
                .startsWith(QStringLiteral("csv - ")));

    // Moving: down from the first row, then not past the last.
    list->setCurrentIndex(model->index(0));
    QVERIFY(!handler.upButton()->isEnabled());
    click(handler.downButton());
    QCOMPARE(list->currentIndex().row(), 1);
    QCOMPARE(labels().value(0), QStringLiteral("Edited by hand"));
    list->setCurrentIndex(model->index(2));
    QVERIFY(!handler.downButton()->isEnabled());

    // Removing a hand-edited entry that points outside the templates folder keeps that file;
    // removing a copy deletes it. The last removal leaves an empty menu list.
    list->setCurrentIndex(model->index(0));
    click(handler.removeButton());
    QCOMPARE(readFile(outside), QByteArray("keep me"));
    QCOMPARE(model->rowCount(), 2);
    QVERIFY(!handler.removeButton()->isEnabled());
    list->setCurrentIndex(model->index(0));
    const QString removed = model->index(0).data(MCNewFileTemplatesModel::PathRole).toString();
    click(handler.removeButton());
    QVERIFY(!QFileInfo::exists(removed));
    options.setValue(
        MCOptions::AppDelegate, MCOptions::NewFileSettings,
        QVariantList{QVariantMap{{"path", templates + "/../Precious.txt"}, {"label", "Escaping"}}});
    QCOMPARE(model->rowCount(), 1);
    list->setCurrentIndex(model->index(0));
    click(handler.removeButton());
    QCOMPARE(readFile(outside), QByteArray("keep me"));
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::NewFileSettings).toList().size(), 0);

    // A blank name is refused; markup stays text.
    QVERIFY(dropOn(&handler, filesData({sheet}), QPoint(5, 5)));
    QVERIFY(!model->setData(model->index(0), QStringLiteral("   ")));
    QVERIFY(model->setData(model->index(0), QStringLiteral("<b>Tom & Jerry</b>")));
    QCOMPARE(labels(), QStringList{QStringLiteral("<b>Tom & Jerry</b>")});
}

void TestSmallWindows::templatesTableHeaderIsDrawnByTheNewFileHeaderCell()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    MCOptions options;
    MCNewFileHandler handler(&options, scratch.filePath(QStringLiteral("templates")));
    handler.show();
    QVERIFY(QTest::qWaitForWindowExposed(&handler));
    auto *header = qobject_cast<MCNewFileHeaderCell *>(handler.tableView()->header());
    QVERIFY(header);
    QVERIFY(header->isVisible());
    QCOMPARE(header->headerTitle(handler.model()->headerData(0, Qt::Horizontal).toString()),
             QStringLiteral("  Template"));
    // The table's header shows what the cell draws for the same column.
    MCNewFileHeaderCell cell;
    cell.setModel(handler.model());
    cell.resize(header->size());
    cell.resizeSection(0, header->sectionSize(0));
    const QImage shown = header->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage expected = cell.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, expected);
    // The gradient's light top, the grey bottom line, and a title in dark grey.
    QCOMPARE(shown.pixelColor(shown.width() / 2, 1), QColor(Qt::white));
    QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() - 1), QColor(Qt::gray));
    bool titled = false;
    for (int x = 0; x < shown.width() / 2 && !titled; ++x) {
        for (int y = 0; y < shown.height() && !titled; ++y)
            titled = shown.pixelColor(x, y) == QColor(Qt::darkGray);
    }
    QVERIFY(titled);
}

void TestSmallWindows::passwordWindowEnablesItsButtonsOnlyForValidInputAndSendsNothing()
{
    UrlCatcher urls;
    MCPasswordRecoveryController window(QStringLiteral("Lumarin"),
                                        QUrl(QStringLiteral("https://kerlo.example")));
    window.setPasswordForgot(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Lumarin - Forgot your password?"));
    QVERIFY(!window.submitButton()->isEnabled() && !window.changePasswordButton()->isVisible());
    QLineEdit *email = window.emailTextfield();
    QTest::keyClicks(email, QStringLiteral("someone@example"));
    QCOMPARE(window.forgotMessageTextfield()->text(), QStringLiteral("Email format is not valid"));
    QVERIFY(!window.submitButton()->isEnabled());
    QTest::keyClicks(email, QStringLiteral(".museums"));
    QVERIFY(!window.submitButton()->isEnabled());
    email->clear();
    QTest::keyClicks(email, QStringLiteral("someone@example.org"));
    QVERIFY(window.submitButton()->isEnabled());
    QVERIFY(window.forgotMessageTextfield()->text().isEmpty());
    // Submit sends nothing: it opens the site's reset page and says so.
    click(window.submitButton());
    QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("https://kerlo.example/forgot"))});
    QVERIFY(window.forgotMessageTextfield()->text().contains(QStringLiteral("Nothing was sent")));

    window.setPasswordForgot(false);
    QCOMPARE(window.windowTitle(), QStringLiteral("Lumarin - Change password"));
    QVERIFY(!window.submitButton()->isVisible() && window.changePasswordButton()->isVisible());
    QVERIFY(!window.changePasswordButton()->isEnabled());
    QCOMPARE(window.oldPasswordTextfield()->echoMode(), QLineEdit::Password);
    QCOMPARE(window.passwordTextfield()->echoMode(), QLineEdit::Password);
    QTest::keyClicks(window.oldPasswordTextfield(), QStringLiteral("secret1"));
    QTest::keyClicks(window.passwordTextfield(), QStringLiteral("12345"));
    QCOMPARE(window.changeMessageTextfield()->text(),
             QStringLiteral("Password must be at least 6 characters"));
    QVERIFY(!window.changePasswordButton()->isEnabled());
    QTest::keyClicks(window.passwordTextfield(), QStringLiteral("6"));
    QVERIFY(window.changePasswordButton()->isEnabled());
    QVERIFY(window.changeMessageTextfield()->text().isEmpty());
    click(window.changePasswordButton());
    QVERIFY(window.changeMessageTextfield()->text().contains(QStringLiteral("not changed")));
    // The message is whole: its lines fit the label, and the label the window.
    QCoreApplication::processEvents();
    QVERIFY(shownWhole(window.changeMessageTextfield()));
    QVERIFY(window.passwordTextfield()->text().isEmpty());
    QCOMPARE(urls.opened.size(), 1);

    // Back to the first form: emptied, its button off.
    window.setPasswordForgot(true);
    QVERIFY(email->text().isEmpty() && !window.submitButton()->isEnabled());
    QVERIFY(window.forgotMessageTextfield()->text().isEmpty());
    click(window.findChild<QPushButton *>(QStringLiteral("cancelButton")));
    QVERIFY(!window.isVisible());

    // Where nothing opens web links, it says so with the address, even with a launcher that
    // starts and fails (xdg-open without a browser).
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    QVERIFY(QDir().mkpath(empty.filePath(QStringLiteral("bin"))));
    QFile launcher(empty.filePath(QStringLiteral("bin/xdg-open")));
    QVERIFY(launcher.open(QIODevice::WriteOnly) && launcher.write("#!/bin/sh\nexit 3\n") > 0);
    launcher.close();
    QVERIFY(launcher.setPermissions(launcher.permissions() | QFileDevice::ExeOwner));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), empty.path());
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), empty.path());
    environment.insert(QStringLiteral("PATH"), empty.filePath(QStringLiteral("bin")) +
                                                   QLatin1Char(':') +
                                                   environment.value(QStringLiteral("PATH")));
    environment.remove(QStringLiteral("BROWSER"));
    QCOMPARE(runScenario(QStringLiteral("nobrowser"), {}, 60000, environment), 0);
}

void TestSmallWindows::aboutShowsTheBuildAndOpensTheSite()
{
    UrlCatcher urls;
    BundleValues bundle;
    const QDateTime built =
        QDateTime::fromString(bundle.string(BundleValues::BuildDateKey), Qt::ISODate);
    QVERIFY(built.isValid());
    bundle.setValue(BundleValues::ShortVersionKey, QStringLiteral("1.2"));
    bundle.setValue(BundleValues::VersionKey, QStringLiteral("345"));
    MCAboutController about(bundle, QUrl(QStringLiteral("http://kerlo.example")));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.versionTextField()->text(), QStringLiteral("Kerlo 1.2 Build 345"));
    QCOMPARE(about.buildLabel()->text(),
             QStringLiteral("Built ") +
                 built.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000")));
    QCOMPARE(MCAboutController::buildText(QStringLiteral("2026-12-07 14:18")),
             QStringLiteral("Built (unknown date)"));
    QCOMPARE(MCAboutController::buildText(QString()), QStringLiteral("Built (unknown date)"));
    // Every line is whole inside the window, the last link too.
    const QList<QLabel *> lines = about.findChildren<QLabel *>();
    QVERIFY(lines.size() >= 6);
    for (QLabel *line : lines)
        QVERIFY2(shownWhole(line), qPrintable(line->objectName()));
    click(about.logoButton());
    QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("https://kerlo.example"))});
    QVERIFY(about.supportMailTo()->text().contains(QStringLiteral("support@kerlo.example")));
    QTest::mouseClick(about.supportMailTo(), Qt::LeftButton);
    QCOMPARE(urls.opened.last(), QUrl(QStringLiteral("mailto:support@kerlo.example")));
}

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--scenario") == 0) {
        isolateEnvironment(qEnvironmentVariable("LUMARIN_TEST_ROOT"));
        QApplication app(argc, argv);
        return runScenarioMain(QString::fromLocal8Bit(argv[2]));
    }
    qputenv("LUMARIN_TEST_ROOT", isolateEnvironment().toUtf8());
    QApplication app(argc, argv);
    TestSmallWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallwindows.moc"
