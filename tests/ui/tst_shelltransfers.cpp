// The hub's transfer bookkeeping in a signed-in shell against kerlo-local: downloads keep
// the overwrite strategy they were asked for while their files are marked, the progress mark
// carries the fraction done, and the core's refusals become sheets whose answers start the
// right transfers without losing the user's local edits.
#include "downloadmark.h"
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcdownloadmarks.h"
#include "mcmanager.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjecttransferrequest.h"
#include "motransfernotification.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace ShellTest;

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestShellTransfers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void conflictedCopyNames();
    void downloadsKeepTheirStrategies();
    void progressMarkText();
    void outdatedLocalCopyIsNeverLost();
    void takenNamesAreExplained();
    void aBurstOfFailuresIsOneSheet();

private:
    QByteArray remoteBytes(const QString &path) const { return m_reader.remoteBytes(path); }
    // Waits until the queue has no download of remotePath left running.
    bool downloadEnded(const QString &remotePath);

    KerloLocal m_server;
    Shell m_shell;
    ServiceReader m_reader;
    QTemporaryDir m_local;
    QStringList m_endedDownloads;
};

bool TestShellTransfers::downloadEnded(const QString &remotePath)
{
    if (!QTest::qWaitFor([&] { return m_endedDownloads.contains(remotePath); }, 20000))
        return false;
    // The marks on the file are made on a thread of their own, after the end is told.
    MCManager::sharedManager()->downloadMarks()->waitForDone();
    return true;
}

void TestShellTransfers::initTestCase()
{
    QVERIFY(m_local.isValid());
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_reader.signIn(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    // Every way a download ends, by the remote path it fetched.
    MONotificationCenter *objects = MOObjectsManager::sharedInstance()->notificationCenter();
    for (const QString &name :
         {MOObjectTransferDidFinishNotification, MOObjectTransferDidAbortNotification,
          MOObjectTransferDidCancelNotification}) {
        objects->addObserver(this, name, nullptr, [this](const MOPostedNotification &posted) {
            const MOObjectTransferRequest request =
                MOTransferNotification(posted).transfer().transferRequest();
            if (request.direction() == MOObjectTransferRequest::Download)
                m_endedDownloads.append(request.sourcePath());
        });
    }
}

void TestShellTransfers::init()
{
    // A case that failed half-way may have left a question open.
    while (m_shell.alerts.pendingCount() > 0)
        m_shell.alerts.answer(0);
    m_shell.alerts.clearRecord();
}

void TestShellTransfers::conflictedCopyNames()
{
    const QString folder = m_local.filePath(QStringLiteral("names"));
    QVERIFY(QDir().mkpath(folder));
    const QDateTime at(QDate(2015, 3, 3), QTime(14, 5));
    const QString report = folder + QStringLiteral("/report.txt");
    QCOMPARE(MCManager::conflictedCopyPath(report, at),
             folder + QStringLiteral("/report - conflicted 2015-03-03 at 14.05.txt"));
    // No trailing dot without an extension; the last suffix alone is the extension.
    QCOMPARE(MCManager::conflictedCopyPath(folder + "/Makefile", at),
             folder + QStringLiteral("/Makefile - conflicted 2015-03-03 at 14.05"));
    QCOMPARE(MCManager::conflictedCopyPath(folder + "/backup.tar.gz", at),
             folder + QStringLiteral("/backup.tar - conflicted 2015-03-03 at 14.05.gz"));
    // A second conflict in the same minute takes the next free name.
    QVERIFY(writeFile(folder + QStringLiteral("/report - conflicted 2015-03-03 at 14.05.txt"),
                      "first"));
    QCOMPARE(MCManager::conflictedCopyPath(report, at),
             folder + QStringLiteral("/report - conflicted 2015-03-03 at 14.05 2.txt"));
}

void TestShellTransfers::downloadsKeepTheirStrategies()
{
    MCManager *hub = MCManager::sharedManager();
    const QString remote = QStringLiteral("/Documents/Welcome.txt");
    const QByteArray bytes = remoteBytes(remote);
    QVERIFY(!bytes.isEmpty());

    struct Case
    {
        const char *folder;
        qint64 strategy;
        bool existing;
        QStringList files;   // what the folder holds afterwards
        const char *fetched; // the file holding the download
    };
    const QList<Case> cases = {
        // The mark must not make the name look taken, nor make the download refuse it.
        {"refuse", MOObjectTransferRequest::FailIfExists, false, {"Welcome.txt"}, "Welcome.txt"},
        {"free", MOObjectTransferRequest::PickFreeName, false, {"Welcome.txt"}, "Welcome.txt"},
        {"free-taken",
         MOObjectTransferRequest::PickFreeName,
         true,
         {"Welcome 2.txt", "Welcome.txt"},
         "Welcome 2.txt"},
        {"replace", MOObjectTransferRequest::Replace, false, {"Welcome.txt"}, "Welcome.txt"},
        {"resume", MOObjectTransferRequest::Resume, false, {"Welcome.txt"}, "Welcome.txt"},
    };
    const QByteArray mine = "a file of the user's own";
    for (const Case &c : cases) {
        const QString folder = m_local.filePath(QString::fromLatin1(c.folder));
        QVERIFY(QDir().mkpath(folder));
        if (c.existing)
            QVERIFY(writeFile(folder + "/Welcome.txt", mine));
        m_endedDownloads.clear();
        hub->downloadFileAtPath(remote, folder + "/Welcome.txt", {}, c.strategy);
        QVERIFY2(downloadEnded(remote), c.folder);
        QCOMPARE(filesIn(folder), c.files);
        QCOMPARE(readFile(folder + "/" + c.fetched), bytes);
        if (c.existing)
            QCOMPARE(readFile(folder + "/Welcome.txt"), mine);
        // Finished: no progress mark left behind.
        QVERIFY(DownloadMark::fractionCompleted(folder + "/" + c.fetched).isNull());
    }

    // Refusing an existing file: the user's file stays, and the failure is said.
    const QString refused = m_local.filePath(QStringLiteral("refuse"));
    QVERIFY(writeFile(refused + "/Welcome.txt", mine));
    m_shell.alerts.clearRecord();
    m_endedDownloads.clear();
    hub->downloadFileAtPath(remote, refused + "/Welcome.txt", {},
                            MOObjectTransferRequest::FailIfExists);
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 20000);
    QVERIFY2(m_shell.alerts.pendingAlert().messageText.contains(refused + "/Welcome.txt"),
             qPrintable(m_shell.alerts.pendingAlert().messageText));
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(readFile(refused + "/Welcome.txt"), mine);

    // A download that fails leaves no empty stand-in behind.
    const QString gone = m_local.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(gone));
    m_endedDownloads.clear();
    hub->downloadFileAtPath(QStringLiteral("/Documents/Nothing here.txt"),
                            gone + "/Nothing here.txt", {}, MOObjectTransferRequest::Replace);
    QVERIFY(downloadEnded(QStringLiteral("/Documents/Nothing here.txt")));
    QCOMPARE(filesIn(gone), QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 20000);
    QVERIFY(m_shell.alerts.answer(0));
}

void TestShellTransfers::progressMarkText()
{
    const QString folder = m_local.filePath(QStringLiteral("marked"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(folder + "/probe", "x"));
    if (!DownloadMark::isSupported(folder + "/probe"))
        QSKIP("The temporary folder's file system keeps no user attributes");

    // A download ends unmarked, with a fresh modification date. (The core reports progress
    // at most twice a second, so a download from loopback ends before any report.)
    m_endedDownloads.clear();
    MCManager::sharedManager()->downloadFileAtPath(QStringLiteral("/Documents/Welcome.txt"),
                                                   folder + "/Welcome.txt");
    QVERIFY(downloadEnded(QStringLiteral("/Documents/Welcome.txt")));
    QVERIFY(DownloadMark::fractionCompleted(folder + "/Welcome.txt").isNull());
    QVERIFY(QFileInfo(folder + "/Welcome.txt").lastModified().secsTo(QDateTime::currentDateTime()) <
            120);

    // The mark's text is the fraction in six decimals.
    QVERIFY(DownloadMark::setFractionCompleted(folder + "/probe", double(100.0f / 400.0f)));
    QCOMPARE(DownloadMark::fractionCompleted(folder + "/probe"), QStringLiteral("0.250000"));
    QVERIFY(DownloadMark::clear(folder + "/probe"));
}

void TestShellTransfers::outdatedLocalCopyIsNeverLost()
{
    MCManager *hub = MCManager::sharedManager();
    ScriptedAlertPresenter &alerts = m_shell.alerts;
    const QString folder = m_local.filePath(QStringLiteral("edits"));
    QVERIFY(QDir().mkpath(folder));
    const QString local = folder + QStringLiteral("/Report.txt");
    const QString remote = QStringLiteral("/Documents/Report.txt");
    const QByteArray edited = "my edits, made while the service's copy changed";
    const QByteArray outdated = "{\"error_code\":602}";
    m_shell.clock.setNow(QDateTime(QDate(2015, 3, 3), QTime(14, 5)));

    // Keep both, twice in the same minute: each edit is kept under a name of its own, and
    // uploaded under it beside the object it was meant for.
    const QString kept = folder + QStringLiteral("/Report - conflicted 2015-03-03 at 14.05.txt");
    const QString keptAgain =
        folder + QStringLiteral("/Report - conflicted 2015-03-03 at 14.05 2.txt");
    for (const QString &copy : {kept, keptAgain}) {
        QVERIFY(writeFile(local, edited + copy.toUtf8()));
        alerts.clearRecord();
        QVERIFY(m_server.forceStatus("/api/v1/objects" + remote, 409, outdated, 1, "PUT"));
        hub->uploadFileAtPath(local, remote, false);
        QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
        const Alert asked = alerts.pendingAlert();
        QCOMPARE(asked.messageText, QStringLiteral("Your local copy is outdated: ") + remote);
        QCOMPARE(asked.informativeText,
                 QStringLiteral("Do you want to keep both or discard local modifications? "
                                "Note: forcing an update will replace the remote copy with the "
                                "local one."));
        QCOMPARE(asked.buttons, (QStringList{"Discard", "Keep both", "Force update"}));
        QVERIFY(alerts.answer(QStringLiteral("Keep both")));
        QCOMPARE(readFile(copy), edited + copy.toUtf8());
        const QString uploaded = "/Documents/" + QFileInfo(copy).fileName();
        QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(uploaded), edited + copy.toUtf8(), 20000);
        QVERIFY(remoteBytes(remote).isNull());
    }
    QCOMPARE(readFile(kept), edited + kept.toUtf8());

    // Discard drops the local copy of the cache only: a file of the user's is left alone.
    QVERIFY(writeFile(local, edited));
    QVERIFY(m_server.forceStatus("/api/v1/objects" + remote, 409, outdated, 1, "PUT"));
    hub->uploadFileAtPath(local, remote, false);
    QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
    QVERIFY(alerts.answer(QStringLiteral("Discard")));
    QCOMPARE(readFile(local), edited);

    // Force update replaces the service's copy with the local one.
    QVERIFY(m_server.forceStatus("/api/v1/objects" + remote, 409, outdated, 1, "PUT"));
    hub->uploadFileAtPath(local, remote, false);
    QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
    QVERIFY(alerts.answer(QStringLiteral("Force update")));
    QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(remote), edited, 20000);
    QCOMPARE(readFile(local), edited);
}

void TestShellTransfers::takenNamesAreExplained()
{
    ScriptedAlertPresenter &alerts = m_shell.alerts;
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Taken.txt"), "a").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Other.txt"), "b").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Outside.txt"), "c").isEmpty());
    objects->listObjectsAtPath(QStringLiteral("/Documents"), true, QVariant());

    // In the same folder the whole path is named.
    alerts.clearRecord();
    objects->renameObjectAtPath(QStringLiteral("/Documents/Other.txt"),
                                QStringLiteral("/Documents/Taken.txt"), QVariant());
    QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
    QVERIFY2(alerts.pendingAlert().messageText.endsWith(
                 QStringLiteral(" is already taken. Please, choose another name.")),
             qPrintable(alerts.pendingAlert().messageText));
    QVERIFY(
        alerts.pendingAlert().messageText.startsWith(QStringLiteral("The name \u2068/Documents/")));
    QVERIFY(alerts.answer(0));

    // Into another folder only the name met there is.
    objects->renameObjectAtPath(QStringLiteral("/Outside.txt"),
                                QStringLiteral("/Documents/Taken.txt"), QVariant());
    QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
    QCOMPARE(
        alerts.pendingAlert().messageText,
        QStringLiteral("A file named '\u2068Taken.txt\u2069' is already present at destination."));
    QVERIFY(alerts.answer(0));
    QCOMPARE(remoteBytes(QStringLiteral("/Documents/Taken.txt")), QByteArray("a"));
    QCOMPARE(remoteBytes(QStringLiteral("/Outside.txt")), QByteArray("c"));
}

void TestShellTransfers::aBurstOfFailuresIsOneSheet()
{
    ScriptedAlertPresenter &alerts = m_shell.alerts;
    const QString folder = m_local.filePath(QStringLiteral("burst"));
    QVERIFY(QDir().mkpath(folder));
    // Six downloads fail the same way at once: one sheet tells the first and counts the rest.
    m_endedDownloads.clear();
    QStringList remotes;
    for (int i = 1; i <= 6; ++i) {
        remotes.append(QStringLiteral("/Documents/Missing %1.txt").arg(i));
        MCManager::sharedManager()->downloadFileAtPath(
            remotes.last(), folder + QStringLiteral("/Missing %1.txt").arg(i), {},
            MOObjectTransferRequest::Replace);
    }
    for (const QString &remote : qAsConst(remotes))
        QVERIFY(downloadEnded(remote));
    QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
    QVERIFY2(alerts.pendingAlert().messageText.startsWith(
                 QStringLiteral("Unable to download file /Documents/Missing ")),
             qPrintable(alerts.pendingAlert().messageText));
    QCOMPARE(alerts.pendingAlert().informativeText,
             QStringLiteral("5 other files failed the same way."));
    QVERIFY(alerts.answer(0));
    // Nothing else waits behind it.
    QCOMPARE(alerts.pendingCount(), 0);
    QCOMPARE(MCManager::sharedManager()->queuedSheetCount(), 0);
    QCOMPARE(alerts.alerts().size(), 1);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellTransfers test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shelltransfers.moc"
