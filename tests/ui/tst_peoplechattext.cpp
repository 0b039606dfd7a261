// What another user writes in a chat, through the chat page's widgets, signed in as the demo
// user against kerlo-local while Bea writes through the control API: messages of a megabyte,
// of many lines, of many emoji and a link of 100 KiB are laid out only in part, in rows of a
// sane height that draw their text, and copying them still gives the whole text; a link cut by
// the row's bound still opens whole, and the side panel lists the links of the part shown;
// direction controls in a message never turn its text or links around, and invisible characters
// at either end of a message are copied with it.
#include "chatpartner.h"
#include "indsequentialtextselectionmanager.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatlinkscontroller.h"
#include "mcchatlinksmodel.h"
#include "mcchatmessageentry.h"
#include "mcchatmessagefield.h"
#include "mcchatrowsmodel.h"
#include "mcchattablecellview.h"
#include "mcchattableview.h"
#include "mcchattextview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcelidedlabel.h"
#include "mcemoji.h"
#include "mchipcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeView>
#include <QWindow>
#include <QtTest>

#include <functional>

using namespace ShellTest;

namespace {

// A row lays out at most this many characters and lines of a message.
const int LaidOutChars = 2000;
const int LaidOutLines = 40;
const int LaidOutEmoji = 32;

bool isDirectionControl(QChar c)
{
    return (c.unicode() >= 0x202A && c.unicode() <= 0x202E) ||
           (c.unicode() >= 0x2066 && c.unicode() <= 0x2069);
}

// Where the caret stands before the character at index of view's document, in the view.
QPoint pointAt(MCChatTextView *view, int index)
{
    view->heightForWidth(view->width()); // laid out at its width
    const QTextBlock block = view->document()->findBlock(index);
    const int inBlock = index - block.position();
    const QTextLine line = block.layout()->lineForTextPosition(inBlock);
    const QPointF origin = block.layout()->position();
    const int x = int(origin.x() + line.cursorToX(inBlock)) + (inBlock == 0 ? 1 : 2);
    return QPoint(qMin(x, view->width() - 1), int(origin.y() + line.y() + line.height() / 2));
}

// The x of each character of part in view's document, in the order written.
QVector<qreal> advancesOf(MCChatTextView *view, const QString &part)
{
    QVector<qreal> xs;
    const QTextCursor found = view->document()->find(part);
    if (found.isNull())
        return xs;
    view->heightForWidth(view->width());
    const QTextBlock block = found.block();
    for (int i = found.selectionStart(); i < found.selectionEnd(); ++i) {
        const int inBlock = i - block.position();
        xs.append(block.layout()->lineForTextPosition(inBlock).cursorToX(inBlock));
    }
    return xs;
}

// The lowest line of view's rendering that holds a dark pixel; -1 when none does.
int lowestInkedLine(QWidget *view)
{
    const QImage image = view->grab().toImage();
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                return y;
        }
    }
    return -1;
}

} // namespace

class TestPeopleChatText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void longMessagesAreLaidOutInPartAndCopiedWhole();
    void directionControlsStayInsideTheirMessage();

private:
    MCContact *bea() const { return m_bea.contact(); }
    MCChatViewController *chat() const { return m_bea.chat(); }
    MCChatTableView *table() const { return m_bea.table(); }
    const MCChatRowsModel *rows() const { return m_bea.rows(); }
    // Scrolls row to the top of the table and answers its message view.
    MCChatTableCellView *cellOf(int row) { return m_bea.viewOf<MCChatTableCellView>(row); }
    bool showChat() { return m_bea.showChat(); }
    bool postAs(const QString &content) { return m_bea.post(content); }
    // Drags in the window from a point of one view to a point of another, as the pointer does;
    // end is asked once the button is down (the press lets pending resizes of the rows run).
    void drag(MCChatTextView *from, const QPoint &start, MCChatTextView *to,
              const std::function<QPoint()> &end);

    KerloLocal m_server;
    Shell m_shell;
    ChatPartner m_bea{m_server, m_shell};
};

void TestPeopleChatText::drag(MCChatTextView *from, const QPoint &start, MCChatTextView *to,
                              const std::function<QPoint()> &end)
{
    QWidget *top = chat()->window();
    QWindow *handle = top->windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, from->mapTo(top, start));
    const QPoint at = to->mapTo(top, end());
    QTest::mouseMove(handle, at);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, at);
}

void TestPeopleChatText::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(m_bea.startConversation());
    QVERIFY(postAs(QStringLiteral("hello")));
    QVERIFY(m_bea.inviteDemoUser());
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 900)));
    QVERIFY(m_bea.acceptInvitation());
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), QStringLiteral("hello")) >= 0, 20000);
}

void TestPeopleChatText::longMessagesAreLaidOutInPartAndCopiedWhole()
{
    QVERIFY(showChat());
    // A megabyte of words on one line, with emoji; as many lines as characters; a link of
    // 100 KiB; a link that the row's bound cuts, after enough text to reach it.
    const QString words = QStringLiteral("lorem ipsum dolor :smile: sit amet ");
    const QString megabyte = words.repeated(1024 * 1024 / words.size());
    QString lines;
    for (int i = 0; i < 3000; ++i)
        lines += QStringLiteral("line %1\n").arg(i);
    const QString hugeLink = QStringLiteral("https://example.com/") + QString(100 * 1024, 'a');
    const QString cutLink =
        QStringLiteral("https://example.com/") + QString(400, 'b') + QStringLiteral("/end");
    const QString beforeCut = QString(LaidOutChars - 200, 'x') + QLatin1Char(' ');
    const QString smiles = QStringLiteral(":smile:\U0001F600").repeated(100);
    const QString linked = QStringLiteral("see https://early.example/ ") + megabyte +
                           QStringLiteral(" and https://late.example/");
    const QList<QString> texts{megabyte,
                               QStringLiteral("after the megabyte"),
                               lines,
                               hugeLink,
                               beforeCut + cutLink,
                               smiles,
                               linked};
    for (const QString &text : texts)
        QVERIFY(postAs(text));
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), linked) >= 0, 30000);

    const int width = table()->viewport()->width();
    for (const QString &text : texts) {
        const int row = rowWithText(rows(), text);
        MCChatTableCellView *cell = cellOf(row);
        QVERIFY(cell);
        MCChatTextView *view = cell->textView();
        // Laid out: a bounded start of the text; copied: all of it, emoji shown.
        QVERIFY2(view->document()->characterCount() <= LaidOutChars + 2,
                 qPrintable(QString::number(view->document()->characterCount())));
        QCOMPARE(view->document()->toPlainText().endsWith(QChar(0x2026)),
                 text.size() > LaidOutChars || text == smiles);
        const QString drawn = view->document()->toPlainText();
        QVERIFY(std::count_if(drawn.cbegin(), drawn.cend(),
                              [](QChar c) { return c.isHighSurrogate(); }) <= LaidOutEmoji);
        QCOMPARE(view->text(),
                 QString(text).replace(QStringLiteral(":smile:"), QStringLiteral("\U0001F604")));
        // The row holds its text, is no taller than its bound and draws down to its last line.
        const int height = table()->rowHeightAt(row);
        QVERIFY2(height < 1200, qPrintable(QString::number(height)));
        QCOMPARE(cell->height(), height);
        QVERIFY(view->height() >= view->heightForWidth(view->width()));
        QVERIFY(view->geometry().right() < width);
        QVERIFY(lowestInkedLine(view) > view->heightForWidth(view->width()) - 30);
    }
    QVERIFY(cellOf(rowWithText(rows(), lines))->textView()->document()->blockCount() <=
            LaidOutLines);

    // Laid out once: painting again, hit tests and height questions at its width leave the
    // layout as it is.
    MCChatTextView *shown = cellOf(rowWithText(rows(), megabyte))->textView();
    shown->heightForWidth(shown->width());
    QSignalSpy relaidOut(shown->document()->documentLayout(),
                         &QAbstractTextDocumentLayout::documentSizeChanged);
    QSignalSpy redrawn(shown->document()->documentLayout(), &QAbstractTextDocumentLayout::update);
    shown->repaint();
    shown->heightForWidth(shown->width());
    shown->ind_characterIndexForInsertionAtPoint(QPoint(5, 5));
    QCOMPARE(relaidOut.size() + redrawn.size(), 0);

    // The side panel lists the links of the part rows show: the end of a megabyte is not
    // searched again for each message that comes.
    auto *panel = chat()->rightSplitView()->findChild<MCHipController *>();
    QVERIFY(panel);
    QList<QUrl> listed;
    MCChatLinksModel *links = panel->linksController()->links();
    for (int row = 0; row < links->rowCount(); ++row)
        listed.append(links->index(row, 0).data(MCChatLinksModel::UrlRole).toUrl());
    QCOMPARE(listed, (QList<QUrl>{QUrl(cutLink), QUrl(QStringLiteral("https://early.example/"))}));

    // The huge link is text; the cut one opens whole, underlined as far as it is drawn.
    MCChatTextView *huge = cellOf(rowWithText(rows(), hugeLink))->textView();
    QVERIFY(huge->ind_linkAtIndex(30).isEmpty());
    MCChatTextView *cut = cellOf(rowWithText(rows(), beforeCut + cutLink))->textView();
    QCOMPARE(cut->ind_linkAtIndex(beforeCut.size() + 10), QUrl(cutLink));
    QCOMPARE(cut->ind_linkAtIndex(beforeCut.size() - 3), QUrl());

    // A drag from the start of the megabyte to past its ellipsis copies the whole of it.
    QApplication::clipboard()->clear();
    const int megabyteRow = rowWithText(rows(), megabyte);
    MCChatTextView *first = cellOf(megabyteRow)->textView();
    // The day row pinned at the top covers the text under it: the message starts below it.
    const auto showBelowPinnedDay = [this, megabyteRow] {
        const MCChatRowView *pinned = table()->floatingDateRow();
        table()->verticalScrollBar()->setValue(table()->rowTop(megabyteRow) -
                                               (pinned ? pinned->height() : 0));
    };
    showBelowPinnedDay();
    QCOMPARE(table()->rowView(megabyteRow)->findChild<MCChatTextView *>(), first);
    QVERIFY(first->mapTo(table()->viewport(), QPoint(0, first->height())).y() <
            table()->viewport()->height());
    const QPoint start = pointAt(first, 0);
    // To the far end of its last line: past the ellipsis.
    drag(first, start, first,
         [first] { return QPoint(first->width() - 2, first->heightForWidth(first->width()) - 3); });
    QCOMPARE(chat()->selectionManager()->cachedAttributedText().size(), first->text().size());
    QTest::keyClick(chat()->window(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), first->text());
    QCOMPARE(QApplication::clipboard()->text().size(), first->text().size());
    // And on into the next message: the whole megabyte, then that message.
    showBelowPinnedDay();
    auto *next = qobject_cast<MCChatTableCellView *>(
        table()->rowView(rowWithText(rows(), QStringLiteral("after the megabyte"))));
    QVERIFY(next && next->geometry().bottom() <
                        table()->verticalScrollBar()->value() + table()->viewport()->height());
    MCChatTextView *after = next->textView();
    drag(first, start, after, [after] { return pointAt(after, after->text().size()); });
    QTest::keyClick(chat()->window(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             first->text() + QStringLiteral("\nafter the megabyte"));
    QTest::mouseClick(chat()->textView()->viewport(), Qt::LeftButton);
}

void TestPeopleChatText::directionControlsStayInsideTheirMessage()
{
    QVERIFY(showChat());
    // A right-to-left override would show "invoiceexe.pdf", and turn a link's end around.
    const QString invoice = QStringLiteral("invoice\u202Efdp.exe");
    const QString link = QStringLiteral("open https://example.com/\u202Emoc.knab/ now");
    const QString isolate = QStringLiteral("\u2067abc\u2069 \u202Bdef\u202C \u202Dghi");
    for (const QString &text : {invoice, link, isolate})
        QVERIFY(postAs(text));
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), isolate) >= 0, 20000);

    for (const QString &text : {invoice, link, isolate}) {
        MCChatTextView *view = cellOf(rowWithText(rows(), text))->textView();
        QVERIFY(view);
        // Copied as written; drawn with each control as U+FFFD, each part in its own order.
        QCOMPARE(view->text(), text);
        const QString drawn = view->document()->toPlainText();
        QCOMPARE(drawn.size(), text.size());
        for (const QChar c : drawn)
            QVERIFY(!isDirectionControl(c));
        for (const QString &part :
             {QStringLiteral("invoice"), QStringLiteral("fdp.exe"),
              QStringLiteral("https://example.com/"), QStringLiteral("moc.knab/"),
              QStringLiteral("abc"), QStringLiteral("def"), QStringLiteral("ghi")}) {
            if (!drawn.contains(part))
                continue;
            const QVector<qreal> xs = advancesOf(view, part);
            QCOMPARE(xs.size(), part.size());
            for (int i = 1; i < xs.size(); ++i)
                QVERIFY2(xs.at(i) > xs.at(i - 1), qPrintable(part));
        }
    }
    // The link stops where the override stood.
    MCChatTextView *view = cellOf(rowWithText(rows(), link))->textView();
    QCOMPARE(view->ind_linkAtIndex(10), QUrl(QStringLiteral("https://example.com/")));
    QCOMPARE(view->ind_linkAtIndex(link.indexOf(QStringLiteral("moc"))), QUrl());

    // Invisible characters at either end (zero-width spaces and joiners, a soft hyphen,
    // direction marks) are copied with the text when the pointer drags over all that shows:
    // from its first letter to the right half of its last, or past the end of its line.
    QStringList invisible;
    for (const char16_t mark :
         {u'\u200B', u'\u2060', u'\uFEFF', u'\u00AD', u'\u200E', u'\u200F', u'\u061C'})
        invisible.append(QStringLiteral("ends") + QChar(mark));
    for (const char16_t mark : {u'\u200B', u'\u200E'})
        invisible.append(QChar(mark) + QStringLiteral("starts"));
    for (const QString &text : qAsConst(invisible))
        QVERIFY(postAs(text));
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), invisible.last()) >= 0, 20000);
    for (const QString &text : qAsConst(invisible)) {
        MCChatTextView *shown = cellOf(rowWithText(rows(), text))->textView();
        QVERIFY(shown);
        const QPoint first = pointAt(shown, 0);
        const QPoint pastEnd(shown->width() - 2, first.y());
        const int last = text.startsWith(QStringLiteral("ends")) ? 4 : text.size();
        const QPoint lastHalf((pointAt(shown, last - 1).x() + pointAt(shown, last).x()) / 2 + 1,
                              first.y());
        for (const QPoint &end : {lastHalf, pastEnd}) {
            drag(shown, first, shown, [end] { return end; });
            QCOMPARE(chat()->selectionManager()->cachedAttributedText(), text);
            drag(shown, end, shown, [first] { return QPoint(1, first.y()); });
            QCOMPARE(chat()->selectionManager()->cachedAttributedText(), text);
        }
    }

    // Senders' names start at the same edge, a name written right to left as well.
    MOMessage said;
    said.setBody(QStringLiteral("hello"));
    said.setSentAt(QDateTime::currentDateTime());
    const MCChatEntryPtr entry(new MCChatMessageEntry(said, false));
    const MCEmoji emoji;
    for (const QString &name :
         {QStringLiteral("Bea Lee"), QStringLiteral("\u05E9\u05E8\u05D4 \u05DC\u05D5\u05D9")}) {
        MCChatTableCellView cell(entry, true, name, QPixmap(), emoji, nullptr);
        cell.resize(600, 60);
        cell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cell));
        QLabel *label = nullptr;
        for (auto *candidate : cell.findChildren<MCElidedLabel *>()) {
            if (candidate->text() == name)
                label = candidate;
        }
        QVERIFY(label);
        const QImage image = label->grab().toImage();
        int leftmost = image.width();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < leftmost; ++x) {
                if (image.pixelColor(x, y) != image.pixelColor(0, 0))
                    leftmost = x;
            }
        }
        QVERIFY2(
            leftmost < 8,
            qPrintable(
                QStringLiteral("%1 from %2 of %3").arg(name).arg(leftmost).arg(image.width())));
    }
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleChatText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplechattext.moc"
