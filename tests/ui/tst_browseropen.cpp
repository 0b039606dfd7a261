// Opening files from the icon view of a signed-in shell against kerlo-local's demo tree, as a
// user does: a double click (or Ctrl+O, Ctrl+Down) opens a file in its default application,
// which is a test application recording what it was given; the file handed over is the cached
// copy with the service's bytes, and an edit saved to it goes up to the service. An archive
// asks first, and a declined archive is neither downloaded nor opened. A file no application
// takes is offered to Open With, with a message. A folder link another program planted in the
// cache is never followed: neither an opened file nor a removal reaches where it points. The
// folder's count goes out with no lock held, so a listener may ask another thread for it.
#include "fixtureapplications.h"
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mcapplicationchooser.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "shelltestfixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QListView>
#include <QListWidget>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString WelcomePath = QStringLiteral("/Documents/Welcome.txt");
const QByteArray WelcomeStart = "Welcome to Kerlo.";

// The files the default application for plain text was given, oldest first.
QStringList opened()
{
    return filesOpenedBy(QStringLiteral("recorder"));
}

QString md5Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

} // namespace

class TestBrowserOpen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void doubleClickOpensTheCachedCopyAndUploadsEdits();
    void keyboardOpensTheSelection();
    void archivesAskFirst();
    void aFileNoApplicationTakesIsOfferedToOpenWith();
    void aLinkPlantedInTheCacheIsNeverFollowed();
    void theCountIsToldWithNoLockHeld();

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    QPoint centreOf(const QString &name) const { return ShellTest::centreOf(icons(), name); }
    void select(const QString &name);
    bool enter(const QString &path, const QString &child)
    {
        return showFolder(icons(), path, child);
    }

    KerloLocal m_server;
    Shell m_shell;
};

void TestBrowserOpen::select(const QString &name)
{
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, centreOf(name));
}

void TestBrowserOpen::initTestCase()
{
    QVERIFY(installApplications({{"recorder", "Recorder", "text/plain;"}},
                                "text/plain=recorder.desktop\n"));
    QVERIFY(m_server.start());
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(addDemoTree(m_server, email));
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Notes.txt"), "notes").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Bundle.zip"), "PK\x03\x04zip")
                 .isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Linked/Plan.txt"), "plan").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Linked/Old/Keep.txt"), "kept").isEmpty());
    QVERIFY(!m_server
                 .seedFile(email, QStringLiteral("/Documents/Readings.lumarin-data"),
                           QByteArray("\x00\x01\x02", 3))
                 .isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QVERIFY(icons());
}

void TestBrowserOpen::doubleClickOpensTheCachedCopyAndUploadsEdits()
{
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    const QPoint at = centreOf(QStringLiteral("Welcome.txt"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);

    // The application got the cached copy, holding the service's bytes.
    QTRY_COMPARE_WITH_TIMEOUT(opened().size(), 1, 30000);
    const QString local = opened().first();
    QVERIFY2(local.endsWith(WelcomePath) && !local.startsWith(QStringLiteral("/Documents")),
             qPrintable(local));
    const QByteArray original = readFile(local);
    QVERIFY2(original.startsWith(WelcomeStart), original.constData());
    // A file is opened, not entered.
    QCOMPARE(MCManager::sharedManager()->currentPath(), QStringLiteral("/Documents"));

    // An edit saved by the application goes up, and the service's new version comes back.
    const QByteArray edited = original + "Edited in the recorder.\n";
    QVERIFY(writeFile(local, edited));
    QTRY_VERIFY_WITH_TIMEOUT(
        countRequests(m_server.requests(), QStringLiteral("/api/v1/sync/object") + WelcomePath) > 0,
        30000);
    MCIconItemModel *model = icons()->itemModel();
    const auto serviceVersion = [&] {
        const MCNodePtr node = model->nodeAt(model->indexOfPath(WelcomePath));
        return node ? qMakePair(node->contentHash(), node->fileSize()) : qMakePair(QString(), 0ll);
    };
    QTRY_COMPARE_WITH_TIMEOUT(serviceVersion(), qMakePair(md5Hex(edited), qint64(edited.size())),
                              30000);
}

void TestBrowserOpen::keyboardOpensTheSelection()
{
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Notes.txt")));
    const int before = opened().size();
    select(QStringLiteral("Notes.txt"));
    QTest::keyClick(icons()->collectionView(), Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(opened().size(), before + 1, 30000);
    QVERIFY(opened().last().endsWith(QStringLiteral("/Documents/Notes.txt")));
    QCOMPARE(readFile(opened().last()), QByteArray("notes"));

    // Two files at once: each is opened.
    select(QStringLiteral("Notes.txt"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      centreOf(QStringLiteral("Welcome.txt")));
    QCOMPARE(icons()->getSelectedItems().size(), 2);
    QTest::keyClick(icons()->collectionView(), Qt::Key_Down, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(opened().size(), before + 3, 30000);
    QVERIFY(opened().mid(before + 1).join('|').contains(QStringLiteral("Notes.txt")));
    QVERIFY(opened().mid(before + 1).join('|').contains(QStringLiteral("Welcome.txt")));
    QCOMPARE(MCManager::sharedManager()->currentPath(), QStringLiteral("/Documents"));
}

void TestBrowserOpen::archivesAskFirst()
{
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Bundle.zip")));
    const int before = opened().size();
    m_shell.alerts.clearRecord();
    m_server.clearRequests();

    // Declined: nothing is downloaded or opened.
    m_shell.alerts.queueAnswer(QStringLiteral("Cancel"));
    const QPoint at = centreOf(QStringLiteral("Bundle.zip"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_shell.alerts.alerts().size(), 1);
    QCOMPARE(m_shell.alerts.alerts().first().informativeText,
             QStringLiteral("File: \u2068Bundle.zip\u2069"));

    // A text file opened afterwards is the only thing that reaches the service and the
    // application.
    select(QStringLiteral("Notes.txt"));
    QTest::keyClick(icons()->collectionView(), Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(opened().size(), before + 1, 30000);
    QVERIFY(opened().last().endsWith(QStringLiteral("Notes.txt")));
    QCOMPARE(countRequests(m_server.requests(), QStringLiteral(".*Bundle\\.zip.*")), 0);
    QCOMPARE(m_shell.alerts.alerts().size(), 1);

    // Confirmed: it is fetched to be opened.
    m_shell.alerts.queueAnswer(QStringLiteral("Open"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY_WITH_TIMEOUT(
        countRequests(m_server.requests(), QStringLiteral(".*Bundle\\.zip.*")) > 0, 30000);
    // No application here takes an archive: said once the copy is there.
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.alerts().size(), 3, 30000);
    QVERIFY(m_shell.alerts.pendingAlert().messageText.contains(QStringLiteral("Bundle.zip")));
    QVERIFY(m_shell.alerts.answer(QStringLiteral("Cancel")));
    QCOMPARE(opened().size(), before + 1);
}

void TestBrowserOpen::aFileNoApplicationTakesIsOfferedToOpenWith()
{
    const QString name = QStringLiteral("Readings.lumarin-data");
    QVERIFY(enter(QStringLiteral("/Documents"), name));
    const int before = opened().size();
    m_shell.alerts.clearRecord();
    select(name);
    QTest::keyClick(icons()->collectionView(), Qt::Key_O, Qt::ControlModifier);

    // Downloaded, then no application: the user is told once and offered a choice.
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 30000);
    const Alert told = m_shell.alerts.pendingAlert();
    QVERIFY2(told.messageText.contains(name), qPrintable(told.messageText));
    QVERIFY(m_shell.alerts.answer(QStringLiteral("Choose Application...")));
    MCApplicationChooser *chooser = nullptr;
    QTRY_VERIFY(chooser = m_shell.delegate()->mainWindow()->findChild<MCApplicationChooser *>());
    QVERIFY(chooser->isVisible());

    // The application chosen gets the cached copy.
    auto *list = chooser->findChild<QListWidget *>();
    QVERIFY(list && list->count() > 0);
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(opened().size(), before + 1, 30000);
    QVERIFY(opened().last().endsWith(QStringLiteral("/Documents/") + name));
    QCOMPARE(m_shell.alerts.alerts().size(), 1);
}

void TestBrowserOpen::aLinkPlantedInTheCacheIsNeverFollowed()
{
    // Where the store's folder /Linked would be cached, a link to a folder of the user's.
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    QVERIFY(writeFile(outside.filePath(QStringLiteral("Old/Keep.txt")), "the user's own"));
    const QString objects =
        MCManager::sharedManager()->applicationSupportPath() + QStringLiteral("/cache/objects");
    QVERIFY(QDir().mkpath(objects));
    QVERIFY(QFile::link(outside.path(), objects + QStringLiteral("/Linked")));
    const auto outsideEntries = [&] {
        QStringList entries;
        QDirIterator it(outside.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            entries.append(it.next().mid(outside.path().size()));
        entries.sort();
        return entries;
    };
    const QStringList planted = outsideEntries();

    // A file opened there is not downloaded through the link: the user is told why, and
    // nothing is opened or written where the link points.
    QVERIFY(enter(QStringLiteral("/Linked"), QStringLiteral("Plan.txt")));
    const int before = opened().size();
    m_shell.alerts.clearRecord();
    const QPoint at = centreOf(QStringLiteral("Plan.txt"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 30000);
    QCOMPARE(m_shell.alerts.pendingAlert().messageText,
             QStringLiteral("Unable to download file /Linked/Plan.txt: a link or a file that is "
                            "not Lumarin's own was found in its data folder, so nothing was "
                            "written there."));
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(opened().size(), before);
    QCOMPARE(outsideEntries(), planted);

    // A folder deleted there is not removed through the link either.
    QWidget *window = m_shell.delegate()->mainWindow();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    select(QStringLiteral("Old"));
    QTest::keyClick(icons()->collectionView(), Qt::Key_Delete);
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QVERIFY(m_shell.alerts.answer(QStringLiteral("Delete")));
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains(QStringLiteral("Old")), 30000);
    QCOMPARE(outsideEntries(), planted);
    QCOMPARE(readFile(outside.filePath(QStringLiteral("Old/Keep.txt"))),
             QByteArray("the user's own"));
}

void TestBrowserOpen::theCountIsToldWithNoLockHeld()
{
    // A listener that hands the count to another thread and waits for it there, as a status
    // line made in the background would; -1 where that thread got no answer.
    MCManager *hub = MCManager::sharedManager();
    struct Asked
    {
        QSemaphore done;
        QAtomicInteger<qint64> read = -1;
    };
    QList<qint64> told;
    const QMetaObject::Connection listening =
        connect(hub->counters(), &MCCounters::totalCountChanged, this, [&told, hub] {
            const auto asked = std::make_shared<Asked>();
            QThreadPool::globalInstance()->start([asked, hub] {
                asked->read = hub->totalCount();
                asked->done.release();
            });
            told.append(asked->done.tryAcquire(1, 20000) ? qint64(asked->read) : -1);
        });
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QVERIFY(enter(QStringLiteral("/Linked"), QStringLiteral("Plan.txt")));
    QTRY_VERIFY(told.size() >= 2);
    disconnect(listening);
    QVERIFY2(!told.contains(-1), "the count was not there to read while it was told");
    QCOMPARE(told.last(), hub->totalCount());
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestBrowserOpen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browseropen.moc"
