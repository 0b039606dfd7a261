// Opening files from the icon view of a signed-in shell against kerlo-local's demo tree, as a
// user does: a double click (or Ctrl+O, Ctrl+Down) opens a file in its default application,
// which is a test application recording what it was given; the file handed over is the cached
// copy with the service's bytes, and an edit saved to it goes up to the service. An archive
// asks first, and a declined archive is neither downloaded nor opened.
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "shelltestfixture.h"

#include <QCryptographicHash>
#include <QListView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString WelcomePath = QStringLiteral("/Documents/Welcome.txt");
const QByteArray WelcomeStart = "Welcome to Kerlo.";

QString recordPath()
{
    return root() + QStringLiteral("/opened.log");
}

bool writeFile(const QString &path, const QByteArray &contents, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents);
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files the recording application was given, oldest first.
QStringList opened()
{
    return QString::fromUtf8(readFile(recordPath())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The default application for plain text: a script that records the file it opens.
void installRecordingApplication()
{
    const QString script = root() + QStringLiteral("/record.sh");
    QVERIFY(writeFile(
        script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + recordPath().toUtf8() + "\"\n", true));
    QVERIFY(QDir().mkpath(root() + QStringLiteral("/data/applications")));
    QVERIFY(QDir().mkpath(root() + QStringLiteral("/config")));
    QVERIFY(writeFile(root() + QStringLiteral("/data/applications/recorder.desktop"),
                      "[Desktop Entry]\nType=Application\nName=Recorder\nExec=\"" +
                          script.toUtf8() + "\" %f\nMimeType=text/plain;\n"));
    QVERIFY(writeFile(root() + QStringLiteral("/config/mimeapps.list"),
                      "[Default Applications]\ntext/plain=recorder.desktop\n"));
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

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    QPoint centreOf(const QString &name) const;
    void select(const QString &name);
    bool enter(const QString &path, const QString &child);

    KerloLocal m_server;
    Shell m_shell;
};

QPoint TestBrowserOpen::centreOf(const QString &name) const
{
    const int row = icons()->shownNames().indexOf(name);
    if (row < 0)
        return QPoint(-1, -1);
    const QModelIndex index = icons()->itemModel()->index(row);
    icons()->collectionView()->scrollTo(index);
    return icons()->collectionView()->visualRect(index).center();
}

void TestBrowserOpen::select(const QString &name)
{
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, centreOf(name));
}

bool TestBrowserOpen::enter(const QString &path, const QString &child)
{
    MCManager::sharedManager()->changeToPath(path, this);
    return QTest::qWaitFor([&] { return icons()->shownNames().contains(child); }, 30000);
}

void TestBrowserOpen::initTestCase()
{
    installRecordingApplication();
    QVERIFY(m_server.start());
    const QString email = QString::fromLatin1(DemoEmail);
    QCOMPARE(m_server.control("POST", QStringLiteral("/objects/demo-tree"), {{"email", email}}),
             200);
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Notes.txt"), "notes").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Bundle.zip"), "PK\x03\x04zip")
                 .isEmpty());
    m_shell.launch(m_server.baseUrl().toString());
    QVERIFY(m_shell.signInThroughWindow(email, QString::fromLatin1(DemoPassword)));
    QVERIFY(m_shell.waitForSession());
    m_shell.delegate()->mainWindow()->resize(900, 640);
    m_shell.delegate()->mainWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_shell.delegate()->mainWindow()));
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
    QCOMPARE(m_shell.alerts.alerts().first().informativeText, QStringLiteral("File: Bundle.zip"));

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
    QCOMPARE(m_shell.alerts.alerts().size(), 2);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestBrowserOpen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browseropen.moc"
