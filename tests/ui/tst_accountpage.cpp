// The account page as a user meets it, signed in to kerlo-local: the account's figures (also
// figures the service gets wrong), a picture chosen from a file, uploaded and shown, still
// there in a later run, and the devices the service knows. The later run is a subprocess with
// a support folder of its own ("--scenario restart").
#include "account/mcaccountcontroller.h"
#include "account/mcdevicesmodel.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbottomviewcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcclicktextfield.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmousedowntextfield.h"
#include "mcoutlineviewsidebar.h"
#include "mcpasswordrecoverycontroller.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcspacebox.h"
#include "mouserauthenticationmanager.h"
#include "servicereader.h"
#include "shelltestfixture.h"
#include "testimages.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QHostInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

using namespace ShellTest;

namespace {

const char ApiRootVariable[] = "LUMARIN_TEST_API_ROOT";

MCAccountController *accountPage(const Shell &shell)
{
    return qobject_cast<MCAccountController *>(
        shell.delegate()->page(QStringLiteral("account://")));
}

// The picture's middle is red, as the uploaded one is.
bool isRedPicture(const QPixmap &picture)
{
    if (picture.isNull())
        return false;
    const QColor middle = picture.toImage().pixelColor(picture.width() / 2, picture.height() / 2);
    return middle.red() > 200 && middle.green() < 60 && middle.blue() < 60;
}

// A later run with a support folder of its own: the picture must come from the service.
int scenarioRestart()
{
    Shell shell;
    shell.launch(qEnvironmentVariable(ApiRootVariable));
    if (!shell.waitForSession())
        return 2;
    MCManager *hub = MCManager::sharedManager();
    if (!QTest::qWaitFor([hub] { return isRedPicture(hub->avatar()); }, 30000))
        return 3;
    const QToolButton *button = shell.delegate()->bottomViewController()->popupUsername();
    if (button->icon().isNull())
        return 4;
    if (!isRedPicture(accountPage(shell)->avatarView()->pixmap(Qt::ReturnByValue)))
        return 5;
    return 0;
}

} // namespace

class TestAccountPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsTheAccountAndSoundFiguresForWrongOnes();
    void choosingAPictureUploadsAndShowsIt();
    void pictureSurvivesARestart();
    void aDroppedPictureIsTakenToo();
    void devicesTableListsTheUsersDevices();
    void passwordLinksOpenTheRecoveryWindow();

private:
    void openPage();
    // Away to the share-links page and back.
    void revisitPage();
    // The service's me.json carries these user fields (null: without the field) until told
    // otherwise; the session reads it again.
    void reloadWithUser(const QJsonObject &fields);
    // Clicks "Change picture…" and answers the chooser with path (empty: Cancel).
    void choosePicture(const QString &path);
    QString writeImage(const QString &name, const QByteArray &bytes);

    KerloLocal m_server;
    Shell m_shell;
    ServiceReader m_reader;
    QTemporaryDir m_files;
    MCAccountController *m_page = nullptr;
};

void TestAccountPage::initTestCase()
{
    QVERIFY(m_server.start());
    qputenv(ApiRootVariable, m_server.baseUrl().toString().toUtf8());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QVERIFY(m_reader.signIn(m_server));
    openPage();
}

void TestAccountPage::openPage()
{
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    const QModelIndex row = sidebar->model()->indexForPlace(QStringLiteral("account://"));
    QVERIFY(row.isValid());
    MCOutlineViewSidebar *outline = sidebar->outlineView();
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(row).center());
    m_page = accountPage(m_shell);
    QVERIFY(m_page);
    QTRY_VERIFY(m_page->isVisible());
    QCOMPARE(MCManager::sharedManager()->notBrowsablePath(), QStringLiteral("account://"));
}

void TestAccountPage::revisitPage()
{
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    const QModelIndex links = sidebar->model()->indexForPlace(QStringLiteral("links://"));
    QVERIFY(links.isValid());
    MCOutlineViewSidebar *outline = sidebar->outlineView();
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(links).center());
    QTRY_VERIFY(!m_page->isVisible());
    openPage();
}

void TestAccountPage::reloadWithUser(const QJsonObject &fields)
{
    QVERIFY(m_server.reset());
    QJsonObject me = QJsonDocument::fromJson(m_reader.get(QStringLiteral("/me.json"))).object();
    QJsonObject user = me.value(QLatin1String("user")).toObject();
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it.value().isNull())
            user.remove(it.key());
        else
            user.insert(it.key(), it.value());
    }
    me.insert(QStringLiteral("user"), user);
    // Live updates carry the account too, and would put the service's real figures back: until
    // the next case they find no changes and carry no account.
    QVERIFY(m_server.addFault({{"path", "/api/v1/objects/delta/"},
                               {"pathPrefix", true},
                               {"method", "GET"},
                               {"action", "status"},
                               {"status", 200},
                               {"body", R"({"updates":[]})"},
                               {"count", -1}}));
    // Every me.json until the next case: a check still on its way must not read the real one.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/me.json"), 200, QJsonDocument(me).toJson(),
                                 -1, QStringLiteral("GET")));
    MOUserAuthenticationManager::sharedInstance()->reload();
    // Waited for, so that a case whose figures read as the last case's does not pass on those:
    // the reader's me.json, then the session's.
    const auto answeredChecks = [this] {
        int answered = 0;
        for (const QJsonValue &entry : m_server.requestsTo(QStringLiteral("/api/v1/me.json")))
            answered += entry.toObject().value(QLatin1String("status")).toInt() == 200;
        return answered;
    };
    QTRY_VERIFY_WITH_TIMEOUT(answeredChecks() >= 2, 15000);
}

void TestAccountPage::showsTheAccountAndSoundFiguresForWrongOnes()
{
    // The demo account: nothing stored yet, a new account's 5 GiB.
    QCOMPARE(m_page->emailField()->text(), QStringLiteral("demo@kerlo.local"));
    QCOMPARE(m_page->fullNameField()->text(), QStringLiteral("Demo User"));
    QCOMPARE(m_page->usedSpaceRatioField()->text(),
             QStringLiteral("0.00 % used (0 B out of 5.4 GB)"));
    QCOMPARE(m_page->textUsedSpace()->text(), QStringLiteral("Regular files (0 B)"));
    QCOMPARE(m_page->textFreeSpace()->text(), QStringLiteral("Unused space (5.4 GB)"));
    // No link: nothing is shared, which the page knows once the links are listed.
    QTRY_COMPARE_WITH_TIMEOUT(m_page->textSharedSpace()->text(),
                              QStringLiteral("Shared files (0 B)"), 15000);
    QCOMPARE(m_page->emailField()->textFormat(), Qt::PlainText);

    struct Case
    {
        QJsonObject fields;
        QString ratio, used, unused;
    };
    const QList<Case> cases = {
        // No quota: no share of it, not "nan".
        {{{"used_size", 1500000}, {"total_size", 0}},
         "0.00 % used (1.5 MB out of 0 B)",
         "Regular files (1.5 MB)",
         "Unused space (0 B)"},
        // Over quota: the true share, and nothing unused rather than a negative size.
        {{{"used_size", 3000000}, {"total_size", 2000000}},
         "150.00 % used (3 MB out of 2 MB)",
         "Regular files (3 MB)",
         "Unused space (0 B)"},
        // Figures below zero or missing count as none.
        {{{"used_size", -4000}, {"total_size", QJsonValue::Null}},
         "0.00 % used (0 B out of 0 B)",
         "Regular files (0 B)",
         "Unused space (0 B)"},
        {{{"used_size", -5000000000LL}, {"total_size", -1}},
         "0.00 % used (0 B out of 0 B)",
         "Regular files (0 B)",
         "Unused space (0 B)"},
        {{{"used_size", 250000000}, {"total_size", 1000000000}},
         "25.00 % used (250 MB out of 1 GB)",
         "Regular files (250 MB)",
         "Unused space (750 MB)"},
    };
    for (const Case &c : cases) {
        reloadWithUser(c.fields);
        QTRY_COMPARE_WITH_TIMEOUT(m_page->usedSpaceRatioField()->text(), c.ratio, 15000);
        QCOMPARE(m_page->textUsedSpace()->text(), c.used);
        QCOMPARE(m_page->textFreeSpace()->text(), c.unused);
        QCOMPARE(m_page->textSharedSpace()->text(), QStringLiteral("Shared files (0 B)"));
        // The bar never runs past its track.
        QVERIFY(m_page->spaceBox()->boxUsedSpace()->width() <= m_page->spaceBox()->width());
        // The status bar counts the same figures: never a size below zero.
        const QLabel *status = m_shell.delegate()->bottomViewController()->infoTextField();
        QTRY_VERIFY2(status->text().contains(QStringLiteral(" used")), qPrintable(status->text()));
        QVERIFY2(!status->text().contains(QLatin1Char('-')), qPrintable(status->text()));
    }
    QVERIFY(m_server.reset());

    // A link made elsewhere: the service tells no size of what it shares, so the page claims
    // none, and draws no shared part of the bar. Revoked, nothing is shared again.
    QVERIFY(!m_server
                 .seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/shared.txt"),
                           QByteArray(4000, 's'))
                 .isEmpty());
    QJsonObject made;
    QCOMPARE(m_reader.post(QStringLiteral("/shares.json"),
                           {{QStringLiteral("share"),
                             QJsonObject{{QStringLiteral("path"), QStringLiteral("/shared.txt")},
                                         {QStringLiteral("expires_in"), 72}}}},
                           &made),
             200);
    revisitPage();
    QTRY_COMPARE_WITH_TIMEOUT(m_page->textSharedSpace()->text(),
                              QStringLiteral("Shared files (size not known)"), 15000);
    QVERIFY(!m_page->spaceBox()->boxSharedSpace()->isVisible());
    const QString token =
        made.value(QLatin1String("share")).toObject().value(QLatin1String("token")).toString();
    QCOMPARE(m_reader.post(QStringLiteral("/shares/%1/revoke").arg(token), {}), 200);
    revisitPage();
    QTRY_COMPARE_WITH_TIMEOUT(m_page->textSharedSpace()->text(),
                              QStringLiteral("Shared files (0 B)"), 15000);
}

QString TestAccountPage::writeImage(const QString &name, const QByteArray &bytes)
{
    const QString path = m_files.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestAccountPage::choosePicture(const QString &path)
{
    QVERIFY(m_page->textChangeImage()->isVisible());
    QTest::mouseClick(m_page->textChangeImage(), Qt::LeftButton);
    QTRY_VERIFY(m_page->pictureChooser() && m_page->pictureChooser()->isVisible());
    QFileDialog *chooser = m_page->pictureChooser();
    if (path.isEmpty()) {
        chooser->reject();
    } else {
        chooser->selectFile(path);
        static_cast<QDialog *>(chooser)->accept();
    }
    QTRY_VERIFY(!m_page->pictureChooser());
}

void TestAccountPage::choosingAPictureUploadsAndShowsIt()
{
    const QString avatarUpload = QStringLiteral("/api/v1/users/avatar");
    QVERIFY(m_server.clearRequests());
    MCManager *hub = MCManager::sharedManager();

    // Cancelled: nothing changes. Too large: refused before it is decoded, and said so.
    choosePicture(QString());
    QVERIFY(!m_page->textImageError()->isVisible());
    const QString huge =
        writeImage(QStringLiteral("huge <b>&amp;.png"), TestImages::blankPng(20000, 20000));
    choosePicture(huge);
    QVERIFY(m_page->textImageError()->isVisible());
    QVERIFY(m_page->textImageError()->text().contains(QStringLiteral("huge <b>&amp;.png")));
    QCOMPARE(m_page->textImageError()->textFormat(), Qt::PlainText);
    QVERIFY(m_page->textChangeImage()->isVisible());
    QVERIFY(m_server.requestsTo(avatarUpload).isEmpty());

    QImage red(600, 400, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString redPath = m_files.filePath(QStringLiteral("red.png"));
    QVERIFY(red.save(redPath));

    // The service refuses the upload: the page says so and offers the link again.
    QVERIFY(m_server.forceStatus(avatarUpload, 500, "{}", 1, QStringLiteral("POST")));
    choosePicture(redPath);
    QTRY_VERIFY_WITH_TIMEOUT(m_page->textImageError()->isVisible() &&
                                 m_page->textImageError()->text().contains(QStringLiteral("500")),
                             15000);
    QVERIFY(m_page->textChangeImage()->isVisible());
    QVERIFY(!m_page->textImageIsChanging()->isVisible());
    QVERIFY(!isRedPicture(hub->avatar()));

    // Accepted: uploaded at most 256 pixels wide, shown on the page and on the account button.
    choosePicture(redPath);
    QVERIFY(m_page->textImageIsChanging()->isVisible());
    QVERIFY(!m_page->textChangeImage()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(isRedPicture(hub->avatar()), 15000);
    QVERIFY(!m_page->textImageIsChanging()->isVisible());
    QVERIFY(m_page->textChangeImage()->isVisible());
    QVERIFY(!m_page->textImageError()->isVisible());
    QVERIFY(isRedPicture(m_page->avatarView()->pixmap(Qt::ReturnByValue)));
    QVERIFY(!m_shell.delegate()->bottomViewController()->popupUsername()->icon().isNull());
    QCOMPARE(m_server.requestsTo(avatarUpload).size(), 2);
    const QJsonObject user = QJsonDocument::fromJson(m_reader.get(QStringLiteral("/me.json")))
                                 .object()
                                 .value(QLatin1String("user"))
                                 .toObject();
    QVERIFY(!user.value(QLatin1String("avatar"))
                 .toObject()
                 .value(QLatin1String("url"))
                 .toString()
                 .isEmpty());
}

void TestAccountPage::pictureSurvivesARestart()
{
    QTemporaryDir later;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUMARIN_TEST_ROOT"), later.path());
    QCOMPARE(runScenario(QStringLiteral("restart"), {}, 120000, environment), 0);
}

namespace {

// Drags urls over the widget and drops them there; whether the drag was taken.
bool dropUrls(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint middle = target->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

bool isGreenPicture(const QPixmap &picture)
{
    if (picture.isNull())
        return false;
    const QColor middle = picture.toImage().pixelColor(picture.width() / 2, picture.height() / 2);
    return middle.green() > 100 && middle.red() < 60 && middle.blue() < 60;
}

} // namespace

void TestAccountPage::aDroppedPictureIsTakenToo()
{
    const QString avatarUpload = QStringLiteral("/api/v1/users/avatar");
    QVERIFY(m_server.clearRequests());
    MCManager *hub = MCManager::sharedManager();
    QLabel *well = m_page->avatarView();
    QCOMPARE(well->toolTip(), QStringLiteral("Drop an Image Here"));

    // Only one local file is taken; a bad one is refused as the chooser refuses it.
    QImage green(300, 300, QImage::Format_RGB32);
    green.fill(Qt::darkGreen);
    const QString greenPath = m_files.filePath(QStringLiteral("green.png"));
    QVERIFY(green.save(greenPath));
    QVERIFY(!dropUrls(well, {QUrl(QStringLiteral("https://kerlo.example/a.png"))}));
    QVERIFY(!dropUrls(well, {QUrl::fromLocalFile(greenPath), QUrl::fromLocalFile(greenPath)}));
    const QString huge = m_files.filePath(QStringLiteral("huge <b>&amp;.png"));
    QVERIFY(dropUrls(well, {QUrl::fromLocalFile(huge)}));
    QTRY_VERIFY(m_page->textImageError()->isVisible() &&
                m_page->textImageError()->text().contains(QStringLiteral("huge <b>&amp;.png")));
    QVERIFY(m_server.requestsTo(avatarUpload).isEmpty());

    // A picture dropped on the well is uploaded and shown.
    QVERIFY(dropUrls(well, {QUrl::fromLocalFile(greenPath)}));
    QTRY_VERIFY_WITH_TIMEOUT(isGreenPicture(hub->avatar()), 15000);
    QTRY_VERIFY(isGreenPicture(well->pixmap(Qt::ReturnByValue)));
    QVERIFY(!m_page->textImageError()->isVisible());
    QCOMPARE(m_server.requestsTo(avatarUpload).size(), 1);
}

void TestAccountPage::devicesTableListsTheUsersDevices()
{
    QTabBar *segments = m_page->segmentedControl();
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->tabRect(1).center());
    QTRY_VERIFY(m_page->devicesTable()->isVisible());
    const MCDevicesModel *model = m_page->devicesModel();
    // This computer (the later run was it too) and the test's reader.
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 2, 15000);
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, MCDevicesModel::ComputerName).data().toString());
    names.sort();
    QStringList expected{QStringLiteral("checker"), QHostInfo::localHostName()};
    expected.sort();
    QCOMPARE(names, expected);
    QVERIFY(!model->index(0, MCDevicesModel::MostRecentActivity).data().toString().isEmpty());
    QVERIFY(!m_page->devicesStatus()->isVisible());

    // A refused listing is said on the page; the rows stay.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/devices.json"), 503, "{}", 1,
                                 QStringLiteral("GET")));
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->tabRect(0).center());
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->tabRect(1).center());
    QTRY_VERIFY_WITH_TIMEOUT(m_page->devicesStatus()->isVisible(), 15000);
    QVERIFY(m_page->devicesStatus()->text().contains(QStringLiteral("503")));
    QCOMPARE(model->rowCount(), 2);

    // A dropped connection is no status: the page says nothing answered.
    QVERIFY(m_server.drop(QStringLiteral("/api/v1/devices.json"), -1, QStringLiteral("GET")));
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->tabRect(0).center());
    QTest::mouseClick(segments, Qt::LeftButton, {}, segments->tabRect(1).center());
    QTRY_VERIFY_WITH_TIMEOUT(m_page->devicesStatus()->text().endsWith(
                                 QStringLiteral("The service could not be reached.")),
                             15000);
    QVERIFY(m_page->devicesStatus()->isVisible());
    QCOMPARE(model->rowCount(), 2);
    QVERIFY(m_server.reset());
}

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--scenario") == 0) {
        isolateEnvironment(qEnvironmentVariable("LUMARIN_TEST_ROOT"));
        QApplication app(argc, argv);
        return qstrcmp(argv[2], "restart") == 0 ? scenarioRestart() : 100;
    }
    qputenv("LUMARIN_TEST_ROOT", isolateEnvironment().toUtf8());
    QApplication app(argc, argv);
    TestAccountPage test;
    return QTest::qExec(&test, argc, argv);
}

void TestAccountPage::passwordLinksOpenTheRecoveryWindow()
{
    m_page->switchView(0);
    QTRY_VERIFY(m_page->textForgotPassword()->isVisible());
    QTest::mouseClick(m_page->textForgotPassword(), Qt::LeftButton);
    MCPasswordRecoveryController *window = m_shell.delegate()->passwordRecoveryController();
    QVERIFY(window);
    QTRY_VERIFY(window->isVisible());
    QVERIFY(window->isPasswordForgot());
    QTest::mouseClick(m_page->textChangePassword(), Qt::LeftButton);
    QCOMPARE(m_shell.delegate()->passwordRecoveryController(), window);
    QVERIFY(!window->isPasswordForgot());
    window->close();
}

#include "tst_accountpage.moc"
