// Names put in by another device, each made to trip a widget that takes a name for anything but
// text, run through the widgets of a signed-in shell that show one: the window title and the
// path bar (the window keeps its width), the icon view's labels and tooltips, the context menu
// and the Open With chooser, the alert of a refused delete, the errors page and the transfers
// page.
#include "hostilenames.h"
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcapplicationchooser.h"
#include "mcerrorscontroller.h"
#include "mcerrorsmodel.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuselection.h"
#include "mcoperation.h"
#include "mcpathbarcontroller.h"
#include "mcstring.h"
#include "mctablequeuecontroller.h"
#include "mctablequeuemodel.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QWindow>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString Email = QString::fromLatin1(DemoEmail);
const QString Files = QStringLiteral("/Hostile");
const QString Folders = QStringLiteral("/Hostile folders");

QString shown(const QString &name)
{
    return MCString::stringForName(name);
}

QAction *item(QMenu *menu, const char *name)
{
    return menu ? menu->findChild<QAction *>(QLatin1String(name)) : nullptr;
}

} // namespace

class TestHostileNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleAndPathBarShowFolderNamesAsText();
    void iconViewShowsNamesAsText();
    void contextMenuAndChooserShowNamesAsText();
    void alertsAndPagesShowNamesAsText();

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    QWidget *viewport() const { return icons()->collectionView()->viewport(); }
    QMenu *rightClick(const QString &name);
    void closeMenus();

    KerloLocal m_server;
    Shell m_shell;
    QTemporaryDir m_downloads;
};

void TestHostileNames::initTestCase()
{
    QVERIFY(m_downloads.isValid());
    QVERIFY(m_server.start());
    for (const HostileName &hostile : hostileNames()) {
        QVERIFY2(!m_server.seedFile(Email, Files + '/' + hostile.name, "x").isEmpty(),
                 hostile.what);
        QVERIFY2(
            !m_server.seedFile(Email, Folders + '/' + hostile.name + "/inside.txt", "x").isEmpty(),
            hostile.what);
    }
    // The name a zero-width space would pass for.
    QVERIFY(!m_server.seedFile(Email, Files + QStringLiteral("/report.txt"), "x").isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(900, 640)));
}

QMenu *TestHostileNames::rightClick(const QString &name)
{
    const QPoint at = centreOf(icons(), name);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport()->mapToGlobal(at));
    QApplication::sendEvent(viewport(), &event);
    QMenu *menu = MCManager::sharedManager()->menuSelection();
    return menu->isVisible() ? menu : nullptr;
}

void TestHostileNames::closeMenus()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu *>(widget) && widget->isVisible())
            widget->hide();
    }
    QCoreApplication::processEvents();
}

void TestHostileNames::titleAndPathBarShowFolderNamesAsText()
{
    const int width = window()->width();
    MCPathbarController *bar = window()->pathBar();
    for (const HostileName &hostile : hostileNames()) {
        QVERIFY2(showFolder(icons(), Folders + '/' + hostile.name, "inside.txt"), hostile.what);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        // The last component is the folder, its name drawn as text, each component on its own.
        const QString last = bar->componentTitle(bar->componentCount() - 1);
        QCOMPARE(last, shown(hostile.name));
        QVERIFY2(readsInOrder(last), hostile.what);
        // The title bar shows the name itself, "[*]" included.
        QCOMPARE(window()->windowHandle()->title(), shown(hostile.name));
        // A long or huge name is cut in the bar; the window never grows for it.
        QCOMPARE(window()->width(), width);
        QVERIFY2(window()->minimumSizeHint().width() <= width, hostile.what);
    }
}

void TestHostileNames::iconViewShowsNamesAsText()
{
    QVERIFY(showFolder(icons(), Files, shown(hostileNames().first().name)));
    MCIconItemModel *model = icons()->itemModel();
    for (const HostileName &hostile : hostileNames()) {
        const QModelIndex index = model->indexOfPath(Files + '/' + hostile.name);
        QVERIFY2(index.isValid(), hostile.what);
        const QString label = index.data(Qt::DisplayRole).toString();
        QVERIFY2(readsInOrder(label), hostile.what);
        QCOMPARE(label, shown(hostile.name));
        QCOMPARE(toolTipText(index.data(Qt::ToolTipRole).toString()), shown(hostile.name));
        // Renaming starts from the name itself.
        QCOMPARE(index.data(Qt::EditRole).toString(), hostile.name);
    }
    // No two rows read alike to the eye, which does not see format characters.
    QSet<QString> labels;
    for (int row = 0; row < model->rowCount(); ++row) {
        QString seen;
        for (const uint u : model->index(row, 0).data(Qt::DisplayRole).toString().toUcs4()) {
            if (QChar::category(u) != QChar::Other_Format)
                seen += QString::fromUcs4(&u, 1);
        }
        QVERIFY2(!labels.contains(seen), qPrintable(seen));
        labels.insert(seen);
    }
    QCOMPARE(labels.size(), hostileNames().size() + 1);
}

void TestHostileNames::contextMenuAndChooserShowNamesAsText()
{
    QVERIFY(showFolder(icons(), Files, shown(hostileNames().first().name)));
    for (const HostileName &hostile : hostileNames()) {
        QMenu *menu = rightClick(shown(hostile.name));
        QVERIFY2(menu, hostile.what);
        const QString copy = item(menu, "menuItemCopy")->text();
        QVERIFY2(hasNoMnemonic(copy), qPrintable(copy));
        QVERIFY2(readsInOrder(copy), hostile.what);
        QVERIFY2(copy.contains(MCString::stringByEscapingMnemonics(shown(hostile.name).left(10))),
                 hostile.what);

        // Open With's "Other..." names the document in its message, as text.
        QAction *openWith = item(menu, "menuItemOpenWith");
        QVERIFY(openWith && openWith->menu());
        menu->setActiveAction(openWith);
        QTest::keyClick(menu, Qt::Key_Right);
        QTRY_VERIFY(openWith->menu()->isVisible());
        QAction *other = item(openWith->menu(), "menuItemOpenWithOther");
        QVERIFY(other);
        other->trigger();
        closeMenus();
        MCApplicationChooser *chooser = nullptr;
        QTRY_VERIFY(chooser = window()->findChild<MCApplicationChooser *>());
        const QList<QLabel *> labels = chooser->findChildren<QLabel *>();
        QVERIFY(!labels.isEmpty());
        QLabel *message = labels.first();
        QCOMPARE(message->textFormat(), Qt::PlainText);
        QVERIFY2(message->text().contains(shown(hostile.name)), hostile.what);
        QVERIFY2(readsInOrder(message->text()), hostile.what);
        chooser->close();
        QTRY_VERIFY(!window()->findChild<MCApplicationChooser *>());
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
    }
}

void TestHostileNames::alertsAndPagesShowNamesAsText()
{
    QVERIFY(showFolder(icons(), Files, shown(hostileNames().first().name)));
    MCErrorsModel *errors = window()->findChild<MCErrorsController *>()->errors();
    MCTableQueueModel *transfers = window()->findChild<MCTableQueueController *>()->model();
    QVERIFY(errors && transfers);
    MCManager *hub = MCManager::sharedManager();
    for (const HostileName &hostile : hostileNames()) {
        const QString path = Files + '/' + hostile.name;
        // A refused delete: one alert and one line on the errors page, both in order.
        m_shell.alerts.clearRecord();
        QVERIFY(m_server.forceStatus("/api/v1/objects/delete", 503, "{}", 1, "POST"));
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(icons(), shown(hostile.name)));
        QTest::keyClick(icons()->collectionView(), Qt::Key_Delete);
        QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
        QVERIFY(m_shell.alerts.answer(QStringLiteral("Delete")));
        QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 30000);
        const QString said = m_shell.alerts.pendingAlert().messageText;
        QVERIFY2(said.startsWith(QStringLiteral("Could not delete")), qPrintable(said));
        QVERIFY2(readsInOrder(said), hostile.what);
        QVERIFY(m_shell.alerts.answer(0));
        const QModelIndex logged =
            errors->index(errors->rowCount() - 1, MCErrorsModel::ErrorColumn);
        QVERIFY2(readsInOrder(logged.data().toString()), hostile.what);
        QCOMPARE(toolTipText(logged.data(Qt::ToolTipRole).toString()), logged.data().toString());

        // A download's row on the transfers page.
        hub->downloadFileAtPath(path, m_downloads.filePath(QString::number(qHash(path))));
        const auto row = [&]() -> QModelIndex {
            for (int i = 0; i < transfers->rowCount(); ++i) {
                const MCOperation *operation = transfers->operationAt(i);
                if (operation->type() == MCOperation::Download && operation->sourcePath() == path)
                    return transfers->index(i, MCTableQueueModel::StatusColumn);
            }
            return {};
        };
        QTRY_VERIFY2_WITH_TIMEOUT(row().isValid(), hostile.what, 30000);
        QCOMPARE(row().data().toString(), shown(hostile.name));
        QVERIFY2(readsInOrder(row().data(MCTableQueueModel::SecondLineRole).toString()),
                 hostile.what);
    }
    // Refused, every item stayed.
    for (const HostileName &hostile : hostileNames())
        QVERIFY2(icons()->shownNames().contains(shown(hostile.name)), hostile.what);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestHostileNames test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostilenames.moc"
