// Text selection across message views and the copy-and-paste field, driven by mouse and keys
// through the window as a user's pointer would.
#define QTEST_QPA_MOUSE_HANDLING
#include "hostilenames.h"
#include "indsequentialtextselectionmanager.h"
#include "mccopypastetextfield.h"
#include "mcmenuedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const QColor Grey = QColor::fromRgbF(0.83, 0.83, 0.83, 1.0);

// A text view of its own, with characters ten pixels wide.
class OwnView
    : public QWidget
    , public INDSelectableText
{
public:
    QString ind_string() const override { return QStringLiteral("own view text"); }
    int ind_characterIndexForInsertionAtPoint(const QPoint &point) const override
    {
        return qBound(0, point.x() / 10, 13);
    }
    void ind_setHighlight(const INDRange &range, const QColor &colour) override
    {
        painted = range;
        paintedColour = colour;
    }
    INDRange painted;
    QColor paintedColour;
};

// A window of read-only message views in a scroll area above a message field, each view
// registered under "m<row>".
class Conversation
{
public:
    explicit Conversation(const QStringList &texts, int rowHeight = 70)
    {
        auto *rows = new QWidget;
        rowsLayout = new QVBoxLayout(rows);
        for (const QString &text : texts) {
            auto *view = new QTextBrowser;
            view->setPlainText(text);
            view->setFixedHeight(rowHeight);
            view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            view->setFocusPolicy(Qt::NoFocus);
            rowsLayout->addWidget(view);
            views.append(view);
        }
        auto *scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setWidget(rows);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(scroll);
        layout->addWidget(field);
        window.resize(420, (rowHeight + 20) * texts.size() + 60);
        // Registered before the layout places them, as rows often are.
        for (int row = 0; row < views.size(); ++row)
            manager.registerTextView(views[row], QStringLiteral("m%1").arg(row));
        window.show();
        QApplication::setActiveWindow(&window);
        field->setFocus();
    }

    // The point over the character at index of a view (its left edge), in the view.
    QPoint at(int row, int index) const
    {
        QTextCursor cursor(views[row]->document());
        cursor.setPosition(index);
        const QRect caret = views[row]->cursorRect(cursor);
        return views[row]->viewport()->mapTo(views[row], caret.center() + QPoint(1, 0));
    }
    void press(int row, int index, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(views[row], button, {}, at(row, index));
    }
    void moveTo(int row, int index) { QTest::mouseMove(views[row], at(row, index)); }
    void release(int row, int index)
    {
        QTest::mouseRelease(views[row], Qt::LeftButton, {}, at(row, index));
    }
    void drag(int fromRow, int fromIndex, int toRow, int toIndex)
    {
        press(fromRow, fromIndex);
        for (int row = fromRow; row != toRow; row += toRow > fromRow ? 1 : -1)
            moveTo(row, 1);
        moveTo(toRow, toIndex);
        release(toRow, toIndex);
    }
    INDRange highlighted(int row) const { return INDTextView::ind_highlightedRange(views[row]); }
    QColor highlightColour(int row) const
    {
        const auto selections = views[row]->extraSelections();
        return selections.isEmpty() ? QColor() : selections.last().format.background().color();
    }
    QString copied()
    {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window, Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text();
    }

    QWidget window;
    QVBoxLayout *rowsLayout;
    QLineEdit *field = new QLineEdit;
    QList<QTextBrowser *> views;
    INDSequentialTextSelectionManager manager;
};

const QStringList Messages = {QStringLiteral("first message"), QStringLiteral("second message"),
                              QStringLiteral("third message"), QStringLiteral("fourth message")};

} // namespace

class TestControlsSelection : public QObject
{
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->setText(QStringLiteral("before")); }
    void draggingDownSelectsAndCopiesJoined();
    void draggingUpAndQuickMoves();
    void clicksEndFocusAndMenus();
    void viewsComeAndGo();
    void hostileTextsStayPlain();
    void copyPasteField();
};

void TestControlsSelection::draggingDownSelectsAndCopiesJoined()
{
    Conversation chat(Messages);
    QVERIFY(QTest::qWaitForWindowExposed(&chat.window));
    QCOMPARE(chat.manager.sortedTextViews().first(), chat.views[0]);

    // From the middle of the second message into the fourth.
    chat.drag(1, 7, 3, 6);
    QCOMPARE(chat.highlighted(0), INDRange());
    QCOMPARE(chat.highlighted(1), (INDRange{7, 7}));
    QCOMPARE(chat.highlighted(2), (INDRange{0, 13}));
    QCOMPARE(chat.highlighted(3), (INDRange{0, 6}));
    QVERIFY(chat.manager.isFirstResponder());
    QVERIFY(!chat.field->hasFocus());
    QCOMPARE(chat.highlightColour(2),
             chat.views[2]->palette().color(QPalette::Active, QPalette::Highlight));
    QCOMPARE(chat.copied(), QStringLiteral("message\nthird message\nfourth"));

    // The context menu copies the same; its own press keeps the selection.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    chat.press(2, 3, Qt::RightButton);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Text Actions"));
    QCOMPARE(menu->actions().size(), 1);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[0]).center());
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("message\nthird message\nfourth"));
    QTest::mouseRelease(chat.views[2], Qt::RightButton, {}, chat.at(2, 3));

    // Back into the anchor's message: only the part between anchor and mouse stays.
    chat.press(1, 7);
    chat.moveTo(2, 3);
    chat.moveTo(3, 3);
    chat.moveTo(1, 3);
    chat.release(1, 3);
    QCOMPARE(chat.highlighted(1), (INDRange{3, 4}));
    QCOMPARE(chat.highlighted(2), INDRange());
    QCOMPARE(chat.highlighted(3), INDRange());
    QCOMPARE(chat.copied(), QStringLiteral("ond "));

    // Moving up a little inside the last message keeps the messages above selected.
    chat.press(0, 0);
    chat.moveTo(1, 1);
    chat.moveTo(2, 1);
    chat.moveTo(3, 9);
    chat.moveTo(3, 2);
    chat.release(3, 2);
    QCOMPARE(chat.copied(), QStringLiteral("first message\nsecond message\nthird message\nfo"));

    // The Edit menu's Copy reaches the selection through the window.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    MCMenuEdit edit(&chat.window);
    edit.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("first message\nsecond message\nthird message\nfo"));
}

void TestControlsSelection::draggingUpAndQuickMoves()
{
    Conversation chat(Messages);
    QVERIFY(QTest::qWaitForWindowExposed(&chat.window));
    chat.drag(2, 5, 0, 6);
    QCOMPARE(chat.copied(), QStringLiteral("message\nsecond message\nthird"));

    // A move that jumps from below the anchor's message to above it clears the far side and
    // cuts the anchor's message at the anchor, not where the mouse last was in it.
    chat.press(2, 5);
    chat.moveTo(2, 9);
    chat.moveTo(3, 4);
    chat.moveTo(0, 6);
    chat.release(0, 6);
    QCOMPARE(chat.highlighted(3), INDRange());
    QCOMPARE(chat.copied(), QStringLiteral("message\nsecond message\nthird"));

    chat.press(2, 5);
    chat.moveTo(2, 2);
    chat.moveTo(3, 4);
    chat.release(3, 4);
    QCOMPARE(chat.copied(), QStringLiteral(" message\nfour"));

    // Starting at the very beginning of a message and going up takes nothing of it.
    chat.drag(2, 0, 1, 7);
    QCOMPARE(chat.copied(), QStringLiteral("message"));
}

void TestControlsSelection::clicksEndFocusAndMenus()
{
    Conversation chat(Messages);
    QVERIFY(QTest::qWaitForWindowExposed(&chat.window));
    // A view's own extra selection comes back exactly when the selection ends.
    QTextEdit::ExtraSelection own;
    own.cursor = QTextCursor(chat.views[1]->document());
    own.cursor.setPosition(0);
    own.cursor.setPosition(3, QTextCursor::KeepAnchor);
    own.format.setBackground(Qt::yellow);
    chat.views[1]->setExtraSelections({own});

    chat.drag(0, 2, 2, 5);
    QSignalSpy responder(&chat.manager, &INDSequentialTextSelectionManager::firstResponderChanged);
    // Another widget taking the focus (as by Tab: a click would end the selection) turns the
    // selection grey; Ctrl+C then is the field's.
    chat.field->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(chat.field->hasFocus());
    QCOMPARE(responder.count(), 1);
    QVERIFY(!chat.manager.isFirstResponder());
    QCOMPARE(chat.highlightColour(1), Grey);
    QCOMPARE(chat.copied(), QStringLiteral("before"));
    QCOMPARE(chat.highlighted(0), (INDRange{2, 11}));

    // A click ends it.
    chat.press(3, 2);
    chat.release(3, 2);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(chat.highlighted(row), INDRange());
    QCOMPARE(chat.views[1]->extraSelections().size(), 1);
    QCOMPARE(chat.highlightColour(1), QColor(Qt::yellow));
    // A click that selected nothing leaves the clipboard alone, by key and by the menu.
    QCOMPARE(chat.copied(), QStringLiteral("before"));
    chat.manager.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    // A release on a link asks the view to follow it.
    QTextCursor cursor(chat.views[3]->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.org/"));
    cursor.insertText(QStringLiteral(" link"), link);
    chat.views[3]->setOpenLinks(false);
    QSignalSpy clicked(chat.views[3], &QTextBrowser::anchorClicked);
    chat.press(3, 16);
    chat.release(3, 16);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toUrl(), QUrl(QStringLiteral("https://example.org/")));
}

void TestControlsSelection::viewsComeAndGo()
{
    Conversation chat(Messages);
    QVERIFY(QTest::qWaitForWindowExposed(&chat.window));
    chat.drag(0, 6, 2, 5);

    // A view reused for another message shows that message's state, and the selection comes
    // back when it shows the selected message again.
    chat.manager.registerTextView(chat.views[1], QStringLiteral("m9"));
    QCOMPARE(chat.highlighted(1), INDRange());
    chat.manager.registerTextView(chat.views[1], QStringLiteral("m1"));
    QCOMPARE(chat.highlighted(1), (INDRange{0, 14}));
    QCOMPARE(chat.highlightColour(1),
             chat.views[1]->palette().color(QPalette::Active, QPalette::Highlight));

    // A second view taking a message's identifier replaces the first everywhere.
    QTextBrowser stale;
    chat.manager.registerTextView(&stale, QStringLiteral("m3"));
    QCOMPARE(INDTextView::ind_uniqueIdentifier(chat.views[3]), QString());
    QCOMPARE(chat.manager.sortedTextViews().size(), 4);
    chat.manager.registerTextView(chat.views[3], QStringLiteral("m3"));

    // A destroyed view leaves; its part is still copied, in its place.
    delete chat.views.takeAt(1);
    QCOMPARE(chat.manager.sortedTextViews().size(), 3);
    QCOMPARE(chat.manager.textViews().size(), 3);
    QCOMPARE(chat.copied(), QStringLiteral("message\nsecond message\nthird"));
    chat.press(0, 1);
    chat.moveTo(2, 2);
    chat.release(2, 2);
    QCOMPARE(chat.copied(), QStringLiteral("irst message\nthird message\nfo"));

    // A view of the owner's own making takes part like the others.
    OwnView own;
    own.setFixedHeight(40);
    chat.rowsLayout->insertWidget(1, &own);
    chat.manager.registerTextView(&own, QStringLiteral("own"));
    QTRY_VERIFY(own.y() > chat.views[0]->y());
    chat.press(0, 6);
    QTest::mouseMove(&own, QPoint(45, 20));
    chat.moveTo(2, 4);
    chat.release(2, 4);
    QCOMPARE(chat.copied(), QStringLiteral("message\nown view text\nthird message\nfour"));
    QCOMPARE(own.painted, (INDRange{0, 13}));
    QCOMPARE(own.paintedColour, own.palette().color(QPalette::Active, QPalette::Highlight));
    chat.press(0, 1);
    QCOMPARE(own.painted, INDRange());
    chat.release(0, 1);
    chat.manager.unregisterTextView(&own);
    chat.rowsLayout->removeWidget(&own);
    own.setParent(nullptr);

    // Parts go through their view's transformation.
    chat.manager.registerTextView(chat.views[1], QStringLiteral("m2"),
                                  [](const QString &text) { return text.toUpper(); });
    chat.drag(0, 6, 2, 4);
    QCOMPARE(chat.copied(), QStringLiteral("message\nTHIRD MESSAGE\nfour"));
}

void TestControlsSelection::hostileTextsStayPlain()
{
    const QString markup = QStringLiteral("<b>bold</b> <img src=x width=9000> &amp;");
    const QString override = QStringLiteral("abc\u202Edef");
    QString longLine;
    while (longLine.size() < 10000)
        longLine += QStringLiteral("word%1 ").arg(longLine.size());
    longLine.truncate(10000);
    Conversation chat({markup, override, longLine, QStringLiteral("after")});
    QVERIFY(QTest::qWaitForWindowExposed(&chat.window));

    chat.press(0, 0);
    for (int step = 0; step < 40; ++step)
        chat.moveTo(2, step * 3);
    chat.moveTo(3, 3);
    chat.release(3, 3);
    QCOMPARE(chat.highlighted(2), (INDRange{0, 10000}));
    const QString copied = chat.copied();
    QCOMPARE(copied, markup + '\n' + override + '\n' + longLine + QStringLiteral("\naft"));
    // The override ends with its own message: the next one is its own line.
    QCOMPARE(copied.split('\n').at(1), override);
    QCOMPARE(chat.views[0]->toPlainText(), markup);

    // The shared hostile names, one message each, come back exactly as they were.
    QStringList names;
    for (const ShellTest::HostileName &name : ShellTest::hostileNames())
        names.append(name.name);
    Conversation named(names, 30);
    QVERIFY(QTest::qWaitForWindowExposed(&named.window));
    named.drag(0, 0, names.size() - 1, names.last().size());
    QCOMPARE(named.copied(), names.join('\n'));
}

void TestControlsSelection::copyPasteField()
{
    QWidget window;
    auto *field = new MCCopyPasteTextField(&window);
    auto *readOnly = new MCCopyPasteTextField(&window);
    readOnly->setReadOnly(true);
    readOnly->setText(QStringLiteral("kept"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(readOnly);
    // A window shortcut on the same key, as the Edit menu has.
    QAction windowCopy(&window);
    windowCopy.setShortcut(QKeySequence::Copy);
    window.addAction(&windowCopy);
    QSignalSpy windowCopied(&windowCopy, &QAction::triggered);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());

    QTest::keyClicks(field, QStringLiteral("hello world"));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(field->selectedText(), QStringLiteral("hello world"));
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hello world"));
    QCOMPARE(windowCopied.count(), 0);
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(field->text(), QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("<b>pasted</b>\u202E"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field->text(), QStringLiteral("<b>pasted</b>\u202E"));

    readOnly->setFocus();
    QTRY_VERIFY(readOnly->hasFocus());
    QTest::keyClick(readOnly, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(readOnly, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(readOnly, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(readOnly->text(), QStringLiteral("kept"));
    QTest::keyClick(readOnly, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

QTEST_MAIN(TestControlsSelection)
#include "tst_controlsselection.moc"
