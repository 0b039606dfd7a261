// How the parts of a signed-in window lay themselves out, against kerlo-local's demo tree: the
// path bar shows whole names when it has room, icon labels break between words and keep the
// extension whole, the name field of a new folder covers its name whole, Quick Look draws a
// picture as large as its window lets it (never larger than the picture), and the emoji
// chooser is as wide as what it holds.
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcemoji.h"
#include "mcemoticonchooser.h"
#include "mcemoticontextview.h"
#include "mciconcontroller.h"
#include "mciconitemdelegate.h"
#include "mciconitemmodel.h"
#include "mciconnameeditor.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoptions.h"
#include "mcpathbarcontroller.h"
#include "quicklook/mcfilepreviewview.h"
#include "quicklook/mcquicklookcontroller.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString LongNames = QStringLiteral("/Long names");

// Names that need two lines at the smallest icon size, and the two the view once broke inside
// their extension.
const QStringList Names = {
    QStringLiteral("Harbour.webp"),
    QStringLiteral("Mountains.jpg"),
    QStringLiteral("Harbourfront at dusk.webp"),
    QStringLiteral("Sunset over the mountains.jpeg"),
    QStringLiteral("Panorama-of-the-whole-bay.jpg"),
};

// Pixels clearly darker than the white they are drawn on, inside area.
int darkPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(image.pixel(x, y)) < 160;
    return count;
}

} // namespace

class TestShellLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pathBarShowsWholeNamesWithRoomToSpare();
    void iconLabelsBreakBetweenWordsAndKeepTheExtension();
    void newFolderFieldCoversItsNameWhole();
    void quickLookFitsThePictureToTheWindow();
    void emojiChooserIsAsWideAsItsContent();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCIconController *icons() const
    {
        return static_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    QModelIndex indexOf(const QString &name) const;
    MCIconNameEditor *editor() const;

    KerloLocal m_server;
    Shell m_shell;
};

QModelIndex TestShellLayout::indexOf(const QString &name) const
{
    const int row = icons()->shownNames().indexOf(name);
    return row < 0 ? QModelIndex() : icons()->itemModel()->index(row);
}

MCIconNameEditor *TestShellLayout::editor() const
{
    const auto editors = icons()->collectionView()->viewport()->findChildren<MCIconNameEditor *>();
    for (MCIconNameEditor *field : editors) {
        if (field->isVisible())
            return field;
    }
    return nullptr;
}

void TestShellLayout::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    for (const QString &name : Names)
        QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), LongNames + '/' + name, "x")
                     .isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1280, 800)));
}

void TestShellLayout::pathBarShowsWholeNamesWithRoomToSpare()
{
    MCPathbarController *bar = window()->pathBar();
    if (!window()->isPathBarVisible())
        window()->pathBarAction()->trigger();
    QTRY_VERIFY(bar->isVisible());
    for (const auto &[path, child] :
         {std::pair{QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")},
          std::pair{QStringLiteral("/Photos/Trip"), QStringLiteral("Beach.png")}}) {
        QVERIFY(showFolder(icons(), path, child));
        QTRY_COMPARE(bar->componentPath(bar->componentCount() - 1), path);
        QVERIFY(bar->width() > 800);
        for (int i = 0; i < bar->componentCount(); ++i)
            QCOMPARE(bar->componentShownTitle(i), bar->componentTitle(i));
    }
}

void TestShellLayout::iconLabelsBreakBetweenWordsAndKeepTheExtension()
{
    // The smallest items, where most of these names take two lines.
    MCOptions *options = MCManager::sharedManager()->options();
    options->setValue(MCOptions::IconController, QStringLiteral("IconSize"), 84);
    QVERIFY(showFolder(icons(), LongNames, Names.first()));
    QListView *view = icons()->collectionView();
    auto *delegate = qobject_cast<MCIconItemDelegate *>(view->itemDelegate());
    QVERIFY(delegate);
    int broken = 0;
    for (const QString &name : Names) {
        const QModelIndex index = indexOf(name);
        QVERIFY2(index.isValid(), qPrintable(name));
        const QRectF area = delegate->textArea(delegate->labelRect(view->visualRect(index)));
        bool more = false;
        const QStringList lines =
            MCIconItemDelegate::labelLines(name, view->font(), area.width(), &more);
        const QString shown = lines.join('|');
        // All of the name, or its end shortened with an ellipsis on the last line.
        QVERIFY2(more ? lines.last().contains(QChar(0x2026)) : lines.join(QString()) == name,
                 qPrintable(shown));
        const int extension = name.lastIndexOf(QLatin1Char('.'));
        // The extension is whole on the last line.
        QVERIFY2(lines.last().endsWith(name.mid(extension)), qPrintable(shown));
        int at = 0;
        for (int i = 0; i + 1 < lines.size(); ++i) {
            at += lines.at(i).size();
            ++broken;
            // Between words, before the extension, or inside a word only when that word
            // alone is longer than the line.
            const bool betweenWords = name.at(at - 1).isSpace() || name.at(at).isSpace();
            const bool beforeExtension = at == extension;
            const int wordStart = name.lastIndexOf(QLatin1Char(' '), at - 1) + 1;
            int wordEnd = name.indexOf(QLatin1Char(' '), at);
            if (wordEnd < 0 || wordEnd > extension)
                wordEnd = extension;
            const bool wordTooLong =
                QFontMetricsF(view->font())
                    .horizontalAdvance(name.mid(wordStart, wordEnd - wordStart)) > area.width();
            QVERIFY2(betweenWords || beforeExtension || wordTooLong, qPrintable(shown));
            QVERIFY2(at <= extension, qPrintable(shown));
        }
    }
    QVERIFY(broken >= 2);
}

void TestShellLayout::newFolderFieldCoversItsNameWhole()
{
    QVERIFY(showFolder(icons(), LongNames, Names.first()));
    QListView *view = icons()->collectionView();
    auto *delegate = qobject_cast<MCIconItemDelegate *>(view->itemDelegate());
    QTest::mouseClick(window()->toolbar()->buttonNewFolder(), Qt::LeftButton);
    QTRY_VERIFY(editor());
    MCIconNameEditor *field = editor();
    const QString name = field->text();
    QVERIFY(!name.isEmpty());
    QTRY_VERIFY(indexOf(name).isValid());
    const QModelIndex index = indexOf(name);

    // The whole name in sight: with the caret at either end, nothing is scrolled away.
    QVERIFY(view->viewport()->rect().contains(field->geometry()));
    const int middle = field->height() / 2;
    field->end(false);
    QCOMPARE(field->cursorPositionAt(QPoint(1, middle)), 0);
    field->home(false);
    QCOMPARE(field->cursorPositionAt(QPoint(field->width() - 2, middle)), name.size());
    QVERIFY(field->height() >= field->sizeHint().height());
    // It widens as the name grows.
    const int width = field->width();
    QTest::keyClicks(field, QStringLiteral(" with a much longer name"));
    QVERIFY(field->width() > width);
    field->home(false);
    QCOMPARE(field->cursorPositionAt(QPoint(field->width() - 2, middle)), field->text().size());

    // The item under the field draws no name of its own.
    const QRect item = view->visualRect(index);
    QImage image(item.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.rect = QRect(QPoint(0, 0), item.size());
        option.font = view->font();
        delegate->paint(&painter, option, index);
    }
    const QRect label = delegate->labelRect(QRect(QPoint(0, 0), item.size()));
    QCOMPARE(darkPixels(image, label.intersected(image.rect())), 0);

    QTest::keyClick(field, Qt::Key_Escape);
    QTRY_VERIFY(!editor());
}

void TestShellLayout::quickLookFitsThePictureToTheWindow()
{
    QVERIFY(showFolder(icons(), QStringLiteral("/Photos"), QStringLiteral("Sunset.jpg")));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {},
                      centreOf(icons(), QStringLiteral("Sunset.jpg")));
    QTRY_VERIFY(window()->toolbar()->buttonQuickLook()->isEnabled());
    QTest::mouseClick(window()->toolbar()->buttonQuickLook(), Qt::LeftButton);
    MCQuickLookController *quickLook = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((quickLook = m_shell.delegate()->quickLookController()) &&
                                 quickLook->isVisible() &&
                                 quickLook->previewView()->shown() == MCFilePreviewView::Picture,
                             30000);
    MCFilePreviewView *preview = quickLook->previewView();
    const QSize natural = preview->content().size();
    QVERIFY(natural.width() >= 800);

    const auto pictureIn = [&] {
        return QRect(preview->mapTo(quickLook, preview->pictureRect().topLeft()),
                     preview->pictureRect().size());
    };
    for (const QSize &size : {QSize(860, 560), QSize(1200, 900)}) {
        quickLook->resize(size);
        QTRY_COMPARE(quickLook->size(), size);
        QCoreApplication::processEvents();
        const QRect picture = pictureIn();
        const QString shown = QStringLiteral("%1x%2 at %3,%4 in %5x%6")
                                  .arg(picture.width())
                                  .arg(picture.height())
                                  .arg(picture.x())
                                  .arg(picture.y())
                                  .arg(size.width())
                                  .arg(size.height());
        QVERIFY2(quickLook->rect().contains(picture), qPrintable(shown));
        // As large as the window lets it be: more than half its width or most of its height.
        QVERIFY2(picture.width() * 2 > size.width() || picture.height() * 10 > size.height() * 7,
                 qPrintable(shown));
        QVERIFY2(picture.width() <= natural.width() && picture.height() <= natural.height(),
                 qPrintable(shown));
        if (size == QSize(860, 560))
            QVERIFY2(picture.width() > 320 * 3 / 2 && picture.height() > 240 * 3 / 2,
                     qPrintable(shown));
    }
    // A small window: the picture shrinks with it and stays inside.
    quickLook->resize(500, 360);
    QTRY_COMPARE(quickLook->size(), QSize(500, 360));
    QVERIFY(quickLook->rect().contains(pictureIn()));
    QVERIFY(pictureIn().width() < 300);
    QTest::mouseClick(window()->toolbar()->buttonQuickLook(), Qt::LeftButton);
    QTRY_VERIFY(!quickLook->isVisible());
}

void TestShellLayout::emojiChooserIsAsWideAsItsContent()
{
    MCEmoji emoji;
    QWidget host;
    host.resize(600, 400);
    auto *button = new QPushButton(QStringLiteral(":)"), &host);
    button->move(20, 340);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    MCEmoticonChooser chooser(emoji, &host);
    chooser.popup(button);
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    // No wider than the grid or the row of tabs, whichever is wider, with the frame's margins.
    const int content =
        qMax(chooser.emoticonTextView()->width(),
             chooser.tabs()->buttons().size() * chooser.tabs()->button(1)->sizeHint().width());
    const QMargins margins = chooser.layout()->contentsMargins();
    const int bound = content + margins.left() + margins.right() + 2 * chooser.frameWidth() + 24;
    QVERIFY2(chooser.width() <= bound,
             qPrintable(QStringLiteral("%1 > %2").arg(chooser.width()).arg(bound)));
    QVERIFY(chooser.width() >= chooser.emoticonTextView()->width());
    // Naming the emoji under the pointer, however long its name, does not widen it.
    const int width = chooser.width();
    MCEmoticonTextView *grid = chooser.emoticonTextView();
    const QRect smile = grid->rectOf(QStringLiteral(":smile:"));
    QVERIFY(!smile.isEmpty());
    QTest::mouseMove(grid->viewport(), smile.center());
    QTRY_COMPARE(chooser.textEmoticonDescription()->text(), QStringLiteral(":smile:"));
    QCoreApplication::processEvents();
    QCOMPARE(chooser.width(), width);
    // Inside the screen.
    QVERIFY(chooser.screen()->availableGeometry().contains(chooser.geometry()));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellLayout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shelllayout.moc"
