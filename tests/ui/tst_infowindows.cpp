// Get Info and Quick Look in a signed-in shell against kerlo-local's demo tree, used as a person
// would: Get Info from the File menu's key, one window per path, its sections opening and
// closing; Space on a selection opens the preview window, which draws a picture, a text and a
// PDF from the files themselves, follows the arrow keys, shows a strip for several items and
// closes on Escape or Space; names from the service stay plain text. Then the pieces that
// have no service behind them: the preview of files too large or unreadable, and the
// window strip's placement.
#include "fixtureapplications.h"
#include "iconviewsteps.h"
#include "info/mcgetinfowindowcontroller.h"
#include "kerlolocal.h"
#include "list/mclistcontroller.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mcgotofolderpanel.h"
#include "mciconcontroller.h"
#include "mcimages.h"
#include "mclistcellleftidentation.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenufile.h"
#include "mcmenuview.h"
#include "mcstring.h"
#include "mctitlebar.h"
#include "mcviewchoice.h"
#include "mcviewoptionscontroller.h"
#include "mczoomeffect.h"
#include "quicklook/mcfilepreviewview.h"
#include "quicklook/mcimagebrowserview.h"
#include "quicklook/mcquicklookcontroller.h"
#include "quicklook/mcquicklookitemmodel.h"
#include "quicklook/mcquicklookview.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QComboBox>
#include <QDataStream>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionToolButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString Email = QString::fromLatin1(DemoEmail);
// Markup, an ampersand, a right-to-left override and an emoji in one name.
const QString HostileName = QStringLiteral("<b>Tom & Jerry<br> \u202Egnp.exe \U0001F600.txt");
const QString LongName =
    QStringLiteral("Quarterly figures of every branch office, reviewed and approved twice.txt");

QString labelText(QWidget *window, const char *name)
{
    auto *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

// What of each visible text of window is cut: its name and the width it needs beside the width
// it has. A text cut on purpose ends in an ellipsis; a label that wraps has any width.
QStringList cutTexts(QWidget *window)
{
    QStringList cut;
    const auto check = [&cut](QWidget *widget, const QString &text, int needed, int has) {
        if (needed > has)
            cut.append(QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                           .arg(widget->objectName(), text)
                           .arg(needed)
                           .arg(has));
    };
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->wordWrap() || label->text().isEmpty() ||
            label->text().endsWith(QChar(0x2026)))
            continue;
        check(label, label->text(), label->fontMetrics().horizontalAdvance(label->text()),
              label->contentsRect().width() - 2 * label->margin());
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(window) && !button->text().isEmpty())
            check(button, button->text(), button->sizeHint().width(), button->width());
    }
    for (QComboBox *pop : window->findChildren<QComboBox *>()) {
        if (pop->isVisibleTo(window))
            check(pop, pop->currentText(), pop->minimumSizeHint().width(), pop->width());
    }
    return cut;
}

QList<MCGetInfoWindowController *> infoWindows()
{
    QList<MCGetInfoWindowController *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<MCGetInfoWindowController *>(widget);
            window && window->isVisible())
            windows.append(window);
    }
    return windows;
}

} // namespace

class TestInfoWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void getInfoKeepsOneWindowPerPath();
    void getInfoSectionsOpenAndClose();
    void getInfoPreviewFitsTheWindow();
    void smallWindowsCloseOnEscapeAndCtrlW();
    void smallWindowsOpenOverTheWindowWholeAndInTurn();
    void smallWindowsAndListColumnsShowTheirTextsWhole();
    void quickLookDrawsTheFilesOfTheSelection();
    void quickLookStripShowsSeveralItems();
    void quickLookKeepsTheThumbnailWhenTheFileCannotComeDown();
    void namesFromTheServiceArePlainText();
    void previewRefusesWhatItCannotDraw();
    void titleBarKeepsItsEdges();

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    QListView *iconView() const { return icons()->collectionView(); }
    MCQuickLookController *quickLook() const { return m_shell.delegate()->quickLookController(); }
    bool enter(const QString &folder, const QString &child)
    {
        return showFolder(icons(), folder, child);
    }
    // Clicks the item and waits until the view has it selected.
    void select(const QString &name, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(iconView()->viewport(), Qt::LeftButton, modifiers,
                          centreOf(icons(), MCString::stringForName(name)));
        QVERIFY(QTest::qWaitFor([&] {
            const MCNodeList selected = icons()->getSelectedItems();
            return std::any_of(selected.begin(), selected.end(),
                               [&](const MCNodePtr &node) { return node->fileName() == name; });
        }));
    }
    // The key pressed in the icon view, as the window's shortcuts see it.
    void press(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(iconView(), Qt::Key(key), modifiers);
    }
    bool quickLookShows(const QString &path, MCFilePreviewView::Shown shown);

    KerloLocal m_server;
    Shell m_shell;
};

void TestInfoWindows::initTestCase()
{
    QVERIFY(installApplications(
        {{"viewer", "Viewer & Co", "text/plain;application/pdf;"},
         {"pictures", "Picture Viewer With A Name Far Too Long For Any Button", "image/png;"}},
        "text/plain=viewer.desktop\napplication/pdf=viewer.desktop\nimage/png=pictures.desktop\n"));
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server, Email));
    QVERIFY(!m_server.seedFile(Email, QStringLiteral("/Documents/") + HostileName, "x").isEmpty());
    QVERIFY(
        !m_server
             .seedFile(Email, QStringLiteral("/Documents/Numbers.txt"), QByteArray(1234567, '7'))
             .isEmpty());
    QVERIFY(!m_server.seedFile(Email, QStringLiteral("/Documents/One.txt"), "1").isEmpty());
    QVERIFY(
        !m_server.seedFile(Email, QStringLiteral("/Documents/") + LongName, QByteArray(9999, 'q'))
             .isEmpty());
    QVERIFY(!m_server.seedFile(Email, QStringLiteral("/Documents/Unreachable.txt"), "far away")
                 .isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
}

void TestInfoWindows::init()
{
    for (MCGetInfoWindowController *info : infoWindows())
        info->close();
    if (quickLook() && quickLook()->isVisible())
        m_shell.delegate()->togglePreviewPanel();
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    iconView()->setFocus();
}

void TestInfoWindows::getInfoKeepsOneWindowPerPath()
{
    // At the root with nothing selected there is nothing to inspect.
    QVERIFY(enter(QStringLiteral("/"), QStringLiteral("Documents")));
    iconView()->clearSelection();
    window()->fileMenu()->updateMenu();
    QVERIFY(!window()->fileMenu()->findChild<QAction *>("menuItemGetInfo")->isEnabled());

    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Numbers.txt")));
    select(QStringLiteral("Numbers.txt"));
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 1);
    MCGetInfoWindowController *info = infoWindows().first();
    QCOMPARE(info->identifier(), QStringLiteral("/Documents/Numbers.txt"));
    QCOMPARE(info->windowTitle(), QStringLiteral("\u2068Numbers.txt\u2069 Info"));
    QCOMPARE(labelText(info, "textFieldFilename"), QStringLiteral("Numbers.txt"));
    QCOMPARE(labelText(info, "textFieldSize"), QStringLiteral("1.2 MB"));
    QCOMPARE(labelText(info, "textGeneralSize"),
             QLocale().toString(1234567) + QStringLiteral(" bytes"));
    QCOMPARE(labelText(info, "textGeneralWhere"), QStringLiteral("/Documents"));
    QVERIFY(labelText(info, "textFieldModified").startsWith(QStringLiteral("Modified: ")));
    QVERIFY(!labelText(info, "textGeneralKind").isEmpty());
    QCOMPARE(labelText(info, "textField1Title"), QStringLiteral("---"));
    QVERIFY(info->findChild<QLineEdit *>("textFieldRename")->isReadOnly());

    // A second Get Info raises the same window; another path gets its own, and one byte is
    // one "byte".
    press(Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(infoWindows().size(), 1);
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    select(QStringLiteral("One.txt"));
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 2);
    MCGetInfoWindowController *one =
        MCGetInfoWindowController::windowForPath(QStringLiteral("/Documents/One.txt"));
    QVERIFY(one);
    QCOMPARE(labelText(one, "textGeneralSize"), QStringLiteral("1 byte"));

    // Nothing selected: the folder shown, directly in the root.
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    iconView()->clearSelection();
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 3);
    MCGetInfoWindowController *folder =
        MCGetInfoWindowController::windowForPath(QStringLiteral("/Documents"));
    QVERIFY(folder);
    QCOMPARE(labelText(folder, "textFieldSize"), QStringLiteral("--"));
    QCOMPARE(labelText(folder, "textGeneralWhere"), QStringLiteral("Kerlo Home"));
    QVERIFY(labelText(folder, "textGeneralSize").endsWith(QStringLiteral(" items")));
    // The count is of the items shown, and follows the folder: a file another device adds,
    // then deletes.
    const long count = icons()->shownNames().size();
    QVERIFY(count > 1);
    QCOMPARE(labelText(folder, "textGeneralSize"), MCString::stringWithItemsCount(count));
    const QString arrived = QStringLiteral("/Documents/Arrived.txt");
    QVERIFY(!m_server.seedFile(Email, arrived, "new").isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(labelText(folder, "textGeneralSize"),
                              MCString::stringWithItemsCount(count + 1), 30000);
    QVERIFY(icons()->shownNames().contains(QStringLiteral("Arrived.txt")));
    QVERIFY(!m_server.deleteObject(Email, arrived).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(labelText(folder, "textGeneralSize"),
                              MCString::stringWithItemsCount(count), 30000);

    // Closed, the path gets a new window next time.
    one->close();
    QTRY_VERIFY(!MCGetInfoWindowController::windowForPath(QStringLiteral("/Documents/One.txt")));
}

void TestInfoWindows::getInfoSectionsOpenAndClose()
{
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    select(QStringLiteral("Welcome.txt"));
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 1);
    MCGetInfoWindowController *info = infoWindows().first();
    QVERIFY(QTest::qWaitForWindowExposed(info));
    const QRect before = info->geometry();
    const int maximum = info->currentWindowMaxHeight();
    QToolButton *preview = info->disclosureButton(MCGetInfoWindowController::Preview);
    QVERIFY(preview->isChecked() &&
            info->sectionView(MCGetInfoWindowController::Preview)->isVisible());

    // Closing the Preview section shrinks the window from the bottom by the section's height.
    QTest::mouseClick(preview, Qt::LeftButton);
    QVERIFY(!info->sectionView(MCGetInfoWindowController::Preview)->isVisible());
    const int shrunk = maximum - info->currentWindowMaxHeight();
    QVERIFY(shrunk > 100);
    QTRY_COMPARE(info->geometry().top(), before.top());
    QTRY_COMPARE(info->height(), before.height() - shrunk);
    QCOMPARE(info->maximumHeight(), info->currentWindowMaxHeight());

    // Opening it again gives every pixel back; More Info opens below it.
    QTest::mouseClick(preview, Qt::LeftButton);
    QCOMPARE(info->currentWindowMaxHeight(), maximum);
    QTRY_COMPARE(info->height(), before.height());
    QTest::mouseClick(info->disclosureButton(MCGetInfoWindowController::MoreInfo), Qt::LeftButton);
    QVERIFY(info->sectionView(MCGetInfoWindowController::MoreInfo)->isVisible());
    QVERIFY(info->currentWindowMaxHeight() > maximum);
}

void TestInfoWindows::getInfoPreviewFitsTheWindow()
{
    QVERIFY(enter(QStringLiteral("/Photos"), QStringLiteral("Sunset.jpg")));
    select(QStringLiteral("Sunset.jpg"));
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 1);
    MCGetInfoWindowController *info = infoWindows().first();
    QVERIFY(QTest::qWaitForWindowExposed(info));
    // Opened no taller than the screen, so that its title bar and its last section are both on it.
    const QRect available = info->screen()->availableGeometry();
    QVERIFY2(info->frameGeometry().height() <= available.height() &&
                 available.contains(info->frameGeometry().topLeft()),
             qPrintable(QStringLiteral("window %1 high on a screen %2 high")
                            .arg(info->frameGeometry().height())
                            .arg(available.height())));
    auto *image = info->findChild<QLabel *>("imagePreview");
    auto *scroll = info->findChild<QScrollArea *>("scrollView");
    QVERIFY(image && scroll);
    const auto pictureWidth = [image] {
        return image->pixmap(Qt::ReturnByValue).width();
    };
    // The large 4:3 thumbnail (not the square icon, nor the small thumbnail first shown) once
    // it has come, wider than the narrowest window leaves room for.
    QTRY_VERIFY_WITH_TIMEOUT(
        pictureWidth() > image->pixmap(Qt::ReturnByValue).height() && pictureWidth() > 200, 30000);

    // The whole picture and every section stay inside the window at each width.
    const auto fits = [&] {
        return pictureWidth() <= image->contentsRect().width() &&
               scroll->widget()->width() <= scroll->viewport()->width();
    };
    info->resize(info->minimumWidth(), info->height());
    QTRY_VERIFY(fits());
    const int narrow = pictureWidth();
    info->resize(info->maximumWidth(), info->height());
    QTRY_VERIFY(pictureWidth() > narrow);
    QVERIFY(fits());
    // Never drawn above the thumbnail's own size.
    QVERIFY(pictureWidth() <= 512);
}

void TestInfoWindows::smallWindowsOpenOverTheWindowWholeAndInTurn()
{
    // The window away from the screen's edges, with room around it.
    const QRect available = window()->screen()->availableGeometry();
    const QRect old = window()->geometry();
    window()->setGeometry(QRect(available.topLeft() + QPoint(available.width() / 4, 40),
                                QSize(available.width() / 2, available.height() - 80)));
    const QRect main = window()->frameGeometry();
    const auto placedOver = [&](QWidget *small) {
        const QRect frame = small->frameGeometry();
        return QStringLiteral("at %1,%2 %3x%4 over the window at %5,%6 %7x%8 on %9x%10")
            .arg(frame.x())
            .arg(frame.y())
            .arg(frame.width())
            .arg(frame.height())
            .arg(main.x())
            .arg(main.y())
            .arg(main.width())
            .arg(main.height())
            .arg(available.width())
            .arg(available.height());
    };

    // Three Get Info windows in turn: each over the window, whole on the screen, a step from
    // the one before.
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("One.txt")));
    QList<QPoint> corners;
    for (const QString &name : {QStringLiteral("One.txt"), QStringLiteral("Numbers.txt"),
                                QStringLiteral("Welcome.txt")}) {
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        iconView()->setFocus();
        select(name);
        press(Qt::Key_I, Qt::ControlModifier);
        MCGetInfoWindowController *info = nullptr;
        QTRY_VERIFY((info = MCGetInfoWindowController::windowForPath("/Documents/" + name)));
        QVERIFY(QTest::qWaitForWindowExposed(info));
        const QRect frame = info->frameGeometry();
        QVERIFY2(available.contains(frame), qPrintable(placedOver(info)));
        QVERIFY2(main.contains(frame.center()) && frame.left() > available.left(),
                 qPrintable(placedOver(info)));
        QVERIFY2(!corners.contains(frame.topLeft()), qPrintable(placedOver(info)));
        corners.append(frame.topLeft());
        QTRY_COMPARE(QApplication::activeWindow(), info);
    }
    QVERIFY(corners.at(1).x() > corners.at(0).x());

    // View Options: over the window too.
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window(), Qt::Key_J, Qt::ControlModifier);
    MCViewOptionsController *options = m_shell.delegate()->viewOptionsController();
    QTRY_VERIFY(options && options->isVisible());
    QVERIFY2(available.contains(options->frameGeometry()), qPrintable(placedOver(options)));
    QVERIFY2(main.contains(options->frameGeometry().center()), qPrintable(placedOver(options)));
    QTRY_COMPARE(QApplication::activeWindow(), options);
    options->close();
    window()->setGeometry(old);
}

void TestInfoWindows::smallWindowsAndListColumnsShowTheirTextsWhole()
{
    // Get Info of a name too long for its header: cut with an ellipsis, before the size.
    QVERIFY(enter(QStringLiteral("/Documents"), LongName));
    select(LongName);
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 1);
    MCGetInfoWindowController *info = infoWindows().first();
    QVERIFY(QTest::qWaitForWindowExposed(info));
    auto *name = info->findChild<QLabel *>("textFieldFilename");
    auto *size = info->findChild<QLabel *>("textFieldSize");
    QTRY_VERIFY2(name->text().endsWith(QChar(0x2026)), qPrintable(name->text()));
    QVERIFY(LongName.startsWith(name->text().chopped(1)));
    QCOMPARE(name->toolTip(), MCString::stringForToolTip(LongName));
    QVERIFY2(name->geometry().right() < size->geometry().left(),
             qPrintable(QStringLiteral("name ends at %1, size starts at %2")
                            .arg(name->geometry().right())
                            .arg(size->geometry().left())));
    QVERIFY2(cutTexts(info).isEmpty(), qPrintable(cutTexts(info).join('\n')));
    info->close();

    // View Options of each view, at the default font.
    const int viewKeys[] = {Qt::Key_1, Qt::Key_3, Qt::Key_2};
    for (const int key : viewKeys) {
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        QTest::keyClick(window(), Qt::Key(key), Qt::ControlModifier);
        QTest::keyClick(window(), Qt::Key_J, Qt::ControlModifier);
        MCViewOptionsController *options = m_shell.delegate()->viewOptionsController();
        QTRY_VERIFY(options && options->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(options));
        QVERIFY2(cutTexts(options).isEmpty(),
                 qPrintable(options->windowTitle() + ": " + cutTexts(options).join('\n')));
        options->close();
        QTRY_VERIFY(!options->isVisible());
    }

    // The list view (the last one chosen) 1600 pixels wide: every date, size and kind whole.
    auto *list = qobject_cast<MCListController *>(m_shell.delegate()->browserView(1));
    QVERIFY(list);
    QTRY_VERIFY(list->isVisible());
    const QSize old = window()->size();
    window()->resize(1600, old.height());
    QTreeView *rows = list->outlineView();
    QTRY_VERIFY(rows->model()->rowCount() > 3);
    QTRY_VERIFY(rows->viewport()->width() > 1400);
    QCoreApplication::sendPostedEvents();
    const int margin = rows->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, rows) + 1;
    QStringList cut;
    const auto wholeColumns = [&] {
        cut.clear();
        for (int row = 0; row < rows->model()->rowCount(); ++row) {
            for (int column = 1; column < rows->model()->columnCount(); ++column) {
                if (rows->header()->isSectionHidden(column))
                    continue;
                const QModelIndex index = rows->model()->index(row, column);
                auto *delegate =
                    qobject_cast<QStyledItemDelegate *>(rows->itemDelegateForColumn(column));
                const QString text =
                    delegate ? delegate->displayText(index.data(), QLocale()) : QString();
                if (text.isEmpty())
                    continue;
                // Each text column sets its text in from one edge.
                const int needed = rows->fontMetrics().horizontalAdvance(text) + 2 * margin +
                                   MCListCellLeftIdentation::Indentation;
                if (needed > rows->header()->sectionSize(column))
                    cut.append(QStringLiteral("\"%1\" needs %2 px, has %3")
                                   .arg(text)
                                   .arg(needed)
                                   .arg(rows->header()->sectionSize(column)));
            }
        }
        return cut.isEmpty();
    };
    // The kinds are fitted once the rows are in.
    QTRY_VERIFY_WITH_TIMEOUT(wholeColumns(), 5000);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
    window()->resize(old);
    QTest::keyClick(window(), Qt::Key_1, Qt::ControlModifier);

    // Quick Look of a name too long for its room: cut in its middle between letters, with an
    // ellipsis.
    QVERIFY(enter(QStringLiteral("/Documents"), LongName));
    select(LongName);
    press(Qt::Key_Space);
    QVERIFY(
        quickLookShows(QStringLiteral("/Documents/") + LongName, MCFilePreviewView::TextContent));
    auto *looked = quickLook()->findChild<QLabel *>("filenameText");
    QTRY_VERIFY2(looked->text().contains(QChar(0x2026)), qPrintable(looked->text()));
    const QStringList halves = looked->text().split(QChar(0x2026));
    QCOMPARE(halves.size(), 2);
    QVERIFY2(LongName.startsWith(halves[0]) && LongName.endsWith(halves[1]) &&
                 !halves[0].isEmpty() && !halves[1].isEmpty(),
             qPrintable(looked->text()));
    QVERIFY(looked->fontMetrics().horizontalAdvance(looked->text()) <=
            looked->contentsRect().width());
    QCOMPARE(looked->toolTip(), MCString::stringForToolTip(LongName));
}

bool TestInfoWindows::quickLookShows(const QString &path, MCFilePreviewView::Shown shown)
{
    return QTest::qWaitFor(
        [&] {
            return quickLook() && quickLook()->isVisible() && quickLook()->filepath() == path &&
                   quickLook()->previewView()->shown() == shown;
        },
        30000);
}

void TestInfoWindows::smallWindowsCloseOnEscapeAndCtrlW()
{
    // Get Info and View Options close on Escape and on Ctrl+W, pressed in them as the front
    // window; the main window opens Go to Folder on Ctrl+L as on Ctrl+Shift+G.
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("One.txt")));
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
    } closers[] = {{Qt::Key_Escape, {}}, {Qt::Key_W, Qt::ControlModifier}};
    for (const auto &closer : closers) {
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        iconView()->setFocus();
        select(QStringLiteral("One.txt"));
        press(Qt::Key_I, Qt::ControlModifier);
        QTRY_COMPARE(infoWindows().size(), 1);
        MCGetInfoWindowController *info = infoWindows().first();
        QApplication::setActiveWindow(info);
        QTRY_COMPARE(QApplication::activeWindow(), info);
        QTest::keyClick(info, Qt::Key(closer.key), closer.modifiers);
        QTRY_VERIFY(infoWindows().isEmpty());

        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        QTest::keyClick(window(), Qt::Key_J, Qt::ControlModifier);
        MCViewOptionsController *options = m_shell.delegate()->viewOptionsController();
        QTRY_VERIFY(options && options->isVisible());
        // A click in the small window makes it the active one.
        QApplication::setActiveWindow(options);
        QTRY_COMPARE(QApplication::activeWindow(), options);
        QTest::keyClick(options, Qt::Key(closer.key), closer.modifiers);
        QTRY_VERIFY(!options->isVisible());
        QTRY_COMPARE(window()->viewMenu()->viewChoice()->viewOptionsItem()->text(),
                     QStringLiteral("Show View Options"));
    }

    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window(), Qt::Key_L, Qt::ControlModifier);
    MCGoToFolderPanel *panel = m_shell.delegate()->goToFolderPanel();
    QTRY_VERIFY(panel && panel->isVisible());
    panel->reject();
    QTRY_VERIFY(!panel->isVisible());
}

void TestInfoWindows::quickLookDrawsTheFilesOfTheSelection()
{
    // Space opens the preview of the selected picture: drawn from the file, downloaded first.
    QVERIFY(enter(QStringLiteral("/Photos/Trip"), QStringLiteral("Beach.png")));
    select(QStringLiteral("Beach.png"));
    press(Qt::Key_Space);
    QVERIFY(quickLookShows(QStringLiteral("/Photos/Trip/Beach.png"), MCFilePreviewView::Picture));
    QVERIFY(QTest::qWaitForWindowActive(quickLook()));
    QVERIFY(quickLook()->itemModel()->rowCount() == 0 && !quickLook()->imageBrowser()->isVisible());
    QCOMPARE(labelText(quickLook(), "filenameText"), QStringLiteral("Beach.png"));
    QVERIFY(
        labelText(quickLook(), "dateModifiedText").startsWith(QStringLiteral("Last modified ")));
    QVERIFY(quickLook()->previewView()->content().width() >= 800);
    // A long application name is cut in its middle; the menu's arrow has room beside the text.
    const QToolButton *openWith = quickLook()->openWithButton();
    QVERIFY(openWith->text().startsWith(QStringLiteral("Open with Picture")));
    QVERIFY(openWith->text().contains(QChar(0x2026)));
    QVERIFY(openWith->text().endsWith(QStringLiteral("Button")));
    QStyleOptionToolButton option;
    option.initFrom(openWith);
    option.features = QStyleOptionToolButton::HasMenu;
    const int arrow = openWith->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option);
    QVERIFY(openWith->width() >=
            openWith->fontMetrics().horizontalAdvance(openWith->text()) + arrow);
    QVERIFY(openWith->width() < quickLook()->width() / 2);

    // The arrows move the browser's selection, and the window follows it.
    const QStringList names = icons()->shownNames();
    const QString next = names.value(names.indexOf(QStringLiteral("Beach.png")) + 1);
    QTest::keyClick(quickLook()->mainView(), Qt::Key_Right);
    QTRY_COMPARE(quickLook()->filepath(), QStringLiteral("/Photos/Trip/") + next);
    QCOMPARE(icons()->getSelectedItems().value(0)->fileName(), next);

    // Space in the window closes it; Escape too.
    QTest::keyClick(quickLook()->mainView(), Qt::Key_Space);
    QTRY_VERIFY(!quickLook()->isVisible());

    // A text shows its words, the PDF its page, the Open With control its default application.
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    select(QStringLiteral("Welcome.txt"));
    press(Qt::Key_Space);
    QVERIFY(
        quickLookShows(QStringLiteral("/Documents/Welcome.txt"), MCFilePreviewView::TextContent));
    QVERIFY(quickLook()->previewView()->text().startsWith(QStringLiteral("Welcome to Kerlo.")));
    QCOMPARE(quickLook()->openWithButton()->text(), QStringLiteral("Open with Viewer && Co"));
    QVERIFY(!quickLook()->openWithButton()->isHidden());
    QTest::keyClick(quickLook()->mainView(), Qt::Key_Escape);
    QTRY_VERIFY(!quickLook()->isVisible());
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));

    select(QStringLiteral("Manual.pdf"));
    press(Qt::Key_Space);
    QVERIFY(quickLookShows(QStringLiteral("/Documents/Manual.pdf"), MCFilePreviewView::PdfPage));
    const QImage page = quickLook()->previewView()->content().toImage();
    QVERIFY(page.height() > page.width()); // a portrait page, not the file's icon
    // A folder: its item count, no date and no application.
    window()->activateWindow();
    QVERIFY(enter(QStringLiteral("/"), QStringLiteral("Photos")));
    select(QStringLiteral("Photos"));
    QTRY_COMPARE(quickLook()->filepath(), QStringLiteral("/Photos"));
    QVERIFY(labelText(quickLook(), "sizeText").endsWith(QStringLiteral(" items")));
    QVERIFY(quickLook()->openWithButton()->isHidden());
    QVERIFY(quickLook()->findChild<QLabel *>("dateModifiedText")->isHidden());
    // Nothing selected at the top: the home of the whole space, with its own picture.
    QWidget *empty = icons()->collectionView()->viewport();
    QTest::mouseClick(empty, Qt::LeftButton, {}, QPoint(empty->width() - 4, empty->height() - 4));
    QTRY_COMPARE(quickLook()->filepath(), QStringLiteral("/"));
    QCOMPARE(labelText(quickLook(), "filenameText"),
             QCoreApplication::applicationName() + QStringLiteral(" Home"));
    const QImage cloud = MCImages::named(QStringLiteral("cloud.png")).toImage();
    QVERIFY(!cloud.isNull());
    QCOMPARE(quickLook()->previewView()->standIn().toImage(), cloud);
}

void TestInfoWindows::quickLookStripShowsSeveralItems()
{
    QVERIFY(enter(QStringLiteral("/Photos"), QStringLiteral("Sunset.jpg")));
    select(QStringLiteral("Sunset.jpg"));
    select(QStringLiteral("Badge.gif"), Qt::ControlModifier);
    select(QStringLiteral("Chart.bmp"), Qt::ControlModifier);
    press(Qt::Key_Space);
    QTRY_VERIFY(quickLook() && quickLook()->isVisible());
    MCQuickLookItemModel *strip = quickLook()->itemModel();
    QCOMPARE(strip->rowCount(), 3);
    QVERIFY(quickLook()->imageBrowser()->isVisible());
    const QModelIndex first = quickLook()->imageBrowser()->currentIndex();
    QCOMPARE(first.row(), 0);
    QCOMPARE(quickLook()->filepath(), strip->data(first, MCQuickLookItemModel::ImageUIDRole));

    // Picking another item in the strip shows it; Escape in the strip closes the window.
    const QModelIndex third = strip->index(2);
    QTest::mouseClick(quickLook()->imageBrowser()->viewport(), Qt::LeftButton, {},
                      quickLook()->imageBrowser()->visualRect(third).center());
    QTRY_COMPARE(quickLook()->filepath(), strip->data(third, MCQuickLookItemModel::ImageUIDRole));
    QTest::keyClick(quickLook()->imageBrowser(), Qt::Key_Escape);
    QTRY_VERIFY(!quickLook()->isVisible());
    QCOMPARE(strip->rowCount(), 0);
}

void TestInfoWindows::quickLookKeepsTheThumbnailWhenTheFileCannotComeDown()
{
    // The service fails the download: the thumbnail or icon stays, and the failure is told
    // once, by the alert every failed download gets. A file no earlier case has shown, whose
    // download cannot still be under way from it.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/object/Documents/Unreachable.txt"), 500,
                                 QByteArray(), -1, QStringLiteral("GET")));
    QVERIFY(enter(QStringLiteral("/Documents"), QStringLiteral("Unreachable.txt")));
    select(QStringLiteral("Unreachable.txt"));
    press(Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.alerts().size(), 1, 60000);
    QVERIFY(
        m_shell.alerts.alerts().first().messageText.contains(QStringLiteral("Unreachable.txt")));
    QVERIFY(quickLook()->isVisible());
    QCOMPARE(quickLook()->previewView()->shown(), MCFilePreviewView::StandIn);
    QVERIFY(quickLook()->findChild<QLabel *>("statusText")->isHidden());
    QVERIFY(m_server.reset());
}

void TestInfoWindows::namesFromTheServiceArePlainText()
{
    // Control and direction characters show as replacement characters, as everywhere else.
    const QString shown = MCString::stringForName(HostileName);
    QVERIFY2(enter(QStringLiteral("/Documents"), shown),
             qPrintable(icons()->shownNames().join('|')));
    select(HostileName);
    press(Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(infoWindows().size(), 1);
    MCGetInfoWindowController *info = infoWindows().first();
    QCOMPARE(info->windowTitle(), QChar(0x2068) + shown + QChar(0x2069) + " Info");
    for (const char *name : {"textFieldFilename", "textGeneralWhere", "textGeneralKind"}) {
        auto *label = info->findChild<QLabel *>(QLatin1String(name));
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    // Whole, or cut with an ellipsis where the header has no room for it.
    const QString header = labelText(info, "textFieldFilename");
    QVERIFY2(header == shown ||
                 (header.endsWith(QChar(0x2026)) && shown.startsWith(header.chopped(1))),
             qPrintable(header));

    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    press(Qt::Key_Space);
    QVERIFY(quickLookShows(QStringLiteral("/Documents/") + HostileName,
                           MCFilePreviewView::TextContent));
    // Whole, or cut with an ellipsis and whole in its tooltip.
    auto *looked = quickLook()->findChild<QLabel *>("filenameText");
    QVERIFY2(looked->text() == shown || (looked->text().contains(QChar(0x2026)) &&
                                         looked->toolTip() == MCString::stringForToolTip(shown)),
             qPrintable(looked->text()));
    QCOMPARE(quickLook()->findChild<QLabel *>("filenameText")->textFormat(), Qt::PlainText);
    QCOMPARE(quickLook()->previewView()->text(), QStringLiteral("x"));
}

void TestInfoWindows::previewRefusesWhatItCannotDraw()
{
    QTemporaryDir folder;
    // A bitmap whose header claims 20000 x 20000 pixels: measured, refused, never decoded.
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(54 + 16) << quint32(0) << quint32(54) << quint32(40) << qint32(20000)
        << qint32(20000) << quint16(1) << quint16(24) << quint32(0) << quint32(16) << qint32(0)
        << qint32(0) << quint32(0) << quint32(0);
    header.append(16, '\0');
    const QString huge = folder.filePath(QStringLiteral("huge.bmp"));
    QVERIFY(writeFile(huge, header));
    const QString broken = folder.filePath(QStringLiteral("broken.pdf"));
    QVERIFY(writeFile(broken, "%PDF-1.4 not really"));
    // Text cut in the middle of a character at the limit keeps whole characters only.
    const QString longText = folder.filePath(QStringLiteral("long.txt"));
    QVERIFY(
        writeFile(longText, QByteArray(MCFilePreviewView::MaximumTextBytes - 1, 'a') + "\xc3\xa9"));

    QCOMPARE(MCFilePreviewView::kindOf(QString(), QStringLiteral("a.bmp")),
             MCFilePreviewView::Image);
    QCOMPARE(MCFilePreviewView::kindOf(QStringLiteral("application/pdf"), QString()),
             MCFilePreviewView::Pdf);
    QCOMPARE(MCFilePreviewView::kindOf(QString(), QStringLiteral("Makefile.c")),
             MCFilePreviewView::Text);
    QCOMPARE(MCFilePreviewView::kindOf(QStringLiteral("application/zip"), QStringLiteral("a.zip")),
             MCFilePreviewView::Unsupported);

    MCFilePreviewView view;
    view.resize(400, 300);
    QPixmap icon(64, 64);
    icon.fill(Qt::red);
    QSignalSpy failed(&view, &MCFilePreviewView::contentFailed);
    for (const QString &file : {huge, broken}) {
        view.showImage(icon);
        view.showFile(file, file == huge ? MCFilePreviewView::Image : MCFilePreviewView::Pdf);
        QTRY_COMPARE(failed.size(), file == huge ? 1 : 2);
        QCOMPARE(view.shown(), MCFilePreviewView::StandIn);
    }
    view.showFile(longText, MCFilePreviewView::Text);
    QCOMPARE(view.text().size(), MCFilePreviewView::MaximumTextBytes - 1);
}

void TestInfoWindows::titleBarKeepsItsEdges()
{
    MCTitleBar bar;
    bar.resize(400, 30);
    QToolButton left, right, withMenu;
    left.resize(20, 20);
    right.resize(20, 20);
    withMenu.setPopupMode(QToolButton::InstantPopup);
    withMenu.resize(60, 20);
    bar.addToTitleBar(&left, 30);
    bar.addViewToTitleBar(&right, 350);
    bar.addViewToTitleBar(&withMenu, 250);
    bar.show();
    QCOMPARE(left.y(), 0);
    QCOMPARE(right.y(), 2);
    QCOMPARE(withMenu.y(), 4);
    bar.resize(600, 30);
    QCOMPARE(left.x(), 30);
    QCOMPARE(right.x(), 550);
    QVERIFY(bar.isAnchoredRight(&withMenu) && !bar.isAnchoredRight(&left));

    // Where a window grows from when nothing is selected; without a platform that places
    // windows, they are shown and hidden at once.
    const QRect start = MCZoomEffect::startRectForScreen(QGuiApplication::primaryScreen());
    QCOMPARE(start, QRect(QGuiApplication::primaryScreen()->geometry().topLeft(), QSize(16, 16)));
    QWidget window;
    window.resize(200, 100);
    MCZoomEffect::orderFrontEffectFromRect(&window, QRect());
    QVERIFY(window.isVisible());
    MCZoomEffect::orderOutEffectToRect(&window, QRect(10, 10, 20, 20));
    QVERIFY(!window.isVisible());
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication application(argc, argv);
    TestInfoWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_infowindows.moc"
