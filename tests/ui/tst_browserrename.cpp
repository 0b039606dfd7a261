// Naming items in place in the views of a signed-in shell against kerlo-local, driven with keys
// as a user does: Return edits the selected item's name with its base name selected, and a new
// name goes to the service, the item showing it with the syncing badge until the service
// confirms; unusable and taken names are refused with a warning that names the fault (a name
// of dots only, silently) and nothing is sent; a rename the service refuses leaves the item as
// it was and usable; a new folder is named before it is created. Most cases take the icon
// view; renaming and naming a new folder are also run in each of the three views.
#include "column/mcbrowser.h"
#include "column/mcbrowsercolumn.h"
#include "column/mccolumncontroller.h"
#include "column/mcleafcontroller.h"
#include "kerlolocal.h"
#include "list/mclistcontroller.h"
#include "mcappdelegate.h"
#include "mcbottomviewcontroller.h"
#include "mcclicktextfield.h"
#include "mcfakenode.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mciconnameeditor.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcnameeditingdelegate.h"
#include "mcnodetreemodel.h"
#include "mcwarningviewcontroller.h"
#include "mcworkspace.h"
#include "shelltestfixture.h"

#include <QJsonDocument>
#include <QListView>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString RenamePath = QStringLiteral("/api/v1/objects/rename");

// The (source, destination) pairs of the renames the service received, oldest first.
QList<QPair<QString, QString>> renamesIn(const QJsonArray &log)
{
    QList<QPair<QString, QString>> renames;
    for (const QJsonValue &entry : log) {
        const QJsonObject request = entry.toObject();
        if (request.value("path").toString() != RenamePath)
            continue;
        const QJsonObject body =
            QJsonDocument::fromJson(request.value("body").toString().toUtf8()).object();
        renames.append({body.value("source").toString(), body.value("destination").toString()});
    }
    return renames;
}

} // namespace

class TestBrowserRename : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void renameGoesToTheServiceAndShowsUntilConfirmed();
    void unusableAndTakenNamesAreRefusedBeforeSending();
    void refusedRenameLeavesTheItemUsable();
    void renameThatFailedOfflineNeverHappensLater();
    void newFolderIsNamedThenCreated();
    void newExtensionShowsTheNewKind();
    void eachViewRenamesAndNamesNewFolders_data();
    void eachViewRenamesAndNamesNewFolders();
    void columnPreviewFollowsTheSelectedItem();

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    MCBrowsableViewController *shownView() const { return m_shell.delegate()->browserView(m_view); }
    // The item view that lists the folder shown: the icon view's, the list's outline, or the
    // column of the folder shown in the column view.
    QAbstractItemView *itemView() const;
    MCIconNameEditor *editor() const;
    QModelIndex indexOf(const QString &name) const;
    static MCNodePtr nodeAt(const QModelIndex &index);
    // Selects the item by a click and presses Return; the editor it opens.
    MCIconNameEditor *startEditing(const QString &name);
    void typeName(const QString &name, Qt::Key end = Qt::Key_Return);
    // The item's name is shown, as a plain (not busy, not syncing) selectable item.
    bool settled(const QString &name) const;
    bool placeholderShown(const QString &name) const;
    QStringList selectedNames() const;
    void addUntitledFolder(const QString &name);

    KerloLocal m_server;
    Shell m_shell;
    int m_view = 0; // the view shown: 0 icon, 1 list, 2 column
};

QAbstractItemView *TestBrowserRename::itemView() const
{
    if (m_view == 0)
        return icons()->collectionView();
    if (m_view == 1)
        return qobject_cast<MCListController *>(shownView())->outlineView();
    auto *columns = qobject_cast<MCColumnController *>(shownView());
    const QString shown = MCManager::sharedManager()->currentPath();
    for (QAbstractItemView *column : columns->browser()->findChildren<QAbstractItemView *>()) {
        // The browser's own columns: its preview column has the model too.
        if (column->model() == columns->treeModel() && qobject_cast<MCBrowserColumn *>(column) &&
            column->isVisible() && columns->folderOfColumn(column)->filePath() == shown)
            return column;
    }
    return nullptr;
}

QStringList TestBrowserRename::selectedNames() const
{
    QStringList names;
    for (const MCNodePtr &node : shownView()->getSelectedItems())
        names.append(node->fileName());
    return names;
}

MCIconNameEditor *TestBrowserRename::editor() const
{
    const auto editors = shownView()->findChildren<MCIconNameEditor *>();
    for (MCIconNameEditor *field : editors) {
        if (field->isVisible())
            return field;
    }
    return nullptr;
}

QModelIndex TestBrowserRename::indexOf(const QString &name) const
{
    const QAbstractItemView *view = itemView();
    if (!view)
        return QModelIndex();
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
        const QModelIndex index = model->index(row, 0, view->rootIndex());
        if (index.data().toString() == name)
            return index;
    }
    return QModelIndex();
}

MCNodePtr TestBrowserRename::nodeAt(const QModelIndex &index)
{
    return index.data(MCNameEditingDelegate::NodeRole).value<MCNodePtr>();
}

MCIconNameEditor *TestBrowserRename::startEditing(const QString &name)
{
    const QModelIndex index = indexOf(name);
    if (!index.isValid())
        return nullptr;
    QAbstractItemView *view = itemView();
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QTest::keyClick(view, Qt::Key_Return);
    return QTest::qWaitFor([this] { return editor() != nullptr; }, 5000) ? editor() : nullptr;
}

void TestBrowserRename::typeName(const QString &name, Qt::Key end)
{
    MCIconNameEditor *field = editor();
    QVERIFY(field);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    // As one input event: QTest cannot spell every character as a key.
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, name, Qt::NoModifier);
    QCOMPARE(field->text(), name);
    QTest::keyClick(field, end);
    QTRY_VERIFY(!editor());
}

bool TestBrowserRename::settled(const QString &name) const
{
    const QModelIndex index = indexOf(name);
    const MCNodePtr node = nodeAt(index);
    return node && !node->isBusy() && !node->isPlaceholder() &&
           !(node->states() & (MCAbstractObjectNode::Syncing | MCAbstractObjectNode::Uploading)) &&
           (index.flags() & Qt::ItemIsSelectable);
}

bool TestBrowserRename::placeholderShown(const QString &name) const
{
    const MCNodePtr node = nodeAt(indexOf(name));
    return node && node->isPlaceholder();
}

void TestBrowserRename::addUntitledFolder(const QString &name)
{
    // As the File menu's New Folder makes it.
    const QSharedPointer<MCFakeNode> folder =
        MCFakeNode::create(QStringLiteral("/Work"), name, true);
    folder->setStates(MCAbstractObjectNode::Uploading);
    icons()->addPlaceholderNode(folder, QStringLiteral("/Work/") + name, true);
}

void TestBrowserRename::initTestCase()
{
    QVERIFY(m_server.start());
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(addDemoTree(m_server, email));
    for (const char *name : {"report.pdf", "notes.txt", "plan.txt", "README"})
        QVERIFY(!m_server.seedFile(email, QStringLiteral("/Work/") + name, name).isEmpty());
    for (const char *view : {"icon", "list", "column"}) {
        for (const char *name : {"Sunset.jpg", "Lake.jpg"})
            QVERIFY(!m_server.seedFile(email, QStringLiteral("/Views/%1/%2").arg(view, name), name)
                         .isEmpty());
    }
    for (const char *name : {"Sunset.jpg", "Lake.jpg"})
        QVERIFY(!m_server.seedFile(email, QStringLiteral("/Fresh/column/") + name, name).isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    MCManager::sharedManager()->changeToPath(QStringLiteral("/Work"), this);
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("report.pdf")), 30000);
}

void TestBrowserRename::renameGoesToTheServiceAndShowsUntilConfirmed()
{
    // A name without an extension is selected whole.
    MCIconNameEditor *field = startEditing(QStringLiteral("README"));
    QVERIFY(field);
    QTRY_COMPARE(field->selectedText(), QStringLiteral("README"));
    typeName(QStringLiteral("README"), Qt::Key_Escape);
    QVERIFY(settled(QStringLiteral("README")));

    field = startEditing(QStringLiteral("report.pdf"));
    QVERIFY(field);
    QCOMPARE(field->text(), QStringLiteral("report.pdf"));
    QTRY_COMPARE(field->selectedText(), QStringLiteral("report"));
    // Typing replaces the base name and keeps the extension. The service holds its answer a
    // moment, so the waiting state can be seen.
    QVERIFY(m_server.delay(RenamePath, 1500));
    QTest::keyClicks(field, QStringLiteral("summary"));
    QCOMPARE(field->text(), QStringLiteral("summary.pdf"));
    // An update of the item meanwhile (its thumbnail, a badge) keeps what was typed.
    const QModelIndex edited = indexOf(QStringLiteral("report.pdf"));
    emit icons()->itemModel()->dataChanged(edited, edited);
    QCOMPARE(field->text(), QStringLiteral("summary.pdf"));
    QTest::keyClick(field, Qt::Key_Return);
    // A listing that resets the view right after Return leaves the name as typed.
    icons()->collectionView()->reset();
    QTRY_VERIFY(!editor());

    QTRY_VERIFY(indexOf(QStringLiteral("summary.pdf")).isValid());
    const QModelIndex waiting = indexOf(QStringLiteral("summary.pdf"));
    QVERIFY(waiting.data(MCIconItemModel::StatesRole).toULongLong() &
            MCAbstractObjectNode::Syncing);
    QVERIFY(waiting.data(MCIconItemModel::BusyRole).toBool());
    QVERIFY(!waiting.data(MCIconItemModel::BadgeRole).value<QPixmap>().isNull());
    QVERIFY(!(waiting.flags() & Qt::ItemIsSelectable));

    // Confirmed by the service's own change report.
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("summary.pdf")), 30000);
    QVERIFY(!indexOf(QStringLiteral("report.pdf")).isValid());
    const MCNodePtr node = icons()->itemModel()->nodeAt(indexOf(QStringLiteral("summary.pdf")));
    QCOMPARE(node->fileName(), QStringLiteral("summary.pdf"));
    QCOMPARE(node->filePath(), QStringLiteral("/Work/summary.pdf"));
    QCOMPARE(renamesIn(m_server.requests()),
             (QList<QPair<QString, QString>>{{"/Work/report.pdf", "/Work/summary.pdf"}}));
}

void TestBrowserRename::unusableAndTakenNamesAreRefusedBeforeSending()
{
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();
    const QString unusable = QStringLiteral("You can't use this filename, %1. Please choose "
                                            "another name.");
    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("a/b.txt"), unusable.arg("because some chars are not allowed")},
        // Only dots: refused without a word.
        {QStringLiteral(".."), QString()},
        {QStringLiteral("plan.txt"),
         QStringLiteral("The name \u201C\u2068plan.txt\u2069\u201D, is already "
                        "taken. Please choose a different name.")},
        // Unchanged: nothing to do.
        {QStringLiteral("notes.txt"), QString()},
    };
    for (const auto &entry : cases) {
        QVERIFY(startEditing(QStringLiteral("notes.txt")));
        const int alertsBefore = m_shell.alerts.alerts().size();
        typeName(entry.first);
        QVERIFY2(settled(QStringLiteral("notes.txt")), qPrintable(entry.first));
        if (entry.second.isEmpty()) {
            QCOMPARE(m_shell.alerts.alerts().size(), alertsBefore);
            continue;
        }
        QCOMPARE(m_shell.alerts.alerts().size(), alertsBefore + 1);
        const Alert warning = m_shell.alerts.alerts().last();
        QCOMPARE(warning.messageText, entry.second);
        QCOMPARE(warning.windowTitle, entry.first == QLatin1String("plan.txt")
                                          ? QStringLiteral("New Folder Warning")
                                          : QStringLiteral("Rename Warning"));
        QVERIFY(m_shell.alerts.answer(0));
    }
    // Escape leaves the name as it was.
    QVERIFY(startEditing(QStringLiteral("notes.txt")));
    typeName(QStringLiteral("changed.txt"), Qt::Key_Escape);
    QVERIFY(settled(QStringLiteral("notes.txt")));
    QVERIFY(!indexOf(QStringLiteral("changed.txt")).isValid());
    QVERIFY(renamesIn(m_server.requests()).isEmpty());
}

void TestBrowserRename::refusedRenameLeavesTheItemUsable()
{
    // Refusals with a reason, with the "exists" status, with a body that is no JSON, a service
    // that takes the request and stays silent (the stall timeout is shortened for this suite,
    // see main()), and a dropped connection.
    const QList<std::function<bool()>> faults = {
        [this] { return m_server.forceStatus(RenamePath, 500, R"({"errors":["Refused"]})"); },
        [this] { return m_server.forceStatus(RenamePath, 412, "{}"); },
        [this] {
            return m_server.forceStatus(RenamePath, 403, "<html>no</html>", 1, {}, "text/html");
        },
        [this] { return m_server.hang(RenamePath); },
        [this] { return m_server.drop(RenamePath, -1); },
    };
    int sent = 0;
    for (int i = 0; i < faults.size(); ++i) {
        QVERIFY(m_server.clearRequests());
        QVERIFY(faults.at(i)());
        QVERIFY(startEditing(QStringLiteral("plan.txt")));
        typeName(QStringLiteral("moved.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(!renamesIn(m_server.requests()).isEmpty(), 30000);
        QTRY_VERIFY2_WITH_TIMEOUT(settled(QStringLiteral("plan.txt")),
                                  qPrintable(QString::number(i)), 30000);
        QVERIFY(!indexOf(QStringLiteral("moved.txt")).isValid());
        ++sent;
    }
    QCOMPARE(sent, faults.size());

    // The same item renames once the service takes it.
    QVERIFY(m_server.reset());
    QVERIFY(startEditing(QStringLiteral("plan.txt")));
    typeName(QStringLiteral("moved.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("moved.txt")), 30000);
    QVERIFY(!indexOf(QStringLiteral("plan.txt")).isValid());
}

void TestBrowserRename::renameThatFailedOfflineNeverHappensLater()
{
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    m_server.stop();
    QVERIFY(startEditing(QStringLiteral("notes.txt")));
    typeName(QStringLiteral("later.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("notes.txt")), 30000);
    QVERIFY(!indexOf(QStringLiteral("later.txt")).isValid());

    // The service comes back: the failed rename stays failed, and the next one is the only
    // one the service gets.
    QVERIFY(m_server.restart());
    QTRY_VERIFY_WITH_TIMEOUT(window->hasBanner() && !window->banner()->isVisible(), 30000);
    QVERIFY(startEditing(QStringLiteral("notes.txt")));
    typeName(QStringLiteral("kept.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("kept.txt")), 30000);
    QCOMPARE(renamesIn(m_server.requests()),
             (QList<QPair<QString, QString>>{{"/Work/notes.txt", "/Work/kept.txt"}}));
    QVERIFY(!indexOf(QStringLiteral("later.txt")).isValid());
}

void TestBrowserRename::newFolderIsNamedThenCreated()
{
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();
    const auto mkdirs = [this] {
        QStringList paths;
        for (const QJsonValue &entry : m_server.requests()) {
            const QString path = entry.toObject().value("path").toString();
            if (path.startsWith(QLatin1String("/api/v1/objects/mkdir")))
                paths.append(path.mid(int(strlen("/api/v1/objects/mkdir"))));
        }
        return paths;
    };

    // Named first, then created under the chosen name.
    addUntitledFolder(QStringLiteral("Untitled Folder"));
    QTRY_VERIFY(editor());
    QTRY_COMPARE(editor()->selectedText(), QStringLiteral("Untitled Folder"));
    QVERIFY(placeholderShown(QStringLiteral("Untitled Folder")));
    QVERIFY(mkdirs().isEmpty());
    typeName(QStringLiteral("Projects"));
    QTRY_COMPARE(mkdirs(), QStringList{"/Work/Projects"});
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Projects")), 30000);
    QVERIFY(!indexOf(QStringLiteral("Untitled Folder")).isValid());

    // Escape keeps the name it was given.
    addUntitledFolder(QStringLiteral("Untitled Folder"));
    QTRY_VERIFY(editor());
    typeName(QStringLiteral("Ignored"), Qt::Key_Escape);
    QTRY_COMPARE(mkdirs().last(), QStringLiteral("/Work/Untitled Folder"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Untitled Folder")), 30000);

    // A taken name is warned about, and the folder is created under its own name.
    addUntitledFolder(QStringLiteral("Untitled Folder 2"));
    QTRY_VERIFY(editor());
    typeName(QStringLiteral("Projects"));
    QCOMPARE(m_shell.alerts.alerts().size(), 1);
    QCOMPARE(m_shell.alerts.alerts().first().windowTitle, QStringLiteral("New Folder Warning"));
    QVERIFY(m_shell.alerts.answer(0));
    QTRY_COMPARE(mkdirs().last(), QStringLiteral("/Work/Untitled Folder 2"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Untitled Folder 2")), 30000);

    // A name the service already has (not shown here yet): the folder waits to be named
    // again, and is made under the next name chosen.
    QVERIFY(
        m_server.forceStatus(QStringLiteral("/api/v1/objects/mkdir/Work/Elsewhere"), 412, "{}"));
    addUntitledFolder(QStringLiteral("Untitled Folder 4"));
    QTRY_VERIFY(editor());
    typeName(QStringLiteral("Elsewhere"));
    QTRY_VERIFY(placeholderShown(QStringLiteral("Elsewhere")) &&
                !indexOf(QStringLiteral("Elsewhere")).data(MCIconItemModel::BusyRole).toBool());
    QVERIFY(startEditing(QStringLiteral("Elsewhere")));
    typeName(QStringLiteral("Renamed"));
    QTRY_COMPARE(mkdirs().last(), QStringLiteral("/Work/Renamed"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Renamed")), 30000);
    QVERIFY(!indexOf(QStringLiteral("Elsewhere")).isValid());

    // A folder the service refuses to make goes away. (The sheets before it are closed: the
    // window shows one at a time.)
    while (m_shell.alerts.pendingCount() > 0)
        QVERIFY(m_shell.alerts.answer(0));
    const int alertsBefore = m_shell.alerts.alerts().size();
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/objects/mkdir/Work/Refused"), 500,
                                 R"({"errors":["No"]})"));
    addUntitledFolder(QStringLiteral("Untitled Folder 3"));
    QTRY_VERIFY(editor());
    typeName(QStringLiteral("Refused"));
    QTRY_COMPARE(mkdirs().last(), QStringLiteral("/Work/Refused"));
    QTRY_VERIFY_WITH_TIMEOUT(!indexOf(QStringLiteral("Refused")).isValid(), 30000);
    // The alert says what failed, then the service's words as the reason.
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.alerts().size(), alertsBefore + 1, 30000);
    QCOMPARE(m_shell.alerts.alerts().last().messageText,
             QStringLiteral("Could not create the folder '/Work/Refused'"));
    QCOMPARE(m_shell.alerts.alerts().last().informativeText,
             QStringLiteral("The service said: \u2068No\u2069"));
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(m_shell.alerts.pendingCount(), 0);
    QVERIFY(!indexOf(QStringLiteral("Untitled Folder 3")).isValid());
    QCOMPARE(icons()->shownNames().count(QStringLiteral("Projects")), 1);
}

void TestBrowserRename::newExtensionShowsTheNewKind()
{
    MCManager::sharedManager()->changeToPath(QStringLiteral("/Documents"), this);
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Welcome.txt")), 30000);
    const QModelIndex text = indexOf(QStringLiteral("Welcome.txt"));
    const QString textKind = text.data(MCIconItemModel::KindRole).toString();
    QVERIFY(!textKind.isEmpty());

    QVERIFY(startEditing(QStringLiteral("Welcome.txt")));
    typeName(QStringLiteral("Welcome.pdf"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Welcome.pdf")), 30000);
    const QModelIndex pdf = indexOf(QStringLiteral("Welcome.pdf"));
    const QString pdfKind = pdf.data(MCIconItemModel::KindRole).toString();
    QVERIFY2(pdfKind != textKind && pdfKind.contains(QStringLiteral("PDF")), qPrintable(pdfKind));
    QCOMPARE(icons()->itemModel()->nodeAt(pdf)->fileIcon().cacheKey(),
             MCWorkspace::iconForFileType(QStringLiteral("pdf")).cacheKey());

    // Another device writes the same path: still one row, of the new kind.
    QVERIFY(!m_server
                 .seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/Documents/Welcome.pdf"),
                           "%PDF-1.4 from elsewhere")
                 .isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        indexOf(QStringLiteral("Welcome.pdf")).data(MCIconItemModel::SizeRole).toLongLong() ==
            qlonglong(strlen("%PDF-1.4 from elsewhere")),
        30000);
    QCOMPARE(icons()->shownNames().count(QStringLiteral("Welcome.pdf")), 1);
    QCOMPARE(indexOf(QStringLiteral("Welcome.pdf")).data(MCIconItemModel::KindRole).toString(),
             pdfKind);
}

void TestBrowserRename::eachViewRenamesAndNamesNewFolders_data()
{
    QTest::addColumn<int>("view");
    QTest::newRow("icon") << 0;
    QTest::newRow("list") << 1;
    QTest::newRow("column") << 2;
}

void TestBrowserRename::eachViewRenamesAndNamesNewFolders()
{
    QFETCH(int, view);
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    const QString folder = QStringLiteral("/Views/") + QTest::currentDataTag();
    // The view is chosen from the View menu's keys; the folder is opened from its parent as a
    // user opens it (in the column view the folders stay in the columns to the left).
    m_view = view;
    QTest::keyClick(window, Qt::Key(Qt::Key_1 + view), Qt::ControlModifier);
    QTRY_VERIFY(shownView()->isVisible());
    MCManager::sharedManager()->changeToPath(QStringLiteral("/Views"), this);
    QTRY_VERIFY_WITH_TIMEOUT(MCManager::sharedManager()->currentPath() == "/Views" &&
                                 settled(QTest::currentDataTag()),
                             30000);
    const QModelIndex child = indexOf(QTest::currentDataTag());
    QAbstractItemView *parentView = itemView();
    const QPoint at = parentView->visualRect(child).center();
    QTest::mouseClick(parentView->viewport(), Qt::LeftButton, {}, at);
    if (view != 2)
        QTest::mouseDClick(parentView->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY_WITH_TIMEOUT(MCManager::sharedManager()->currentPath() == folder &&
                                 settled(QStringLiteral("Sunset.jpg")),
                             30000);
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();

    // A name taken in the folder is refused before anything is sent.
    QVERIFY(startEditing(QStringLiteral("Sunset.jpg")));
    typeName(QStringLiteral("Lake.jpg"));
    QStringList said;
    for (const Alert &alert : m_shell.alerts.alerts())
        said.append(alert.messageText + QLatin1Char('/') + alert.informativeText);
    QCOMPARE(said, QStringList{QStringLiteral("The name \u201C\u2068Lake.jpg\u2069\u201D, is "
                                              "already taken. Please choose a different name./")});
    QVERIFY(m_shell.alerts.answer(0));
    QVERIFY(settled(QStringLiteral("Sunset.jpg")));

    // The typed name replaces the base name; the rename is sent and shown once confirmed.
    MCIconNameEditor *field = startEditing(QStringLiteral("Sunset.jpg"));
    QVERIFY(field);
    QTRY_COMPARE(field->selectedText(), QStringLiteral("Sunset"));
    QTest::keyClicks(field, QStringLiteral("Dawn"));
    QCOMPARE(field->text(), QStringLiteral("Dawn.jpg"));
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_VERIFY(!editor());
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Dawn.jpg")), 30000);
    QVERIFY(!indexOf(QStringLiteral("Sunset.jpg")).isValid());
    QCOMPARE(renamesIn(m_server.requests()),
             (QList<QPair<QString, QString>>{{folder + "/Sunset.jpg", folder + "/Dawn.jpg"}}));

    // New Folder names the folder in place; Return makes it under the name typed, Escape under
    // the name it was given. Either way no placeholder stays behind.
    const auto mkdirs = [this] {
        QStringList paths;
        for (const QJsonValue &entry : m_server.requests()) {
            const QString path = entry.toObject().value("path").toString();
            if (path.startsWith(QLatin1String("/api/v1/objects/mkdir")))
                paths.append(path.mid(int(strlen("/api/v1/objects/mkdir"))));
        }
        return paths;
    };
    const struct
    {
        Qt::Key end;
        QString made;
    } endings[] = {{Qt::Key_Return, QStringLiteral("Made")},
                   {Qt::Key_Escape, QStringLiteral("Untitled Folder")}};
    for (const auto &ending : endings) {
        shownView()->firstResponder()->setFocus();
        QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(editor());
        QTRY_COMPARE(editor()->selectedText(), QStringLiteral("Untitled Folder"));
        QVERIFY(placeholderShown(QStringLiteral("Untitled Folder")));
        typeName(QStringLiteral("Made"), ending.end);
        QTRY_COMPARE(mkdirs().value(mkdirs().size() - 1), folder + QLatin1Char('/') + ending.made);
        QTRY_VERIFY_WITH_TIMEOUT(settled(ending.made), 30000);
        // Made, it is the one item selected.
        QTRY_COMPARE(selectedNames(), QStringList{ending.made});
    }
    QCOMPARE(mkdirs().size(), 2);
    QCOMPARE(shownView()->shownNames().count(QStringLiteral("Untitled Folder")), 1);
    QCOMPARE(shownView()->shownNames().count(QStringLiteral("Made")), 1);

    // A new folder the service refuses goes, and the status bar counts what the view shows,
    // not the folder that went.
    const auto counted = [this] {
        const QString text = m_shell.delegate()->bottomViewController()->infoTextField()->text();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^(?:\\d+ of )?(\\d+) ")).match(text);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    QTRY_COMPARE(counted(), shownView()->shownNames().size());
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/objects/mkdir") + folder +
                                     QStringLiteral("/Refused"),
                                 500, R"({"errors":["No"]})"));
    shownView()->firstResponder()->setFocus();
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(editor());
    QTRY_COMPARE(counted(), shownView()->shownNames().size());
    typeName(QStringLiteral("Refused"));
    QTRY_COMPARE(mkdirs().value(mkdirs().size() - 1), folder + QStringLiteral("/Refused"));
    // The refusal's own alert, the only one shown.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_shell.alerts.pendingAlert().messageText,
        QStringLiteral("Could not create the folder '%1/Refused'").arg(folder), 30000);
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(m_shell.alerts.pendingCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!indexOf(QStringLiteral("Refused")).isValid(), 30000);
    QCOMPARE(counted(), shownView()->shownNames().size());
    m_view = 0;
    QTest::keyClick(window, Qt::Key_1, Qt::ControlModifier);
    QTRY_VERIFY(icons()->isVisible());
}

void TestBrowserRename::columnPreviewFollowsTheSelectedItem()
{
    // The preview column shows the file selected, under its name now: also after a rename in
    // place, before any new listing.
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    m_view = 2;
    QTest::keyClick(window, Qt::Key_3, Qt::ControlModifier);
    QTRY_VERIFY(shownView()->isVisible());
    auto *columns = qobject_cast<MCColumnController *>(shownView());
    MCManager::sharedManager()->changeToPath(QStringLiteral("/Fresh/column"), this);
    QTRY_VERIFY_WITH_TIMEOUT(MCManager::sharedManager()->currentPath() == "/Fresh/column" &&
                                 settled(QStringLiteral("Lake.jpg")),
                             30000);
    MCLeafController *leaf = columns->leafController();
    const auto previewName = [leaf] {
        return leaf->isVisible() && leaf->currentNode()
                   ? leaf->properties()->item(0, 1)->text() + QLatin1Char('|') +
                         leaf->currentNode()->fileName()
                   : QString();
    };
    QAbstractItemView *view = itemView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(indexOf(QStringLiteral("Lake.jpg"))).center());
    QTRY_COMPARE(previewName(), QStringLiteral("Lake.jpg|Lake.jpg"));

    QTest::keyClick(itemView(), Qt::Key_F2);
    QTRY_VERIFY(editor());
    typeName(QStringLiteral("Pond.jpg"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Pond.jpg")), 30000);
    QTRY_COMPARE(previewName(), QStringLiteral("Pond.jpg|Pond.jpg"));
    const MCNodeList selected = columns->getSelectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->fileName(), QStringLiteral("Pond.jpg"));

    // New Folder selects its new row: the preview never shows a neighbour left unselected,
    // while the name is typed or once the folder is made.
    const auto previewFollowsSelection = [&] {
        const QString shown = previewName();
        const MCNodeList now = columns->getSelectedItems();
        return shown.isEmpty() ||
               (now.size() == 1 && shown.endsWith(QLatin1Char('|') + now.first()->fileName()));
    };
    columns->firstResponder()->setFocus();
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(editor());
    QTRY_COMPARE(editor()->selectedText(), QStringLiteral("Untitled Folder"));
    QVERIFY2(previewFollowsSelection(), qPrintable(previewName()));
    typeName(QStringLiteral("Shelf"));
    QTRY_VERIFY_WITH_TIMEOUT(settled(QStringLiteral("Shelf")), 30000);
    QVERIFY2(previewFollowsSelection(), qPrintable(previewName()));
    QVERIFY(!previewName().startsWith(QLatin1String("Pond.jpg")));
    // Made, the folder is selected and shown as a chosen folder is: its column follows, the
    // file's preview goes.
    QTRY_COMPARE(selectedNames(), QStringList{"Shelf"});
    const MCNodePtr current = columns->treeModel()->nodeAt(columns->browser()->currentIndex());
    QVERIFY(current && current->fileName() == QLatin1String("Shelf"));
    QTRY_VERIFY(!leaf->isVisible());
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    qputenv("LUMARIN_STALL_TIMEOUT_MS", "5000");
    QApplication app(argc, argv);
    TestBrowserRename test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserrename.moc"
