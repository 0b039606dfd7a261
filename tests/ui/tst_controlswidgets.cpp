// The custom controls driven with the pointer on the offscreen platform: button colours when
// pressed and disabled, hover images, the spinner's start, fade and stop, clickable fields and
// tabs, links, the space bar and the pass-through widgets.
#include "kbbutton.h"
#include "mcbutton.h"
#include "mccheckbox.h"
#include "mcclicktextfield.h"
#include "mcclicktextview.h"
#include "mchipbox.h"
#include "mclinktextfield.h"
#include "mclogintextfield.h"
#include "mcpopupbutton.h"
#include "mcspacebox.h"
#include "mctextscrollview.h"
#include "mctextviewplaceholder.h"
#include "mcwindowstandardbutton.h"
#include "pointerhover.h"
#include "yrkspinningprogressindicator.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

// Receives the URLs the desktop would have opened.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

// A window larger than its one child, so the pointer can leave the child inside it.
struct HostWindow
{
    QWidget window;
    explicit HostWindow(QWidget *child, const QSize &childSize = QSize(80, 30))
    {
        window.resize(300, 200);
        child->setParent(&window);
        child->setGeometry(QRect(QPoint(10, 10), childSize));
        window.show();
    }
};

QColor centrePixel(QWidget *widget)
{
    return widget->grab().toImage().pixelColor(widget->width() / 2, 3);
}

bool near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QPixmap solid(const QColor &color)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

class TestControlsWidgets : public QObject
{
    Q_OBJECT
private slots:
    void colouredButtonStates();
    void hoverButtonsSwapImages();
    void spinnerSpinsFadesAndStops();
    void spinnerDeterminateAndHidden();
    void clickFieldCyclesAndReportsStillClicks();
    void hipBoxHoverAndSelection();
    void linkFieldsUnderlineAndOpenWebLinksOnly();
    void messageFieldHintAndClickableLinks();
    void spaceBarWidths();
    void passThroughWidgets();
};

void TestControlsWidgets::colouredButtonStates()
{
    auto *button = new KBButton(QStringLiteral("Sign In"));
    HostWindow host(button, QSize(120, 32));
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));

    // At rest the top of a type-0 button is lighter than its colour; pressed it is a flat
    // grey of 0.85 - 0.12 with a black title.
    QVERIFY(centrePixel(button).red() > 0.85 * 255 + 10);
    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(button->isDown());
    QVERIFY(near(centrePixel(button), QColor::fromRgbF(0.73, 0.73, 0.73)));
    QCOMPARE(button->titleColor(), QColor(Qt::black));
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    // Disabled blue: the title is grey and the fill fades into the window, so that the
    // button no longer looks like one to press (an accepted invitation's Accept).
    button->setKBButtonType(1);
    const QColor active = centrePixel(button);
    button->setEnabled(false);
    const QColor title = button->titleColor();
    QVERIFY2(title.hsvSaturation() == 0 && title.value() > 60 && title.value() < 200,
             qPrintable(title.name()));
    const QColor faded = centrePixel(button);
    QVERIFY2(faded.hsvSaturation() < active.hsvSaturation() / 2,
             qPrintable(faded.name() + " " + active.name()));
    QVERIFY2(faded.value() > 150, qPrintable(faded.name()));
    button->setEnabled(true);
    QCOMPARE(button->titleColor(), QColor(Qt::white));
    QCOMPARE(centrePixel(button), active);

    for (int type = 1; type <= 6; ++type) {
        button->setKBButtonType(type);
        QCOMPARE(button->titleColor(), QColor(Qt::white));
    }
    button->setKBButtonType(4);
    QCOMPARE(button->getColorForButtonType(), QColor::fromRgbF(1.0, 115 / 255.0, 23 / 255.0));
}

void TestControlsWidgets::hoverButtonsSwapImages()
{
    {
        auto *button = new MCButton;
        button->setImageIn(solid(Qt::red));
        button->setImageOut(solid(Qt::blue));
        HostWindow host(button);
        QVERIFY(QTest::qWaitForWindowExposed(&host.window));
        const auto showing = [button](const QPixmap &image) {
            return button->image().cacheKey() == image.cacheKey();
        };
        QVERIFY(showing(button->imageOut()));
        PointerHover::enter(button);
        QTRY_VERIFY(showing(button->imageIn()));
        QVERIFY(near(centrePixel(button), Qt::red));

        // A click leaves the out image although the pointer is still over the button, until the
        // pointer leaves and comes back.
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(showing(button->imageOut()));
        PointerHover::leave(button);
        QTRY_VERIFY(showing(button->imageOut()));
        PointerHover::enter(button);
        QTRY_VERIFY(showing(button->imageIn()));
    }

    // The sign-in window's close button keeps its hover image after a click.
    auto *close = new MCWindowStandardButton;
    HostWindow closeHost(close, QSize(28, 28));
    QVERIFY(QTest::qWaitForWindowExposed(&closeHost.window));
    QVERIFY(!close->imageIn().isNull() && !close->imageOut().isNull());
    QCOMPARE(close->image().cacheKey(), close->imageOut().cacheKey());
    PointerHover::enter(close);
    QTRY_COMPARE(close->image().cacheKey(), close->imageIn().cacheKey());
    QTest::mouseClick(close, Qt::LeftButton);
    QCOMPARE(close->image().cacheKey(), close->imageIn().cacheKey());
    PointerHover::leave(close);
    QTRY_COMPARE(close->image().cacheKey(), close->imageOut().cacheKey());
}

void TestControlsWidgets::spinnerSpinsFadesAndStops()
{
    auto *spinner = new YRKSpinningProgressIndicator;
    spinner->setColor(Qt::white);
    HostWindow host(spinner, QSize(32, 32));
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));

    spinner->startAnimation();
    QVERIFY(spinner->isAnimating());
    // Each frame lights the next fin clockwise (one index down) at full alpha.
    QTRY_VERIFY(spinner->position() != 1);
    const int lit = spinner->position();
    QCOMPARE(spinner->finColors().at(lit).alphaF(), 1.0);
    QTRY_VERIFY(spinner->position() == (lit + 11) % 12);
    QCOMPARE(spinner->finColors().at(0).rgb(), QColor(Qt::white).rgb());

    // Starting again while spinning does not restart the turn.
    const int before = spinner->position();
    spinner->startAnimation();
    QVERIFY(spinner->position() == before || spinner->position() == (before + 11) % 12);

    // Stopping fades every fin down to its resting alpha before the animation ends.
    spinner->stopAnimation();
    QVERIFY(spinner->isFadingOut());
    QVERIFY(spinner->isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!spinner->isAnimating(), 10000);
    QVERIFY(!spinner->isFadingOut());
    for (const QColor &fin : spinner->finColors())
        QVERIFY(qAbs(fin.alphaF() - 0.15) <= 0.01 + 1e-3);
    QVERIFY(spinner->isVisible());

    // Starting while fading resumes spinning.
    spinner->startAnimation();
    spinner->stopAnimation();
    spinner->startAnimation();
    QVERIFY(spinner->isAnimating());
    QVERIFY(!spinner->isFadingOut());
    const int resumed = spinner->position();
    QTRY_VERIFY(spinner->position() != resumed);
    QVERIFY(!spinner->isFadingOut());
}

void TestControlsWidgets::spinnerDeterminateAndHidden()
{
    auto *spinner = new YRKSpinningProgressIndicator;
    HostWindow host(spinner, QSize(40, 40));
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));

    // A value turns a spinning indicator into a pie filled clockwise from twelve o'clock.
    spinner->startAnimation();
    spinner->setDoubleValue(25);
    QVERIFY(!spinner->isIndeterminate());
    QTRY_VERIFY_WITH_TIMEOUT(!spinner->isAnimating(), 10000);
    spinner->startAnimation();
    QVERIFY(!spinner->isAnimating());
    const QImage pie = spinner->grab().toImage();
    const auto filled = [&pie](int x, int y) {
        return pie.pixelColor(x, y).lightness() < 60;
    };
    QVERIFY(filled(28, 12));  // upper right quarter
    QVERIFY(!filled(12, 28)); // lower left
    QVERIFY(!filled(28, 28)); // lower right
    spinner->setMaxValue(0);  // nothing to divide by: an empty pie, no failure
    QVERIFY(!spinner->grab().toImage().isNull());

    // Not displayed when stopped: shown only while spinning, resting alpha 0.01.
    spinner->setIndeterminate(true);
    spinner->setDisplayedWhenStopped(false);
    QVERIFY(!spinner->isVisible());
    spinner->startAnimation();
    QVERIFY(spinner->isVisible());
    QCOMPARE(spinner->lowestAlpha(), 0.01);
    spinner->stopAnimation();
    QTRY_VERIFY_WITH_TIMEOUT(!spinner->isVisible(), 10000);
    QVERIFY(!spinner->isAnimating());
}

void TestControlsWidgets::clickFieldCyclesAndReportsStillClicks()
{
    auto *field = new MCClickTextField;
    field->setText(QStringLiteral("12 items, 3 GB available"));
    HostWindow host(field, QSize(200, 20));
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));
    QSignalSpy clicked(field, &MCClickTextField::mouseDownTextFieldClicked);

    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(field->showedInfo(), 1);
    QCOMPARE(clicked.count(), 1);

    // The pointer moved between press and release: the field still advances, no click.
    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(24, 10));
    QCOMPARE(field->showedInfo(), 2);
    QCOMPARE(clicked.count(), 1);

    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(30, 10));
    QCOMPARE(field->showedInfo(), 0);
    QCOMPARE(clicked.count(), 3);
}

void TestControlsWidgets::hipBoxHoverAndSelection()
{
    auto *box = new MCHipBox(QStringLiteral("Files"));
    HostWindow host(box, QSize(80, 40));
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));
    QSignalSpy clicked(box, &MCHipBox::menuClicked);

    QCOMPARE(box->selectionColor(), QColor(0xE6, 0xE6, 0xE6));
    PointerHover::enter(box);
    QTRY_COMPARE(box->selectionColor(), QColor(0xFF, 0xCC, 0x66));
    PointerHover::leave(box);
    QTRY_COMPARE(box->selectionColor(), QColor(0xE6, 0xE6, 0xE6));

    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<MCHipBox *>(), box);
    box->setSelected(true);
    QVERIFY(box->label()->font().bold());
    QCOMPARE(box->selectionColor(), QColor(0xFF, 0x80, 0x00));
    // A selected tab keeps its colour under the pointer.
    PointerHover::enter(box);
    QTRY_VERIFY(box->underMouse());
    QCOMPARE(box->selectionColor(), QColor(0xFF, 0x80, 0x00));
    box->setSelected(false);
    QVERIFY(!box->label()->font().bold());
}

void TestControlsWidgets::linkFieldsUnderlineAndOpenWebLinksOnly()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");

    auto *link = new MCLoginTextField(QStringLiteral("Forgot your password?"));
    link->setLink(QUrl(QStringLiteral("https://kerlo.example/forgot")));
    HostWindow host(link, QSize(160, 20));
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));

    PointerHover::enter(link);
    QTRY_VERIFY(link->isUnderlined());
    PointerHover::leave(link);
    QTRY_VERIFY(!link->isUnderlined());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(recorder.opened, QList<QUrl>{link->link()});

    link->setLinkEnabled(false);
    PointerHover::enter(link);
    QTRY_VERIFY(link->underMouse());
    QVERIFY(!link->isUnderlined());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(recorder.opened.size(), 1);

    // A link to a local file is never handed to the desktop.
    link->setLinkEnabled(true);
    link->setLink(QUrl(QStringLiteral("file:///etc/passwd")));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(recorder.opened.size(), 1);

    // Fitting centres the label in its parent.
    link->sizeToFit();
    QCOMPARE(link->x(), host.window.width() / 2 - link->width() / 2);

    // A plain link field without hover underlining still opens its link, and shows markup as
    // text.
    auto *plain = new MCLinkTextField(QStringLiteral("<b>kerlo.example</b>"));
    plain->setLink(QUrl(QStringLiteral("https://kerlo.example")));
    plain->setUnderlineEnabled(false);
    HostWindow plainHost(plain, QSize(160, 20));
    // Beside the first window, not over it: the pointer finds this one.
    plainHost.window.move(host.window.geometry().topRight() + QPoint(10, 0));
    QVERIFY(QTest::qWaitForWindowExposed(&plainHost.window));
    QCOMPARE(plain->textFormat(), Qt::PlainText);
    PointerHover::enter(plain);
    QTRY_VERIFY(plain->underMouse());
    QVERIFY(!plain->isUnderlined());
    QTest::mouseClick(plain, Qt::LeftButton);
    QCOMPARE(recorder.opened.last(), plain->link());

    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestControlsWidgets::messageFieldHintAndClickableLinks()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *message = new MCTextViewPlaceholder;
    auto *text = new MCClickTextView;
    layout->addWidget(message);
    layout->addWidget(text);
    window.resize(300, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    text->setFocus();
    QVERIFY(message->isShowingPlaceholder());
    message->setFocus();
    QTRY_VERIFY(message->hasFocus());
    QVERIFY(!message->isShowingPlaceholder());
    QTest::keyClicks(message, QStringLiteral("hi"));
    text->setFocus();
    QTRY_VERIFY(!message->hasFocus());
    QVERIFY(!message->isShowingPlaceholder());
    message->clear();
    QVERIFY(message->isShowingPlaceholder());

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    text->setReadOnly(true);
    const auto clickFirstCharacter = [text] {
        const QRect first = text->cursorRect(QTextCursor(text->document()));
        QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, first.center() + QPoint(4, 0));
    };
    text->setHtml(QStringLiteral("<a href=\"https://kerlo.example/s/1\">shared link</a>"));
    clickFirstCharacter();
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl(QStringLiteral("https://kerlo.example/s/1"))});
    text->setHtml(QStringLiteral("<a href=\"file:///usr/bin/xterm\">innocent</a>"));
    clickFirstCharacter();
    QCOMPARE(recorder.opened.size(), 1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestControlsWidgets::spaceBarWidths()
{
    MCSpaceBox box;
    box.resize(202, 25);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    box.setAccountSpace(100, 50, 25);
    QCOMPARE(box.boxUsedSpace()->geometry(), QRect(1, 1, 100, 23));
    QCOMPARE(box.boxSharedSpace()->geometry(), QRect(101, 1, 50, 23));
    box.setAccountSpace(100, 0, 25);
    QCOMPARE(box.boxUsedSpace()->width(), 0);
    QCOMPARE(box.boxSharedSpace()->x(), 1);
    // No total space: empty bars rather than a division by zero.
    box.setAccountSpace(0, 50, 25);
    QCOMPARE(box.boxUsedSpace()->width(), 0);
    QCOMPARE(box.boxSharedSpace()->width(), 0);
    // More used and shared than the account holds: the bars end at the track's end.
    box.setAccountSpace(100, 80, 80);
    QCOMPARE(box.boxUsedSpace()->width(), 160);
    QCOMPARE(box.boxSharedSpace()->geometry().right(), 200);
    // The bars follow the box's width.
    box.resize(402, 25);
    QCOMPARE(box.boxUsedSpace()->width(), 320);
}

void TestControlsWidgets::passThroughWidgets()
{
    // A wheel over the text scroll view scrolls the view around it.
    QScrollArea outer;
    auto *content = new QWidget;
    content->resize(280, 2000);
    auto *inner = new MCTextScrollView(content);
    auto *longText = new QLabel(QStringLiteral("line\n").repeated(200));
    inner->setWidget(longText);
    inner->setGeometry(10, 10, 200, 100);
    outer.setWidget(content);
    outer.resize(300, 300);
    outer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&outer));
    const QPoint over = inner->viewport()->rect().center();
    QWheelEvent wheel(over, inner->viewport()->mapToGlobal(over), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(inner->viewport(), &wheel);
    QCOMPARE(inner->verticalScrollBar()->value(), 0);
    QVERIFY(outer.verticalScrollBar()->value() > 0);

    // A press on the check box goes to the row behind it and does not toggle it.
    struct Row : QWidget
    {
        int presses = 0;
        void mousePressEvent(QMouseEvent *) override { ++presses; }
    } row;
    auto *check = new MCCheckBox(QStringLiteral("Auto accept"), &row);
    check->setGeometry(0, 0, 120, 20);
    row.resize(200, 40);
    row.show();
    QVERIFY(QTest::qWaitForWindowExposed(&row));
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(row.presses, 1);
    QVERIFY(!check->isChecked());

    // The status pop-up lists the presences but does not open on a click.
    MCPopUpButton status;
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    QStringList titles;
    for (QAction *action : status.menu()->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(titles,
             (QStringList{QStringLiteral("Online"), QStringLiteral("-"), QStringLiteral("Away"),
                          QStringLiteral("Do not disturb"), QStringLiteral("Offline")}));
    QTest::mouseClick(&status, Qt::LeftButton);
    QVERIFY(!status.menu()->isVisible());
}

QTEST_MAIN(TestControlsWidgets)
#include "tst_controlswidgets.moc"
