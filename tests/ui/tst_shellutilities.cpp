// The shell's shared rules, its confirmations answered through the alert presenter, the user
// defaults against a settings file of their own, and the discoverer against a fake home folder.
#include "localfiles.h"
#include "mcfunctions.h"
#include "mcoptions.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "mcuserdefaults.h"
#include "scriptedalertpresenter.h"

#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>
#include <optional>

using ShellTest::readFile;
using ShellTest::writeFile;

namespace {

// Whether the zero timers started so far have fired: one started after them fires after them.
bool earlierZeroTimersFired()
{
    QObject context;
    bool fired = false;
    QTimer::singleShot(0, &context, [&fired] { fired = true; });
    return QTest::qWaitFor([&fired] { return fired; });
}

// The pieces the defaults work with: options, a settings file, the session state, an
// autostart entry and a clock, all under the test's control.
struct DefaultsFixture
{
    QTemporaryDir dir;
    MCOptions options;
    QSettings settings{dir.filePath(QStringLiteral("lumarin.conf")), QSettings::IniFormat};
    bool coreInitialized = true;
    bool authenticated = true;
    bool startsAtLogin = false;
    int autostartChanges = 0;
    QDateTime now = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC);
    MCUserDefaults defaults{&options, &settings, [this] { return coreInitialized; },
                            [this] {
                                return authenticated;
                            }};

    DefaultsFixture()
    {
        defaults.setTemplatesPath(dir.filePath(QStringLiteral("templates")));
        defaults.setStartAtLogin([this] { return startsAtLogin; },
                                 [this](bool enabled) {
                                     startsAtLogin = enabled;
                                     ++autostartChanges;
                                 });
        defaults.setClock([this] { return now; });
    }

    QVariantMap stored(const QString &dictionary)
    {
        QSettings reread(settings.fileName(), QSettings::IniFormat);
        return reread.value(dictionary).toMap();
    }
};

} // namespace

class TestShellUtilities : public QObject
{
    Q_OBJECT
private slots:
    void emailAddresses();
    void timeLeft_data();
    void timeLeft();
    void previewSizesAndRandomText();
    void coloursAndTemplate();
    void localFilesAndArchives();
    void archiveQuestion();
    void deleteQuestion();
    void nameWarnings();
    void defaultsFirstLaunch();
    void defaultsKeepStoredValues();
    void defaultsSaveOnlyWhenSignedIn();
    void defaultsSaveOnResignAtMostEveryFiveMinutes();
    void defaultsResetAtSignOut();
    void discovererFindsDropbox();
    void discovererWithoutOrWithBrokenInfo();
};

void TestShellUtilities::emailAddresses()
{
    const QString sixLetters = QStringLiteral("ann.lee+kerlo@mail.example.museum");
    QVERIFY(MCFunctions::validateEmail(sixLetters));
    QVERIFY(!MCFunctions::stringIsValidEmail(sixLetters));
    QVERIFY(MCFunctions::validateEmail(QStringLiteral("a@b.email")));
    QVERIFY(!MCFunctions::stringIsValidEmail(QStringLiteral("a@b.email")));
    for (const auto check : {&MCFunctions::validateEmail, &MCFunctions::stringIsValidEmail}) {
        QVERIFY(check(QStringLiteral("demo@kerlo.test")));
        QVERIFY(!check(QStringLiteral("a@b.c")));
        QVERIFY(!check(QStringLiteral("ann lee@kerlo.test")));
        QVERIFY(!check(QStringLiteral("demo@kerlo.test ")));
        QVERIFY(!check(QStringLiteral("x demo@kerlo.test")));
        QVERIFY(!check(QStringLiteral("demo@kerlo.test\nx@y.zz")));
        QVERIFY(!check(QString()));
    }
}

void TestShellUtilities::timeLeft_data()
{
    QTest::addColumn<quint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown rate") << quint64(std::numeric_limits<qint64>::max())
                                  << QStringLiteral("Calculating time");
    QTest::newRow("0") << quint64(0) << QStringLiteral("0 seconds");
    QTest::newRow("1") << quint64(1) << QStringLiteral("1 second");
    QTest::newRow("59") << quint64(59) << QStringLiteral("59 seconds");
    QTest::newRow("61") << quint64(61) << QStringLiteral("1 minute");
    QTest::newRow("3599") << quint64(3599) << QStringLiteral("59 minutes");
    QTest::newRow("3600") << quint64(3600) << QStringLiteral("1 hour");
    QTest::newRow("3660") << quint64(3660) << QStringLiteral("1 hour and 1 minute");
    QTest::newRow("3720") << quint64(3720) << QStringLiteral("1 hour and 2 minutes");
    QTest::newRow("7200") << quint64(7200) << QStringLiteral("2 hours");
    QTest::newRow("7260") << quint64(7260) << QStringLiteral("2 hours and 1 minute");
    QTest::newRow("7320") << quint64(7320) << QStringLiteral("2 hours and 2 minutes");
    // Beyond what single precision counts exactly.
    QTest::newRow("3600 * 9321 - 1")
        << quint64(3600ull * 9321 - 1) << QStringLiteral("9320 hours and 59 minutes");
}

void TestShellUtilities::timeLeft()
{
    QFETCH(quint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(MCFunctions::formatSecondAsTimeLeft(seconds), text);
}

void TestShellUtilities::previewSizesAndRandomText()
{
    QCOMPARE(MCFunctions::sizeOfPreview(QSizeF(32, 32)), 32u);
    QCOMPARE(MCFunctions::sizeOfPreview(QSizeF(33, 10)), 128u);
    QCOMPARE(MCFunctions::sizeOfPreview(QSizeF(10, 128)), 128u);
    QCOMPARE(MCFunctions::sizeOfPreview(QSizeF(129, 1)), 512u);

    QVERIFY(MCFunctions::genRandStringLength(0).isEmpty());
    QVERIFY(MCFunctions::genRandStringLength(-3).isEmpty());
    const QString text = MCFunctions::genRandStringLength(64);
    QCOMPARE(text.size(), 64);
    QVERIFY(QRegularExpression(QStringLiteral("\\A[a-zA-Z0-9]+\\z")).match(text).hasMatch());
    QVERIFY(text != MCFunctions::genRandStringLength(64));
}

void TestShellUtilities::coloursAndTemplate()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("colours.conf"));
    {
        QSettings settings(file, QSettings::IniFormat);
        const QVariantMap colours = MCFunctions::getColors(settings);
        QCOMPARE(colours.value(QStringLiteral("DarkColor")).value<QColor>(),
                 QColor(0xFF, 0x80, 0x00));
        QCOMPARE(colours.value(QStringLiteral("MediumColor")).value<QColor>(),
                 QColor(0xFF, 0xCC, 0x66));
        QVERIFY(qAbs(colours.value(QStringLiteral("LightColor")).value<QColor>().alphaF() - 0.4) <
                0.01);
    }
    {
        // Once stored, the stored colours are the ones answered.
        QSettings settings(file, QSettings::IniFormat);
        QVariantMap stored = settings.value(QStringLiteral("Colors")).toMap();
        stored.insert(QStringLiteral("DarkColor"), QVariantList{0.0, 0.0, 1.0, 1.0});
        settings.setValue(QStringLiteral("Colors"), stored);
        QCOMPARE(
            MCFunctions::getColors(settings).value(QStringLiteral("DarkColor")).value<QColor>(),
            QColor(Qt::blue));
    }

    const QString templates = dir.filePath(QStringLiteral("support/templates"));
    const QVariantList list = MCFunctions::generateNewFileDictionary(templates);
    QCOMPARE(list.size(), 1);
    const QVariantMap entry = list.first().toMap();
    QCOMPARE(entry.value(QStringLiteral("label")).toString(), QStringLiteral("New Text Document"));
    const QString copy = entry.value(QStringLiteral("path")).toString();
    QCOMPARE(QFileInfo(copy).absolutePath(), QDir(templates).absolutePath());
    QVERIFY(QFileInfo(copy).isWritable());
    QVERIFY(writeFile(copy, "edited by the user"));
    MCFunctions::generateNewFileDictionary(templates);
    QCOMPARE(readFile(copy), QByteArray("edited by the user"));
}

void TestShellUtilities::localFilesAndArchives()
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeFile(text, "plain words\n"));
    QVERIFY(MCFunctions::fileExistsAtPath(text));
    QVERIFY(!MCFunctions::humanReadableFileType(text).isEmpty());
    const QString missing = MCFunctions::humanReadableFileType(dir.filePath(QStringLiteral("x")));
    QVERIFY(missing.isEmpty() && !missing.isNull());
    QVERIFY(!MCFunctions::fileExistsAtPath(dir.filePath(QStringLiteral("x"))));
    QVERIFY(MCFunctions::getFilesListAtPath(dir.path(), true).isEmpty());

    QVERIFY(MCFunctions::isArchive(QStringLiteral("/photos/2024.zip")));
    QVERIFY(MCFunctions::isArchive(QStringLiteral("backup.tar.gz")));
    QVERIFY(MCFunctions::isArchive(QStringLiteral("a.7z")));
    QVERIFY(!MCFunctions::isArchive(QStringLiteral("report.docx")));
    QVERIFY(!MCFunctions::isArchive(QStringLiteral("sheet.ods")));
    QVERIFY(!MCFunctions::isArchive(QStringLiteral("notes.txt")));
    QVERIFY(!MCFunctions::isArchive(QStringLiteral("no-extension")));
}

void TestShellUtilities::archiveQuestion()
{
    QWidget window;
    ScriptedAlertPresenter alerts;
    MCOptions options;
    options.setValue(MCOptions::AppDelegate, MCOptions::OpenArchiveDefaultAction, false);
    std::optional<bool> answer;
    const auto record = [&answer](bool open) {
        answer = open;
    };
    const auto askAbout = [&](const QString &path) {
        answer.reset();
        MCFunctions::ifArchiveAskUser(path, options, alerts, &window, record);
    };

    askAbout(QStringLiteral("/docs/notes.txt"));
    QCOMPARE(answer, std::optional<bool>(true));
    QCOMPARE(alerts.alerts().size(), 0);

    alerts.queueAnswer(QStringLiteral("Open"));
    askAbout(QStringLiteral("/photos/2024.zip"));
    QVERIFY(!answer);
    QTRY_COMPARE(answer, std::optional<bool>(true));
    const Alert asked = alerts.alerts().value(0);
    QCOMPARE(asked.windowTitle, QStringLiteral("Warning"));
    QCOMPARE(asked.messageText, QStringLiteral("Opening the archive will result in uploading all "
                                               "its content to your space."));
    QCOMPARE(asked.informativeText, QStringLiteral("File: \u20682024.zip\u2069"));
    QCOMPARE(asked.buttons, (QStringList{QStringLiteral("Open"), QStringLiteral("Cancel")}));
    QCOMPARE(asked.suppressionText, QStringLiteral("Don't ask me again"));
    QCOMPARE(asked.style, Alert::Warning);
    QCOMPARE(alerts.parents().value(0).data(), &window);

    // "Don't ask me again" with "Cancel": this archive stays closed, later ones open unasked.
    alerts.queueAnswer(QStringLiteral("Cancel"), true);
    askAbout(QStringLiteral("/photos/2025.zip"));
    QTRY_COMPARE(answer, std::optional<bool>(false));
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::OpenArchiveDefaultAction), true);
    askAbout(QStringLiteral("/photos/2026.zip"));
    QCOMPARE(answer, std::optional<bool>(true));
    QCOMPARE(alerts.alerts().size(), 2);
}

void TestShellUtilities::deleteQuestion()
{
    ScriptedAlertPresenter alerts;
    MCOptions options;
    std::optional<bool> answer;
    const auto askToDelete = [&] {
        answer.reset();
        MCFunctions::alertCanDelete(options, alerts, nullptr,
                                    [&answer](bool remove) { answer = remove; });
    };

    // Missing option: asked, since deleting cannot be undone.
    alerts.queueAnswer(QStringLiteral("Delete"));
    askToDelete();
    QTRY_COMPARE(answer, std::optional<bool>(true));
    QCOMPARE(alerts.alerts().value(0).windowTitle, QStringLiteral("Delete Warning"));
    QCOMPARE(alerts.alerts().value(0).messageText,
             QStringLiteral("The file(s) will be removed permanently. Are you sure you want to "
                            "continue?"));

    alerts.queueAnswer(QStringLiteral("Cancel"), true);
    askToDelete();
    QTRY_COMPARE(answer, std::optional<bool>(false));
    QCOMPARE(options.value(MCOptions::AppDelegate, MCOptions::DeleteAskConfermation), false);
    askToDelete();
    QCOMPARE(answer, std::optional<bool>(true));
    QCOMPARE(alerts.alerts().size(), 2);
}

void TestShellUtilities::nameWarnings()
{
    ScriptedAlertPresenter alerts;
    for (unsigned code : {11u, 12u, 13u, 14u})
        MCFunctions::alertFilenameValidity(code, alerts, nullptr);
    MCFunctions::alertFilenameTaken(QStringLiteral("Photos %1"), alerts, nullptr);
    const QList<Alert> shown = alerts.alerts();
    QCOMPARE(shown.size(), 5);
    const QString prefix = QStringLiteral("You can't use this filename");
    const QString suffix = QStringLiteral(". Please choose another name.");
    QCOMPARE(shown[0].messageText, prefix + suffix);
    QCOMPARE(shown[1].messageText, prefix + ", because it contains illegal chars" + suffix);
    QCOMPARE(shown[2].messageText, prefix + ", because it contains illegal symbols" + suffix);
    QCOMPARE(shown[3].messageText, prefix + ", because some chars are not allowed" + suffix);
    QCOMPARE(shown[0].windowTitle, QStringLiteral("Rename Warning"));
    QCOMPARE(shown[0].buttons, QStringList{QStringLiteral("OK")});
    QCOMPARE(shown[4].windowTitle, QStringLiteral("New Folder Warning"));
    QCOMPARE(shown[4].messageText,
             QString::fromUtf8(
                 "The name \xE2\x80\x9C\u2068Photos %1\u2069\xE2\x80\x9D, is already taken. "
                 "Please choose a different name."));
}

void TestShellUtilities::defaultsFirstLaunch()
{
    DefaultsFixture fixture;
    fixture.defaults.loadUserDefaults();

    const QVariantMap application = fixture.options.dictionary(MCOptions::AppDelegate);
    QCOMPARE(application.value(MCOptions::FinderMoveDefaultAction), false);
    QCOMPARE(application.value(MCOptions::OpenArchiveDefaultAction), false);
    QCOMPARE(application.value(MCOptions::DeleteAskConfermation), true);
    QCOMPARE(application.value(MCOptions::SoundsEnabled), true);
    QCOMPARE(application.value(MCOptions::WillStartAtLogin), true);
    const QVariantList templates = application.value(MCOptions::NewFileSettings).toList();
    QCOMPARE(templates.size(), 1);
    QVERIFY(QFileInfo::exists(templates.first().toMap().value(QStringLiteral("path")).toString()));
    QCOMPARE(application.size(), 6);
    QVERIFY(fixture.startsAtLogin);
    QVERIFY(fixture.defaults.pathBarShownAtLoad());
    QVERIFY(!fixture.defaults.statusBarHiddenAtLoad());
    for (const QString &name : {MCOptions::IconController, MCOptions::ListController,
                                MCOptions::ColumnController, MCOptions::MyContacts}) {
        QVERIFY(fixture.options.hasDictionary(name));
        QVERIFY(fixture.options.dictionary(name).isEmpty());
    }
}

void TestShellUtilities::defaultsKeepStoredValues()
{
    DefaultsFixture fixture;
    fixture.settings.setValue(MCOptions::AppDelegate,
                              QVariantMap{{MCOptions::SoundsEnabled, false},
                                          {MCOptions::WillStartAtLogin, false},
                                          {MCOptions::PathBarIsVisible, false},
                                          {MCOptions::StatusBarIsInvisible, true},
                                          {QStringLiteral("DirectContactUploadAction"), true}});
    fixture.settings.setValue(MCOptions::IconController,
                              QVariantMap{{QStringLiteral("SortBy"), 13},
                                          {QStringLiteral("SomethingNewer"), QStringLiteral("x")}});
    fixture.settings.sync();
    fixture.defaults.loadUserDefaults();

    QCOMPARE(fixture.options.value(MCOptions::AppDelegate, MCOptions::SoundsEnabled), false);
    QCOMPARE(fixture.options.value(MCOptions::AppDelegate, MCOptions::DeleteAskConfermation), true);
    QCOMPARE(fixture.autostartChanges, 0);
    QVERIFY(!fixture.defaults.pathBarShownAtLoad());
    QVERIFY(fixture.defaults.statusBarHiddenAtLoad());

    // A round trip keeps what other windows stored, typed as it was.
    fixture.options.setValue(MCOptions::ListController, QStringLiteral("RelativeDates"), true);
    QVERIFY(fixture.defaults.saveUserDefaults());
    const QVariantMap icon = fixture.stored(MCOptions::IconController);
    QCOMPARE(icon.value(QStringLiteral("SortBy")).toInt(), 13);
    QCOMPARE(icon.value(QStringLiteral("SomethingNewer")), QStringLiteral("x"));
    QCOMPARE(
        fixture.stored(MCOptions::AppDelegate).value(QStringLiteral("DirectContactUploadAction")),
        true);
    QCOMPARE(fixture.stored(MCOptions::ListController).value(QStringLiteral("RelativeDates")),
             true);
    QCOMPARE(fixture.stored(MCOptions::AppDelegate)
                 .value(MCOptions::NewFileSettings)
                 .toList()
                 .first()
                 .toMap()
                 .value(QStringLiteral("label")),
             QStringLiteral("New Text Document"));
}

void TestShellUtilities::defaultsSaveOnlyWhenSignedIn()
{
    DefaultsFixture fixture;
    fixture.defaults.loadUserDefaults();
    fixture.options.setValue(MCOptions::AppDelegate, MCOptions::SoundsEnabled, false);
    MCFunctions::getColors(fixture.settings);

    fixture.coreInitialized = false;
    QVERIFY(!fixture.defaults.saveUserDefaults());
    fixture.coreInitialized = true;
    fixture.authenticated = false;
    QVERIFY(!fixture.defaults.saveUserDefaults());
    QVERIFY(fixture.stored(MCOptions::AppDelegate).isEmpty());

    fixture.authenticated = true;
    QVERIFY(fixture.defaults.saveUserDefaults());
    QCOMPARE(fixture.stored(MCOptions::AppDelegate).value(MCOptions::SoundsEnabled), false);
    // The colours live beside the options and a save leaves them alone.
    QSettings reread(fixture.settings.fileName(), QSettings::IniFormat);
    QVERIFY(reread.contains(QStringLiteral("Colors")));
}

void TestShellUtilities::defaultsSaveOnResignAtMostEveryFiveMinutes()
{
    DefaultsFixture fixture;
    fixture.defaults.loadUserDefaults();

    QVERIFY(fixture.defaults.applicationDidResignActive(false, true, false));
    fixture.now = fixture.now.addSecs(200);
    QVERIFY(!fixture.defaults.applicationDidResignActive(false, true, false));
    fixture.now = fixture.now.addSecs(101);
    QVERIFY(fixture.defaults.applicationDidResignActive(false, true, false));
    // A clock set back by more than the interval counts as far enough apart.
    fixture.now = fixture.now.addSecs(-400);
    QVERIFY(fixture.defaults.applicationDidResignActive(false, true, false));

    fixture.now = fixture.now.addSecs(1000);
    QVERIFY(!fixture.defaults.applicationDidResignActive(true, true, false)); // shutting down
    QVERIFY(!fixture.defaults.applicationDidResignActive(false, true, true)); // signing in
    fixture.authenticated = false;
    QVERIFY(!fixture.defaults.applicationDidResignActive(false, true, false));
    fixture.authenticated = true;
    QVERIFY(fixture.defaults.applicationDidResignActive(false, true, false));
}

void TestShellUtilities::defaultsResetAtSignOut()
{
    DefaultsFixture fixture;
    fixture.defaults.loadUserDefaults();
    QVERIFY(fixture.defaults.saveUserDefaults());
    MCFunctions::getColors(fixture.settings);
    QVERIFY(fixture.startsAtLogin);

    fixture.defaults.resetUserDefaults();
    QSettings reread(fixture.settings.fileName(), QSettings::IniFormat);
    QVERIFY(reread.allKeys().isEmpty());
    QVERIFY(!fixture.startsAtLogin);

    // The relaunched program fills the defaults and the autostart entry again.
    DefaultsFixture relaunched;
    relaunched.defaults.loadUserDefaults();
    QVERIFY(relaunched.startsAtLogin);
    QCOMPARE(relaunched.options.value(MCOptions::AppDelegate, MCOptions::WillStartAtLogin), true);
}

void TestShellUtilities::discovererFindsDropbox()
{
    QTemporaryDir home;
    const QString root = home.filePath(QStringLiteral("Dropbox"));
    QVERIFY(writeFile(
        home.filePath(QStringLiteral(".dropbox/info.json")),
        QStringLiteral("{\"personal\": {\"path\": \"%1\", \"host\": 1}}").arg(root).toUtf8()));
    MCThirdPartyServicesDiscoverer discoverer(home.path());
    QSignalSpy discovered(&discoverer,
                          &MCThirdPartyServicesDiscoverer::thirdPartyServiceDiscovered);
    discoverer.discover();
    QVERIFY(discoverer.discoveredServices().isEmpty()); // found on the next turn
    QTRY_COMPARE(discovered.count(), 1);
    QCOMPARE(discovered.first(), (QVariantList{QStringLiteral("dropbox"), root}));
    QCOMPARE(discoverer.discoveredServices(), QStringList{QStringLiteral("dropbox")});
    QCOMPARE(discoverer.pathForService(QStringLiteral("dropbox")), root);

    QCOMPARE(discoverer.serviceForPath(root + QStringLiteral("/x.txt")), QStringLiteral("dropbox"));
    QCOMPARE(discoverer.serviceForPath(root), QStringLiteral("dropbox"));
    QVERIFY(discoverer.serviceForPath(root + QStringLiteral("2/y")).isNull());
    QVERIFY(discoverer.serviceForPath(QStringLiteral("/Volumes/Dropbox")).isNull());

    QCOMPARE(discoverer.filePathForPath(QStringLiteral("Photos/a.png"), QStringLiteral("dropbox")),
             root + QStringLiteral("/Photos/a.png"));
    QCOMPARE(discoverer.filePathForPath(QStringLiteral("/Photos/a.png"), QStringLiteral("dropbox")),
             root + QStringLiteral("/Photos/a.png"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("outside")));
    QVERIFY(discoverer
                .filePathForPath(QStringLiteral("Photos/../../.config/autostart/x.desktop"),
                                 QStringLiteral("dropbox"))
                .isNull());
    QVERIFY(discoverer.filePathForPath(QStringLiteral("a.png"), QStringLiteral("other")).isNull());
}

void TestShellUtilities::discovererWithoutOrWithBrokenInfo()
{
    QTemporaryDir home;
    MCThirdPartyServicesDiscoverer discoverer(home.path());
    QSignalSpy discovered(&discoverer,
                          &MCThirdPartyServicesDiscoverer::thirdPartyServiceDiscovered);
    discoverer.discover();
    QVERIFY(earlierZeroTimersFired());
    QCOMPARE(discovered.count(), 0);
    QVERIFY(discoverer.discoveredServices().isEmpty());

    QVERIFY(writeFile(home.filePath(QStringLiteral(".dropbox/info.json")), "{\"personal\": "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".")));
    QVERIFY(discoverer.discoverDropbox().isNull());
    QVERIFY(writeFile(home.filePath(QStringLiteral(".dropbox/info.json")),
                      "{\"personal\": {\"path\": \"relative/Dropbox\"}}"));
    QVERIFY(discoverer.discoverDropbox().isNull());
    QVERIFY(writeFile(home.filePath(QStringLiteral(".dropbox/info.json")), "{\"business\": {}}"));
    QVERIFY(discoverer.discoverDropbox().isNull());
    discoverer.discover();
    QVERIFY(earlierZeroTimersFired());
    QCOMPARE(discovered.count(), 0);
}

QTEST_MAIN(TestShellUtilities)
#include "tst_shellutilities.moc"
