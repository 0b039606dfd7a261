// Drag and drop on the icon view of a signed-in shell against kerlo-local's demo tree: files
// dropped from the desktop are uploaded into the folder shown (and an existing name asks
// whether to replace it, keep both or give up, losing no byte either way), remote items
// dropped inside the window move, a drag resting on a folder opens it, and items dragged out
// are downloaded where they are dropped. The list view takes drops onto a folder row into it.
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mcbrowserdragdrop.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mclistcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcpasteboard.h"
#include "moobjectsmanager.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QDir>
#include <QListView>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

QMimeData *uriList(const QStringList &paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

struct DropResult
{
    bool enterAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

} // namespace

class TestBrowserDragDrop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void droppedFilesAreUploadedAsCopies();
    void droppedFolderIsUploadedWhole();
    void existingNameAsksAndLosesNothing();
    void burstOfFailuresAsksOneAtATime();
    void remoteItemsMoveInsideTheWindow();
    void restingOnAFolderOpensIt();
    void draggedOutFilesAreDownloaded();
    void listTakesDropsOntoAFolderRowIntoIt();

private:
    MCIconController *icons() const;
    MCBrowserDragDrop *dragDrop() const;
    QWidget *viewport() const { return icons()->collectionView()->viewport(); }
    QPoint centreOf(const QString &name) const { return ShellTest::centreOf(icons(), name); }
    QPoint emptySpot() const;
    // Drops data at at on target's viewport (the icon view's when none).
    DropResult drop(QMimeData *data, const QPoint &at, QAbstractItemView *target = nullptr);
    bool showFolder(const QString &path, const QString &child)
    {
        return ShellTest::showFolder(icons(), path, child);
    }
    QByteArray remoteBytes(const QString &path) const { return m_reader.remoteBytes(path); }
    int uploadsTo(const QString &remotePath) const;

    KerloLocal m_server;
    Shell m_shell;
    QTemporaryDir m_local;
    ServiceReader m_reader;
};

MCIconController *TestBrowserDragDrop::icons() const
{
    return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
}

MCBrowserDragDrop *TestBrowserDragDrop::dragDrop() const
{
    return icons()->findChild<MCBrowserDragDrop *>();
}

QPoint TestBrowserDragDrop::emptySpot() const
{
    const QPoint corner(viewport()->width() - 5, viewport()->height() - 5);
    return icons()->collectionView()->indexAt(corner).isValid() ? QPoint(-1, -1) : corner;
}

DropResult TestBrowserDragDrop::drop(QMimeData *data, const QPoint &at, QAbstractItemView *target)
{
    QWidget *viewport = target ? target->viewport() : this->viewport();
    DropResult result;
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    result.enterAccepted = enter.isAccepted();
    QDragMoveEvent move(at, offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent dropEvent(at, offered, data, Qt::LeftButton, Qt::NoModifier);
    dropEvent.setAccepted(false);
    QApplication::sendEvent(viewport, &dropEvent);
    result.dropAccepted = dropEvent.isAccepted();
    result.action = dropEvent.dropAction();
    delete data;
    return result;
}

int TestBrowserDragDrop::uploadsTo(const QString &remotePath) const
{
    // Every way up (plain or synchronising, whole or in chunks) names the destination.
    int count = 0;
    const QByteArray encoded = QUrl::toPercentEncoding(remotePath, "/");
    for (const QJsonValue &entry : m_server.requests()) {
        const QJsonObject request = entry.toObject();
        const QString method = request["method"].toString();
        const QString path = request["path"].toString();
        if ((method == "POST" || method == "PUT") && !path.startsWith("/__control") &&
            (path.endsWith(remotePath) || path.endsWith(QString::fromLatin1(encoded)) ||
             request["query"].toString().contains(QString::fromLatin1(encoded)) ||
             request["body"].toString().contains(remotePath)))
            ++count;
    }
    return count;
}

void TestBrowserDragDrop::initTestCase()
{
    QVERIFY(m_local.isValid());
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_reader.signIn(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QVERIFY(icons());
    QVERIFY(dragDrop());
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Photos")));
}

void TestBrowserDragDrop::droppedFilesAreUploadedAsCopies()
{
    QVERIFY(showFolder(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    const QString local = m_local.filePath(QStringLiteral("Dropped notes.txt"));
    const QByteArray bytes = "notes dropped from the desktop\n" + QByteArray(3000, 'n');
    QVERIFY(writeFile(local, bytes));

    // Slow enough to see the upload under way, whichever way it goes up.
    for (const QString &route :
         {QStringLiteral("/api/v1/sync/object"), QStringLiteral("/api/v1/objects")})
        QVERIFY(m_server.delay(route + "/Documents/Dropped notes.txt", 1500, 1, "PUT"));
    const DropResult result = drop(uriList({local}), emptySpot());
    QVERIFY(result.enterAccepted);
    QVERIFY(result.dropAccepted);
    QCOMPARE(result.action, Qt::CopyAction);

    // The placeholder shows at once with its upload badge, and makes way for the object.
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Dropped notes.txt")));
    const QModelIndex index =
        icons()->itemModel()->indexOfPath(QStringLiteral("/Documents/Dropped notes.txt"));
    QVERIFY(index.isValid());
    const MCNodePtr node = icons()->itemModel()->nodeAt(index);
    QVERIFY(node->isPlaceholder() || node->states() & MCAbstractObjectNode::Uploading);
    QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(QStringLiteral("/Documents/Dropped notes.txt")), bytes,
                              20000);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const MCNodePtr now = icons()->itemModel()->nodeAt(
                icons()->itemModel()->indexOfPath(QStringLiteral("/Documents/Dropped notes.txt")));
            return now && !now->isPlaceholder() &&
                   !(now->states() & MCAbstractObjectNode::Uploading);
        }(),
        20000);
    QVERIFY(uploadsTo(QStringLiteral("/Documents/Dropped notes.txt")) > 0);
    // A copy: the desktop's file stays as it was.
    QCOMPARE(readFile(local), bytes);

    // A payload without local files is taken but does nothing.
    auto *text = new QMimeData;
    text->setText(QStringLiteral("just words"));
    const int before = m_server.requests().size();
    QVERIFY(!drop(text, emptySpot()).enterAccepted);
    QCOMPARE(icons()->shownNames().count(QStringLiteral("Dropped notes.txt")), 1);
    QVERIFY(m_server.requests().size() >= before);
}

void TestBrowserDragDrop::droppedFolderIsUploadedWhole()
{
    QVERIFY(showFolder(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    // Enough files that reading the folder takes several slices.
    const QString folder = m_local.filePath(QStringLiteral("Dropped tree"));
    QStringList names;
    for (int i = 0; i < 90; ++i)
        names.append(QStringLiteral("%1file %2.txt").arg(i % 3 ? QString() : "inner/").arg(i));
    for (const QString &name : qAsConst(names))
        QVERIFY(writeFile(folder + '/' + name, name.toUtf8()));

    QVERIFY(drop(uriList({folder}), emptySpot()).dropAccepted);
    // The folder shows at once as a placeholder, then each file goes up under its own path.
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(QStringLiteral("Dropped tree")), 20000);
    for (const QString &name : {names.first(), names.at(1), names.last()})
        QTRY_COMPARE_WITH_TIMEOUT(remoteBytes("/Documents/Dropped tree/" + name), name.toUtf8(),
                                  60000);
    // A copy: the desktop's folder stays.
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 60);
}

void TestBrowserDragDrop::existingNameAsksAndLosesNothing()
{
    QVERIFY(showFolder(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    const QString email = QString::fromLatin1(DemoEmail);
    ScriptedAlertPresenter &alerts = m_shell.alerts;

    for (const QString &choice :
         {QStringLiteral("Replace"), QStringLiteral("Keep both"), QStringLiteral("Abort")}) {
        const QString name = QStringLiteral("Clash %1.txt").arg(choice);
        const QString remote = QStringLiteral("/Documents/") + name;
        const QByteArray remoteContent = "the service's copy of " + name.toUtf8();
        const QByteArray localContent = "the desktop's copy of " + name.toUtf8() + "\n" +
                                        QByteArray(5000, char('a' + name.size() % 26));
        QVERIFY(!m_server.seedFile(email, remote, remoteContent).isEmpty());
        QTRY_VERIFY(icons()->shownNames().contains(name));
        const QString local = m_local.filePath(name);
        QVERIFY(writeFile(local, localContent));
        alerts.clearRecord();

        QVERIFY(drop(uriList({local}), emptySpot()).dropAccepted);
        QTRY_COMPARE_WITH_TIMEOUT(alerts.pendingCount(), 1, 20000);
        const Alert asked = alerts.pendingAlert();
        QVERIFY2(asked.messageText.contains(name), qPrintable(asked.messageText));
        QCOMPARE(asked.informativeText,
                 QStringLiteral("Do you want to replace it with the one you are moving?"));
        QCOMPARE(asked.buttons, (QStringList{"Replace", "Keep both", "Abort"}));
        QCOMPARE(alerts.parents().last().data(), m_shell.delegate()->mainWindow());
        const QString freeName =
            MOObjectsManager::sharedInstance()->suggestedFilePathWithPath(remote);
        QVERIFY(!freeName.isEmpty() && freeName != remote);
        QVERIFY(alerts.answer(choice));

        if (choice == QLatin1String("Replace")) {
            QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(remote), localContent, 20000);
        } else if (choice == QLatin1String("Keep both")) {
            QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(freeName), localContent, 20000);
            QCOMPARE(remoteBytes(remote), remoteContent);
            QTRY_VERIFY(icons()->shownNames().contains(freeName.section('/', -1)));
        } else {
            // Nothing goes up: a file dropped after it is up once the queue got past it.
            const int uploads = uploadsTo(remote);
            const QString after = m_local.filePath(QStringLiteral("After abort.txt"));
            QVERIFY(writeFile(after, "after"));
            QVERIFY(drop(uriList({after}), emptySpot()).dropAccepted);
            QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(QStringLiteral("/Documents/After abort.txt")),
                                      QByteArray("after"), 20000);
            QCOMPARE(uploadsTo(remote), uploads);
            QCOMPARE(uploadsTo(freeName), 0);
            QCOMPARE(remoteBytes(remote), remoteContent);
            QVERIFY(remoteBytes(freeName).isNull());
        }
        QCOMPARE(readFile(local), localContent);
        QCOMPARE(alerts.pendingCount(), 0);
    }
}

void TestBrowserDragDrop::burstOfFailuresAsksOneAtATime()
{
    QVERIFY(showFolder(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    const QString email = QString::fromLatin1(DemoEmail);
    ScriptedAlertPresenter &alerts = m_shell.alerts;
    alerts.clearRecord();
    QStringList locals;
    for (int i = 1; i <= 3; ++i) {
        const QString name = QStringLiteral("Burst %1.txt").arg(i);
        QVERIFY(!m_server.seedFile(email, "/Documents/" + name, "remote").isEmpty());
        locals.append(m_local.filePath(name));
        QVERIFY(writeFile(locals.last(), "local " + QByteArray::number(i)));
    }
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Burst 3.txt")));
    // The same file twice in one drop is one question.
    QVERIFY(drop(uriList(locals + QStringList{locals.first()}), emptySpot()).dropAccepted);

    MCManager *hub = MCManager::sharedManager();
    QTRY_COMPARE_WITH_TIMEOUT(hub->queuedSheetCount(), 2, 20000);
    QCOMPARE(alerts.pendingCount(), 1);
    QVERIFY(hub->isShowingSheet());
    // Each answer brings the next sheet; never two at once.
    QStringList asked;
    for (int i = 0; i < 3; ++i) {
        QTRY_COMPARE(alerts.pendingCount(), 1);
        asked.append(alerts.pendingAlert().messageText);
        QVERIFY(alerts.answer(QStringLiteral("Abort")));
        QCOMPARE(alerts.pendingCount(), i < 2 ? 1 : 0);
    }
    QVERIFY(!hub->isShowingSheet());
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(asked.filter(QStringLiteral("Burst %1.txt").arg(i)).size(), 1);
    QCOMPARE(alerts.alerts().size(), 3);
}

void TestBrowserDragDrop::remoteItemsMoveInsideTheWindow()
{
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Moving.txt"), "on the move").isEmpty());
    QVERIFY(showFolder(QStringLiteral("/Photos"), QStringLiteral("Trip")));

    // An item of the folder shown, dropped on it again: refused, nothing moves.
    DropResult result =
        drop(MCPasteboard::mimeDataForRemotePaths({"/Photos/Sunset.jpg"}), emptySpot());
    QVERIFY(!result.dropAccepted);
    // A folder into itself (or below itself) likewise, checked before anything moves.
    result = drop(MCPasteboard::mimeDataForRemotePaths({"/Moving.txt", "/Photos"}), emptySpot());
    QVERIFY(!result.dropAccepted);
    QCOMPARE(remoteBytes(QStringLiteral("/Moving.txt")), QByteArray("on the move"));

    result = drop(MCPasteboard::mimeDataForRemotePaths({"/Moving.txt"}), emptySpot());
    QVERIFY(result.dropAccepted);
    QCOMPARE(result.action, Qt::MoveAction);
    QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(QStringLiteral("/Photos/Moving.txt")),
                              QByteArray("on the move"), 20000);
    QVERIFY(remoteBytes(QStringLiteral("/Moving.txt")).isNull());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(QStringLiteral("Moving.txt")), 20000);
}

void TestBrowserDragDrop::restingOnAFolderOpensIt()
{
    QVERIFY(showFolder(QStringLiteral("/"), QStringLiteral("Photos")));
    MCManager *hub = MCManager::sharedManager();
    const QString local = m_local.filePath(QStringLiteral("Spring.txt"));
    QVERIFY(writeFile(local, "spring"));
    std::unique_ptr<QMimeData> data(uriList({local}));
    const Qt::DropActions offered = Qt::CopyAction;

    // Passing over a folder and on: the sequence stops and the folder is left alone.
    QPoint at = centreOf(QStringLiteral("Documents"));
    QDragEnterEvent enter(at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QVERIFY(dragDrop()->isSpringLoading());
    QDragMoveEvent away(emptySpot(), offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &away);
    QVERIFY(away.isAccepted());
    QVERIFY(!dragDrop()->isSpringLoading());
    QVERIFY(icons()->getSelectedItems().isEmpty());

    // A drop onto a folder item is refused (resting there opens it instead).
    QDropEvent onFolder(at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    onFolder.setAccepted(false);
    QApplication::sendEvent(viewport(), &onFolder);
    QVERIFY(!onFolder.isAccepted());
    QVERIFY(!dragDrop()->isSpringLoading());

    // The folder being dragged, carried over itself: highlighted, never opened, no target.
    std::unique_ptr<QMimeData> itself(
        MCPasteboard::mimeDataForRemotePaths({QStringLiteral("/Documents")}));
    const Qt::DropActions moves = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent carried(at, moves, itself.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &carried);
    QVERIFY(!carried.isAccepted());
    QVERIFY(!dragDrop()->isSpringLoading());
    QCOMPARE(icons()->getSelectedItems().size(), 1);
    QCOMPARE(icons()->getSelectedItems().first()->fileName(), QStringLiteral("Documents"));
    QDropEvent ontoItself(at, moves, itself.get(), Qt::LeftButton, Qt::NoModifier);
    ontoItself.setAccepted(false);
    QApplication::sendEvent(viewport(), &ontoItself);
    QVERIFY(!ontoItself.isAccepted());
    QCOMPARE(hub->currentPath(), QStringLiteral("/"));

    // Resting on it: shown selected, then opened, with the way back remembered. (A drop ends
    // the drag: the next one enters anew.)
    at = centreOf(QStringLiteral("Photos"));
    QDragEnterEvent again(emptySpot(), offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &again);
    QVERIFY(again.isAccepted());
    QDragMoveEvent over(at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &over);
    QVERIFY(!over.isAccepted());
    QVERIFY(dragDrop()->isSpringLoading());
    QCOMPARE(icons()->getSelectedItems().size(), 1);
    QCOMPARE(icons()->getSelectedItems().first()->fileName(), QStringLiteral("Photos"));
    QCOMPARE(hub->currentPath(), QStringLiteral("/"));
    QTRY_COMPARE_WITH_TIMEOUT(hub->currentPath(), QStringLiteral("/Photos"), 10000);
    QVERIFY(!dragDrop()->isSpringLoading());
    QCOMPARE(hub->arrayBack().last(), QStringLiteral("/"));
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Trip")));

    // Leaving the window stops a sequence too.
    at = centreOf(QStringLiteral("Trip"));
    QDragMoveEvent overTrip(at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &overTrip);
    QVERIFY(dragDrop()->isSpringLoading());
    QDragLeaveEvent leave;
    QApplication::sendEvent(viewport(), &leave);
    QVERIFY(!dragDrop()->isSpringLoading());
    QCOMPARE(hub->currentPath(), QStringLiteral("/Photos"));
}

void TestBrowserDragDrop::draggedOutFilesAreDownloaded()
{
    QVERIFY(showFolder(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    MCIconItemModel *model = icons()->itemModel();
    const MCNodePtr welcome = model->nodeAt(model->indexOfPath("/Documents/Welcome.txt"));
    const MCNodePtr manual = model->nodeAt(model->indexOfPath("/Documents/Manual.pdf"));
    QVERIFY(welcome && manual);
    QVERIFY(showFolder(QStringLiteral("/"), QStringLiteral("Documents")));
    const MCNodePtr documents = model->nodeAt(model->indexOfPath("/Documents"));
    QVERIFY(documents);

    // The payload names the remote items, for the views of this window.
    std::unique_ptr<QMimeData> data(dragDrop()->mimeDataForNodes({documents, welcome}));
    QCOMPARE(MCPasteboard::remotePaths(data.get()),
             (QStringList{"/Documents", "/Documents/Welcome.txt"}));
    QVERIFY(!data->hasUrls());

    // Once every dragged file has a local copy, the copies go too, for any file manager.
    QVERIFY(showFolder(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    MOObjectsManager::sharedInstance()->cacheObjectAtPath(QStringLiteral("/Documents/Welcome.txt"));
    const auto shownWelcome = [model] {
        return model->nodeAt(model->indexOfPath("/Documents/Welcome.txt"));
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        shownWelcome() && (shownWelcome()->states() & MCAbstractObjectNode::Cached), 20000);
    std::unique_ptr<QMimeData> cached(dragDrop()->mimeDataForNodes({shownWelcome()}));
    QCOMPARE(cached->urls().size(), 1);
    QCOMPARE(readFile(cached->urls().first().toLocalFile()),
             remoteBytes(QStringLiteral("/Documents/Welcome.txt")));
    std::unique_ptr<QMimeData> mixed(dragDrop()->mimeDataForNodes(
        {shownWelcome(), model->nodeAt(model->indexOfPath("/Documents/Manual.pdf"))}));
    QVERIFY(!mixed->hasUrls());
    QVERIFY(showFolder(QStringLiteral("/"), QStringLiteral("Documents")));

    // Dropped in a folder that has a file of that name already: the download takes a free
    // name beside it (no empty stand-in left under the first name), the folder is refused.
    QTemporaryDir target;
    const QByteArray mine = "my own Welcome.txt, not to be touched";
    QVERIFY(writeFile(target.filePath(QStringLiteral("Welcome.txt")), mine));
    m_shell.alerts.clearRecord();
    dragDrop()->downloadDraggedNodes({documents, welcome, manual}, target.path());
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QCOMPARE(m_shell.alerts.pendingAlert().messageText,
             QStringLiteral("Cannot download '\u2068Documents\u2069'"));
    QCOMPARE(m_shell.alerts.pendingAlert().informativeText,
             QStringLiteral("Downloading folders is not supported"));
    QVERIFY(m_shell.alerts.answer(0));
    const QByteArray welcomeBytes = remoteBytes(QStringLiteral("/Documents/Welcome.txt"));
    const QByteArray manualBytes = remoteBytes(QStringLiteral("/Documents/Manual.pdf"));
    QVERIFY(!welcomeBytes.isEmpty() && !manualBytes.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(readFile(target.filePath("Welcome 2.txt")), welcomeBytes, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(target.filePath("Manual.pdf")), manualBytes, 20000);
    QCOMPARE(readFile(target.filePath("Welcome.txt")), mine);
    QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{"Manual.pdf", "Welcome 2.txt", "Welcome.txt"}));
}

void TestBrowserDragDrop::listTakesDropsOntoAFolderRowIntoIt()
{
    QVERIFY(showFolder(QStringLiteral("/"), QStringLiteral("Documents")));
    MCManager *hub = MCManager::sharedManager();
    QTest::keyClick(m_shell.delegate()->mainWindow(), Qt::Key_2, Qt::ControlModifier);
    auto *list = qobject_cast<MCListController *>(m_shell.delegate()->browserView(1));
    QVERIFY(list);
    QTRY_VERIFY(list->isVisible() && list->shownNames().contains(QStringLiteral("Documents")));
    QTreeView *outline = list->outlineView();
    const auto row = [list, outline](const QString &path) {
        return outline->visualRect(list->indexOfPath(path)).center();
    };

    // A file from the file manager dropped onto a folder row is copied up into that folder;
    // nothing opens.
    const QString local = m_local.filePath(QStringLiteral("Into.txt"));
    QVERIFY(writeFile(local, "into"));
    DropResult result = drop(uriList({local}), row(QStringLiteral("/Documents")), outline);
    QVERIFY(result.dropAccepted);
    QCOMPARE(result.action, Qt::CopyAction);
    QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(QStringLiteral("/Documents/Into.txt")),
                              QByteArray("into"), 20000);
    QVERIFY(remoteBytes(QStringLiteral("/Into.txt")).isNull());
    QCOMPARE(hub->currentPath(), QStringLiteral("/"));

    // A remote item moves into the folder row it is dropped on; a folder onto its own row,
    // or an item onto the folder it is already in, is refused.
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Listed.txt"), "listed").isEmpty());
    result = drop(MCPasteboard::mimeDataForRemotePaths({"/Documents"}),
                  row(QStringLiteral("/Documents")), outline);
    QVERIFY(!result.dropAccepted);
    result = drop(MCPasteboard::mimeDataForRemotePaths({"/Documents/Welcome.txt"}),
                  row(QStringLiteral("/Documents")), outline);
    QVERIFY(!result.dropAccepted);
    result = drop(MCPasteboard::mimeDataForRemotePaths({"/Listed.txt"}),
                  row(QStringLiteral("/Documents")), outline);
    QVERIFY(result.dropAccepted);
    QCOMPARE(result.action, Qt::MoveAction);
    QTRY_COMPARE_WITH_TIMEOUT(remoteBytes(QStringLiteral("/Documents/Listed.txt")),
                              QByteArray("listed"), 20000);
    QVERIFY(remoteBytes(QStringLiteral("/Listed.txt")).isNull());
    QCOMPARE(hub->currentPath(), QStringLiteral("/"));
    QTest::keyClick(m_shell.delegate()->mainWindow(), Qt::Key_1, Qt::ControlModifier);
    QTRY_VERIFY(icons()->isVisible());
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestBrowserDragDrop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserdragdrop.moc"
