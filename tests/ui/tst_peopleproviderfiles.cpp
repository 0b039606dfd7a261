// Files from another provider's synchronised folder, through the widgets, signed in as the demo
// user against kerlo-local with Bea as the contact: the provider's folder lives in the suite's
// own HOME. Dropped on Bea's sidebar row before the provider is linked, a file raises the
// source-file alert: without linking the file is uploaded from the local disk, as any other
// local file; "Link Now" opens the linking page and sends nothing. Once linked it becomes a file
// row naming its provider, and its Send reaches the service as a provider's file.
#include "chatpartner.h"
#include "kerlolocal.h"
#include "linkrecorder.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatfilerowview.h"
#include "mcchatrowsmodel.h"
#include "mcchattableview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QUrlQuery>
#include <QtTest>

using namespace ShellTest;

namespace {

QString providerRoot()
{
    return QDir::homePath() + QStringLiteral("/Provider Folder");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestPeopleProviderFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void droppedBeforeLinkingAsksThenSendsFromTheDisk();
    void linkedProviderFileBecomesARowAndIsSent();

private:
    MCContact *bea() const { return m_bea.contact(); }
    int fileRows() const;
    int rowOf(const QString &label) const;
    bool dropOnBea(const QStringList &localPaths);

    KerloLocal m_server;
    Shell m_shell;
    ChatPartner m_bea{m_server, m_shell};
    LinkRecorder m_links;
    const QString m_file = providerRoot() + QStringLiteral("/Reports/q3 summary.txt");
};

int TestPeopleProviderFiles::fileRows() const
{
    int count = 0;
    for (const MCChatEntryPtr &entry : bea()->conversation())
        count += entry->kind() == MCChatEntry::CollaborationRow ? 1 : 0;
    return count;
}

int TestPeopleProviderFiles::rowOf(const QString &label) const
{
    const MCChatRowsModel *rows = bea()->rowsModel();
    for (int row = rows->rowCount() - 1; row >= 0; --row) {
        if (rows->index(row).data().toString() == label)
            return row;
    }
    return -1;
}

bool TestPeopleProviderFiles::dropOnBea(const QStringList &localPaths)
{
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    QWidget *viewport = sidebar->outlineView()->viewport();
    const QPoint row = sidebar->outlineView()
                           ->visualRect(sidebar->model()->indexForPlace(bea()->title()))
                           .center();
    QMimeData files;
    QList<QUrl> urls;
    for (const QString &path : localPaths)
        urls.append(QUrl::fromLocalFile(path));
    files.setUrls(urls);
    QDragEnterEvent enter(row, Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(row, Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(row, Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    return true;
}

void TestPeopleProviderFiles::initTestCase()
{
    // The provider's own client says where its folder is.
    QVERIFY(writeFile(
        QDir::homePath() + QStringLiteral("/.dropbox/info.json"),
        QJsonDocument(QJsonObject{{"personal", QJsonObject{{"path", providerRoot()}}}}).toJson()));
    QVERIFY(writeFile(m_file, "third quarter\n"));
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_links, "open");

    QVERIFY(m_server.start());
    QVERIFY(m_bea.startConversation());
    QVERIFY(m_bea.inviteDemoUser());
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    MCManager *hub = MCManager::sharedManager();
    QTRY_COMPARE_WITH_TIMEOUT(
        hub->servicesDiscoverer()->pathForService(MCThirdPartyServicesDiscoverer::Dropbox),
        providerRoot(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(bea(), 20000);
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    QTRY_VERIFY_WITH_TIMEOUT(sidebar->model()->indexForPlace(bea()->title()).isValid(), 20000);
    hub->setNotBrowsablePath(bea()->title());
    QTRY_VERIFY_WITH_TIMEOUT(bea()->chatController() && bea()->chatController()->isVisible(),
                             20000);
}

void TestPeopleProviderFiles::droppedBeforeLinkingAsksThenSendsFromTheDisk()
{
    const int before = fileRows();
    m_shell.alerts.clearRecord();

    // "Continue without linking": the file goes from this disk.
    QVERIFY(dropOnBea({m_file}));
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    const Alert asked = m_shell.alerts.pendingAlert();
    QCOMPARE(asked.messageText, QStringLiteral("Dropbox source file"));
    QCOMPARE(asked.buttons, QStringList({"Link Now", "Continue without linking"}));
    QVERIFY(asked.informativeText.startsWith(
        QStringLiteral("You are trying to send a file from your Dropbox folder.")));
    QVERIFY(!asked.icon.isNull());
    QCOMPARE(fileRows(), before);
    QVERIFY(m_shell.alerts.answer(QStringLiteral("Continue without linking")));
    // The file goes as a file from outside any provider's folder goes: the user is told it is
    // uploaded first, and it is.
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QCOMPARE(m_shell.alerts.pendingAlert().messageText, QStringLiteral("External Files"));
    QVERIFY(m_server.clearRequests());
    QVERIFY(m_shell.alerts.answer(QStringLiteral("OK")));
    const auto uploaded = [this] {
        for (const QJsonValue &entry : m_server.requests()) {
            const QJsonObject request = entry.toObject();
            if (request.value("method").toString() == QLatin1String("PUT") &&
                QUrl::fromPercentEncoding(request.value("path").toString().toUtf8()) ==
                    QLatin1String("/api/v1/objects/q3 summary.txt"))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(uploaded(), 20000);
    QVERIFY(m_links.opened.isEmpty());
    QCOMPARE(fileRows(), before);

    // "Link Now": the service's linking page opens in the browser, with the way back.
    QVERIFY(dropOnBea({m_file}));
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QVERIFY(m_shell.alerts.answer(QStringLiteral("Link Now")));
    QCOMPARE(m_links.opened.size(), 1);
    const QUrl link = m_links.opened.first();
    QCOMPARE(link.adjusted(QUrl::RemoveQuery).toString(),
             m_server.baseUrl().toString() + QStringLiteral("/api/v1/users/auth/dropbox_oauth2"));
    QCOMPARE(QUrlQuery(link).queryItemValue(QStringLiteral("callback")),
             QStringLiteral("kerlo://thirdpartyproviders/dropbox"));
    QCOMPARE(fileRows(), before);
}

void TestPeopleProviderFiles::linkedProviderFileBecomesARowAndIsSent()
{
    // The user allows the link on the service's page, which calls the application back.
    QCOMPARE(m_server.control("POST", QStringLiteral("/link-provider"),
                              {{"email", QString::fromLatin1(DemoEmail)}, {"provider", "dropbox"}}),
             200);
    m_shell.alerts.clearRecord();
    m_shell.delegate()->handleURL(QUrl(QStringLiteral("kerlo://thirdpartyproviders/dropbox")));
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QCOMPARE(m_shell.alerts.pendingAlert().messageText, QStringLiteral("Dropbox link"));
    QVERIFY(!m_shell.alerts.pendingAlert().icon.isNull());
    QVERIFY(m_shell.alerts.answer(0));

    // Now the drop asks nothing: a row named by the file, its path taken inside the folder.
    const int before = fileRows();
    QVERIFY(dropOnBea({m_file}));
    QTRY_COMPARE(fileRows(), before + 1);
    QCOMPARE(m_shell.alerts.pendingCount(), 0);
    const int row = rowOf(QStringLiteral("q3 summary.txt"));
    QVERIFY(row >= 0);
    MCChatTableView *table = bea()->chatController()->chatTableView();
    table->verticalScrollBar()->setValue(table->rowTop(row));
    auto *file = qobject_cast<MCChatFileRowView *>(table->rowView(row));
    QVERIFY(file && file->sendButton()->isVisible());
    QTest::mouseClick(file->sendButton(), Qt::LeftButton);

    // Bea receives it as the provider's file at its place inside the folder.
    QJsonObject invite;
    const auto received = [this, &invite] {
        const QJsonArray invites =
            QJsonDocument::fromJson(m_bea.session().get(QStringLiteral("/invites/received.json")))
                .object()
                .value("invites")
                .toArray();
        invite = invites.isEmpty() ? QJsonObject() : invites.last().toObject();
        return !invite.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(received(), 20000);
    QCOMPARE(invite.value("source_provider").toString(), QStringLiteral("dropbox"));
    const QJsonObject source = invite.value("source_object").toObject();
    QCOMPARE(source.value("base_path").toString(), QStringLiteral("/Reports"));
    QCOMPARE(source.value("label").toString(), QStringLiteral("q3 summary.txt"));

    // A file that went away, or one outside the folder under the provider's name, makes no
    // row and is said in the log; the others go on.
    const QString gone = providerRoot() + QStringLiteral("/gone.txt");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral(
                             "^Cannot fetch information for file at path '.*/gone.txt': .+")));
    const QString outside = QDir::homePath() + QStringLiteral("/outside.txt");
    QVERIFY(writeFile(outside, "outside"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral(
                             "^Cannot fetch information for file at path '.*/outside.txt': .+")));
    const QString other = providerRoot() + QStringLiteral("/other.txt");
    QVERIFY(writeFile(other, "other"));
    const int now = fileRows();
    bea()->sendFilesFromCloud(
        {}, {{QStringLiteral("dropbox"),
              {gone, providerRoot() + QStringLiteral("/../outside.txt"), other}}});
    QCOMPARE(fileRows(), now + 1);
    QVERIFY(rowOf(QStringLiteral("other.txt")) >= 0);
}

int main(int argc, char **argv)
{
    const QString root = isolateEnvironment();
    // The provider's folder and its client's settings live in a home of the suite's own.
    const QString home = root + QStringLiteral("/home");
    QDir().mkpath(home);
    qputenv("HOME", QFile::encodeName(home));
    QApplication app(argc, argv);
    TestPeopleProviderFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peopleproviderfiles.moc"
