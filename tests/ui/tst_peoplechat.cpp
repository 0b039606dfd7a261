// The chat page through its widgets, signed in as the demo user against kerlo-local while Bea
// acts as a second user (her own HTTP session and the control API): a click on her sidebar row
// opens the chat with its last messages and day rows and older ones load when scrolling up; the
// emoji chooser closes on its button, a press elsewhere or Escape, its button then up; a
// message with an emoji from the chooser is sent as its shortcode and shows "Pending", then its
// time; her messages raise the unread count while the chat is not shown; hostile texts stay
// plain text; files go both ways (dropped on the chat, sent, accepted; received, accepted into
// their folder, declined; offered while the window is minimised, each told on the desktop).
#include "chatpartner.h"
#include "indsequentialtextselectionmanager.h"
#include "kerlolocal.h"
#include "linkrecorder.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatfilerowview.h"
#include "mcchatmessagefield.h"
#include "mcchatrowsmodel.h"
#include "mcchattablecellview.h"
#include "mcchattableview.h"
#include "mcchattextview.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcemoticonchooser.h"
#include "mcemoticontextview.h"
#include "mcimages.h"
#include "mcjoininvitation.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcpasteboard.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "recordingdesktopnotifier.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QTreeView>
#include <QWindow>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QString::fromLatin1(ChatPartner::Email);

int countKind(const MCChatRowsModel *model, MCChatEntry::Kind kind)
{
    int count = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        count += model->index(row).data(MCChatRowsModel::KindRole).toInt() == kind ? 1 : 0;
    return count;
}

// Whether the file row's status icon shows the named image (an empty name: no icon shown).
bool showsStatus(const MCChatFileRowView *row, const QString &image)
{
    const QLabel *status = row->statusImageView();
    if (image.isEmpty())
        return status->isHidden();
    const QPixmap shown = status->pixmap(Qt::ReturnByValue);
    return !status->isHidden() && !shown.isNull() &&
           shown.toImage() == MCImages::named(image).toImage();
}

} // namespace

class TestPeopleChat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void clickOnContactOpensChatAndOlderMessagesLoad();
    void emojiFromChooserIsSentAsShortcodeThenConfirmed();
    void draggingAcrossThreeMessagesCopiesTheirTexts();
    void arrivingMessageRaisesUnreadCountWhenNotShown();
    void hostileMessagesStayPlainText();
    void fileDroppedOnChatIsSentAndAccepted();
    void receivedFilesAreAcceptedIntoTheirFolderOrDeclined();
    void fileWithAnInvalidNameIsRefusedInFull();
    void filesDroppedOnTheSidebarRowAndLocalFiles();
    void filesOfferedWhileMinimisedAreToldOnTheDesktop();

private:
    MCContact *bea() const { return m_bea.contact(); }
    MCChatViewController *chat() const { return m_bea.chat(); }
    MCChatTableView *table() const { return m_bea.table(); }
    const MCChatRowsModel *rows() const { return m_bea.rows(); }
    template<class View> View *viewOf(int row) { return m_bea.viewOf<View>(row); }
    bool showChat() { return m_bea.showChat(); }
    bool clickPlace(const QString &place) { return m_bea.clickPlace(place); }
    bool postAs(const QString &content, const QDateTime &sentAt = QDateTime())
    {
        return m_bea.post(content, sentAt);
    }

    KerloLocal m_server;
    RecordingDesktopNotifier m_bubbles;
    Shell m_shell;
    ChatPartner m_bea{m_server, m_shell};
};

void TestPeopleChat::initTestCase()
{
    QVERIFY(m_server.start());
    // Before the demo user's client starts, Bea opens their conversation and writes 150
    // messages over two days: the client's first page (100) reaches only part of them.
    QVERIFY(m_bea.startConversation());
    const QDateTime twoDaysAgo(QDate::currentDate().addDays(-2), QTime(9, 0));
    for (int i = 0; i < 150; ++i) {
        const QDateTime at =
            i < 80 ? twoDaysAgo.addSecs(60 * i) : twoDaysAgo.addDays(1).addSecs(60 * (i - 80));
        QVERIFY(postAs(QStringLiteral("old message %1").arg(i), at));
        // The service pages by the second it stored a message (its own clock; the time given
        // is only the sender's): the first page's oldest second holds none of the older ones.
        if (i == 49) {
            const qint64 stored = QDateTime::currentSecsSinceEpoch();
            QVERIFY(QTest::qWaitFor(
                [stored] { return QDateTime::currentSecsSinceEpoch() > stored; }, 5000));
        }
    }
    QVERIFY(m_bea.inviteDemoUser());
    QVERIFY(addDemoTree(m_server));
    m_shell.notifier = &m_bubbles;
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QVERIFY(m_bea.acceptInvitation());
    QTRY_VERIFY_WITH_TIMEOUT(bea()->writtenMessages().size() >= 100, 20000);
}

void TestPeopleChat::clickOnContactOpensChatAndOlderMessagesLoad()
{
    QCOMPARE(bea()->writtenMessages().size(), 100);
    QVERIFY(showChat());
    QCOMPARE(m_shell.delegate()->mainWindow()->windowTitle(), QStringLiteral("Bea Lee"));
    QCOMPARE(chat()->textFieldRoomName()->text(), QStringLiteral("Bea Lee"));
    // The newest messages, each day opened by its row, the spacer last, the end shown.
    QCOMPARE(rows()->index(rows()->rowCount() - 2).data().toString(),
             QStringLiteral("old message 149"));
    QCOMPARE(countKind(rows(), MCChatEntry::DateRow), 2);
    QCOMPARE(countKind(rows(), MCChatEntry::EmptyRow), 1);
    QCOMPARE(rows()->index(0).data(MCChatRowsModel::KindRole).toInt(), int(MCChatEntry::DateRow));
    QTRY_VERIFY(chat()->isLastRowVisible() && table()->rowView(rows()->rowCount() - 1));
    QVERIFY(table()->rowViews().size() < 60); // only the rows on and near the screen
    QVERIFY(qobject_cast<MCChatTableCellView *>(table()->rowView(rows()->rowCount() - 2)));
    QCOMPARE(table()->rowView(rows()->rowCount() - 1)->objectName(), QStringLiteral("emptyRow"));
    // One sender: the first message after a day row starts a run, the next ones continue it.
    const int yesterday = rowWithText(rows(), QStringLiteral("old message 80"));
    QCOMPARE(rows()->index(yesterday - 1).data(MCChatRowsModel::KindRole).toInt(),
             int(MCChatEntry::DateRow));
    QCOMPARE(viewOf<MCChatRowView>(yesterday)->objectName(), QStringLiteral("textMessage"));
    // Bea has no picture of her own: her messages show a person's outline in its place.
    const auto *picture = viewOf<MCChatRowView>(yesterday)->findChild<QLabel *>("notMe");
    QVERIFY(picture && !picture->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(viewOf<MCChatRowView>(yesterday + 1)->objectName(),
             QStringLiteral("textMessageAdditional"));
    QCOMPARE(table()->rowHeightAt(yesterday), 50);
    QCOMPARE(table()->rowHeightAt(yesterday + 1), 25);

    // Scrolling to the top brings the 50 older ones; the row shown stays where it was.
    const int firstShown = rowWithText(rows(), QStringLiteral("old message 50"));
    table()->verticalScrollBar()->setValue(table()->rowTop(firstShown));
    table()->verticalScrollBar()->setValue(0);
    const int shownAt = table()->rowTop(firstShown) - table()->verticalScrollBar()->value();
    QTRY_COMPARE_WITH_TIMEOUT(bea()->writtenMessages().size(), 150, 20000);
    QCOMPARE(countKind(rows(), MCChatEntry::DateRow), 2);
    QCOMPARE(rows()->index(1).data().toString(), QStringLiteral("old message 0"));
    const int moved = rowWithText(rows(), QStringLiteral("old message 50"));
    QCOMPARE(moved, firstShown + 50);
    QCOMPARE(table()->rowTop(moved) - table()->verticalScrollBar()->value(), shownAt);

    // Her row clicked again while her chat is shown gives the message field the keyboard.
    chat()->buttonEmoticon()->setFocus();
    QTRY_VERIFY(!chat()->textView()->hasFocus());
    QVERIFY(clickPlace(bea()->title()));
    QTRY_VERIFY(chat()->textView()->hasFocus());
    QCOMPARE(MCManager::sharedManager()->notBrowsablePath(), bea()->title());
}

void TestPeopleChat::emojiFromChooserIsSentAsShortcodeThenConfirmed()
{
    QVERIFY(showChat());
    QVERIFY(m_server.clearRequests());
    MCChatMessageField *field = chat()->textView();
    QTRY_VERIFY(field->hasFocus());
    // Return in an empty field sends nothing.
    QTest::keyClick(field, Qt::Key_Return);
    const int before = rows()->rowCount();
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(rows()->rowCount(), before);

    QTest::keyClicks(field, QStringLiteral("hi "));
    // The chooser opens on a click on its button, which stays pressed while it is open; closed
    // any way, it leaves the button up.
    QToolButton *button = chat()->buttonEmoticon();
    MCEmoticonChooser *chooser = chat()->emoticonPopOver();
    QWindow *window = chat()->window()->windowHandle();
    const QPoint onButton = button->mapTo(chat()->window(), button->rect().center());
    const auto open = [&] {
        QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
        return QTest::qWaitFor([chooser] { return chooser->isVisible(); }) && button->isChecked();
    };
    const auto closedAndUp = [&] {
        return !chooser->isVisible() && !button->isChecked() && !button->isDown();
    };
    // A click on the button closes it, as do one on the message field and Escape, wherever
    // the keyboard is in the chooser.
    QVERIFY(open());
    QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
    QVERIFY(closedAndUp());
    QVERIFY(open());
    QTest::mouseClick(window, Qt::LeftButton, {},
                      field->viewport()->mapTo(chat()->window(), QPoint(2, 4)));
    QVERIFY(closedAndUp());
    QVERIFY(open());
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(closedAndUp());

    QVERIFY(open());
    MCEmoticonTextView *grid = chooser->emoticonTextView();
    const QRect smile = grid->rectOf(QStringLiteral(":smile:"));
    QVERIFY(!smile.isEmpty());
    QTest::mouseMove(grid->viewport(), smile.center());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, smile.center());
    QTRY_VERIFY(closedAndUp());
    QVERIFY(field->toPlainText().startsWith(QStringLiteral("hi ")));
    QVERIFY(!field->toPlainText().contains(QLatin1Char(':'))); // shown as the emoji
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(field->toPlainText().isEmpty());

    const int pending = rowWithText(rows(), QStringLiteral("hi :smile:"));
    QVERIFY(pending >= 0);
    QCOMPARE(rows()->index(pending).data(MCChatRowsModel::AccessoryRole).toString(),
             QStringLiteral("Pending"));
    auto *cell = viewOf<MCChatTableCellView>(pending);
    QVERIFY(cell);
    QCOMPARE(cell->accessoryText(), QStringLiteral("Pending"));
    QCOMPARE(cell->textView()->text(), QStringLiteral("hi \U0001F604"));
    // The service got the shortcode.
    QTRY_VERIFY_WITH_TIMEOUT(
        firstRequest(m_server.requests(),
                     QStringLiteral("/api/v1/conversations/%1").arg(m_bea.conversation()),
                     QStringLiteral("POST")) >= 0,
        20000);
    const QJsonArray log = m_server.requests();
    const int post =
        firstRequest(log, QStringLiteral("/api/v1/conversations/%1").arg(m_bea.conversation()),
                     QStringLiteral("POST"));
    QCOMPARE(QJsonDocument::fromJson(log.at(post).toObject().value("body").toString().toUtf8())
                 .object()
                 .value("content")
                 .toString(),
             QStringLiteral("hi :smile:"));
    // Its echo confirms the row: its time instead of "Pending", and no second row.
    QTRY_VERIFY_WITH_TIMEOUT(cell->accessoryText() != QStringLiteral("Pending"), 20000);
    QVERIFY(!cell->accessoryText().isEmpty());
    // Two more polls asked after the echo: the first one's answer has been taken in.
    const QString news = QStringLiteral("/api/v1/conversations/notifications");
    const int polls = m_server.requestsTo(news).size();
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestsTo(news).size() >= polls + 2, 20000);
    int count = 0;
    for (int row = 0; row < rows()->rowCount(); ++row)
        count += rows()->index(row).data().toString() == QStringLiteral("hi :smile:") ? 1 : 0;
    QCOMPARE(count, 1);
    QCOMPARE(bea()->chatNotifications(), 0);
}

void TestPeopleChat::draggingAcrossThreeMessagesCopiesTheirTexts()
{
    QVERIFY(showChat());
    QApplication::clipboard()->clear();
    const int first = rowWithText(rows(), QStringLiteral("old message 140"));
    table()->verticalScrollBar()->setValue(table()->rowTop(first) - 20);
    QList<MCChatTextView *> texts;
    for (int row = first; row < first + 3; ++row) {
        auto *cell = qobject_cast<MCChatTableCellView *>(table()->rowView(row));
        QVERIFY(cell);
        texts.append(cell->textView());
    }
    const auto at = [](MCChatTextView *view, int index) {
        QTextCursor cursor(view->document());
        cursor.setPosition(index);
        const QTextLine line = cursor.block().layout()->lineForTextPosition(index);
        return QPoint(int(line.cursorToX(index)) + (index == 0 ? 1 : -1),
                      int(line.y() + line.height() / 2));
    };
    for (MCChatTextView *view : texts)
        view->heightForWidth(view->width());
    // Through the window, as the pointer does: the drag carries the pressed button.
    QWidget *top = chat()->window();
    QWindow *handle = top->windowHandle();
    const auto point = [top](MCChatTextView *view, const QPoint &inView) {
        return view->mapTo(top, inView);
    };
    QTest::mousePress(handle, Qt::LeftButton, {}, point(texts[0], at(texts[0], 0)));
    QTest::mouseMove(handle, point(texts[1], at(texts[1], 5)));
    QTest::mouseMove(handle, point(texts[2], at(texts[2], texts[2]->text().size())));
    QTest::mouseRelease(handle, Qt::LeftButton, {},
                        point(texts[2], at(texts[2], texts[2]->text().size())));
    QVERIFY(chat()->selectionManager()->currentSession());
    QCOMPARE(chat()->selectionManager()->cachedAttributedText(),
             QStringLiteral("old message 140\nold message 141\nold message 142"));
    QTest::keyClick(chat()->window(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("old message 140\nold message 141\nold message 142"));
    // A click in the message field gives it the keyboard back.
    QTest::mouseClick(chat()->textView()->viewport(), Qt::LeftButton);
    QTRY_VERIFY(chat()->textView()->hasFocus());
}

void TestPeopleChat::arrivingMessageRaisesUnreadCountWhenNotShown()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(showChat());
    table()->scrollToBottom();
    // Shown, active, at the end: read as it arrives.
    QVERIFY(postAs(QStringLiteral("seen at once")));
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), QStringLiteral("seen at once")) >= 0, 20000);
    QCOMPARE(bea()->chatNotifications(), 0);
    QVERIFY(chat()->isLastRowVisible());

    // The browser shown: counted, and the launcher badge gets the room.
    QVERIFY(clickPlace(QStringLiteral("home")));
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    // Another window in front: the arrival also goes to the desktop, as plain text.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QTRY_VERIFY(!m_shell.delegate()->mainWindow()->isActiveWindow());
    const int bubbles = m_bubbles.notifications().size();
    QVERIFY(postAs(QStringLiteral("are you there? :smile:")));
    QTRY_COMPARE_WITH_TIMEOUT(bea()->chatNotifications(), 1, 20000);
    QVERIFY(hub->chatSupport().dockNotifications().contains(m_bea.conversation()));
    // Told once no other message follows for a moment, its text isolated.
    QTRY_COMPARE(
        m_bubbles.notifications().mid(bubbles),
        (QList<QPair<QString, QString>>{
            {QStringLiteral("Bea Lee"), QStringLiteral("\u2068are you there? \U0001F604\u2069")}}));
    other.hide();
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QVERIFY(postAs(QStringLiteral("hello?")));
    QTRY_COMPARE_WITH_TIMEOUT(bea()->chatNotifications(), 2, 20000);
    // Opening the chat reads them.
    QVERIFY(showChat());
    QTRY_COMPARE(bea()->chatNotifications(), 0);
    QVERIFY(hub->chatSupport().dockNotifications().isEmpty());
}

void TestPeopleChat::hostileMessagesStayPlainText()
{
    QVERIFY(showChat());
    const QString markup =
        QStringLiteral("<b>big</b> <img src=x> &amp; <a href=\"file:///etc\">x</a>");
    const QString longLine = QString(10000, QLatin1Char('w'));
    const QString override = QStringLiteral("\u202Etxt.exe and then some");
    const QString links = QStringLiteral(
        "web http://example.com/a, mail mailto:a@b.c then file:///etc/passwd javascript:alert(1)");
    for (const QString &text : {markup, longLine, override, links})
        QVERIFY(postAs(text));
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), links) >= 0, 20000);
    const int width = table()->viewport()->width();
    for (const QString &text : {markup, longLine, override, links}) {
        auto *cell = viewOf<MCChatTableCellView>(rowWithText(rows(), text));
        QVERIFY(cell);
        QCOMPARE(cell->textView()->text(), text);
        QCOMPARE(cell->width(), width);
        QVERIFY(cell->textView()->geometry().right() < width);
    }
    // The long line wraps inside its row, which grows to hold it.
    auto *tall = viewOf<MCChatTableCellView>(rowWithText(rows(), longLine));
    QVERIFY(tall->height() > 200);
    QVERIFY(tall->textView()->height() >=
            tall->textView()->heightForWidth(tall->textView()->width()));

    // Only web and mail links open.
    LinkRecorder recorder;
    for (const char *scheme : {"http", "https", "mailto", "file", "javascript"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
    auto *cell = viewOf<MCChatTableCellView>(rowWithText(rows(), links));
    MCChatTextView *text = cell->textView();
    text->heightForWidth(text->width()); // laid out at its width
    const auto clickAt = [text](const QString &word) {
        QTextCursor cursor = text->document()->find(word);
        QVERIFY(!cursor.isNull());
        const QTextBlock block = cursor.block();
        const QTextLine line =
            block.layout()->lineForTextPosition(cursor.selectionStart() - block.position());
        QVERIFY(line.isValid());
        const qreal x = line.cursorToX(cursor.selectionStart() - block.position() + 2);
        QTest::mouseClick(
            text, Qt::LeftButton, {},
            QPoint(int(x), int(block.layout()->position().y() + line.y() + line.height() / 2)));
    };
    clickAt(QStringLiteral("http://"));
    clickAt(QStringLiteral("mailto:"));
    clickAt(QStringLiteral("file://"));
    clickAt(QStringLiteral("javascript:"));
    QCOMPARE(recorder.opened, (QList<QUrl>{QUrl("http://example.com/a"), QUrl("mailto:a@b.c")}));
    for (const char *scheme : {"http", "https", "mailto", "file", "javascript"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void TestPeopleChat::fileDroppedOnChatIsSentAndAccepted()
{
    QVERIFY(showChat());
    QVERIFY(
        !m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/report.txt"), "report")
             .isEmpty());
    std::unique_ptr<QMimeData> data(
        MCPasteboard::mimeDataForRemotePaths({QStringLiteral("/report.txt")}));
    const QPoint at = chat()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(chat(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(chat(), &drop);
    // The row asks before anything is sent.
    const int row = rowWithText(rows(), QStringLiteral("report.txt"));
    QVERIFY(row >= 0);
    auto *file = viewOf<MCChatFileRowView>(row);
    QVERIFY(file);
    QCOMPARE(file->objectName(), QStringLiteral("sendFileRequest"));
    QCOMPARE(file->accessoryText(), QStringLiteral("Send to Bea Lee?"));
    QVERIFY(file->sendButton()->isVisible() && file->cancelButton()->isVisible());
    QVERIFY(showsStatus(file, QString()));
    // A second drop of the same file while it is pending makes no second row.
    QApplication::sendEvent(chat(), &drop);
    QCOMPARE(bea()->conversation().size(), rows()->rowCount());
    int files = countKind(rows(), MCChatEntry::CollaborationRow);
    QCOMPARE(files, 1);

    QTest::mouseClick(file->sendButton(), Qt::LeftButton);
    QCOMPARE(file->sendingText(), QStringLiteral("Sending. Waiting..."));
    QVERIFY(!file->sendButton()->isVisible());
    QVERIFY(showsStatus(file, QStringLiteral("waitingColored.png")));
    QTRY_COMPARE_WITH_TIMEOUT(file->sendingText(),
                              QStringLiteral("File sent. Waiting for response..."), 20000);
    const MOCollaboration sent = file->fileEntry()->collaboration();
    QVERIFY(!sent.token().isEmpty());
    QCOMPARE(bea()->collaborationEntries().size(), 1);
    QCOMPARE(bea()->collaborationEntries().first(), file->fileEntry());

    QCOMPARE(m_bea.session().post(QStringLiteral("/invites/%1/accept.json").arg(sent.token()),
                                  {{"destination_path", "/report.txt"}, {"token", sent.token()}}),
             200);
    QTRY_VERIFY_WITH_TIMEOUT(file->sendingText().startsWith(QStringLiteral("Accepted on ")), 30000);
    QCOMPARE(file->fileEntry()->responseStatus(), qint64(MCChatCollaborationEntry::Accepted));
    QVERIFY(showsStatus(file, QStringLiteral("acceptedColored.png")));
}

void TestPeopleChat::receivedFilesAreAcceptedIntoTheirFolderOrDeclined()
{
    QVERIFY(showChat());
    for (const char *name : {"/b1.txt", "/b2.txt"})
        QVERIFY(!m_server.seedFile(BeaEmail, QLatin1String(name), QByteArray("from bea ") + name)
                     .isEmpty());
    // Two bursts of five messages, each stored in one second, the first shown before the
    // second is stored, and the files offered right after the second: the service dates
    // messages and files to the second, and the files are drawn below the messages, whichever
    // poll brings what first.
    QCOMPARE(
        m_server.postMessagesAs(BeaEmail, m_bea.conversation(), QStringLiteral("first"), 5).size(),
        5);
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), QStringLiteral("first 5")) >= 0, 20000);
    QCOMPARE(
        m_server.postMessagesAs(BeaEmail, m_bea.conversation(), QStringLiteral("then"), 5).size(),
        5);
    for (const char *name : {"/b1.txt", "/b2.txt"})
        QVERIFY(!m_server.sendCollaborationAs(BeaEmail, m_bea.conversation(), QLatin1String(name))
                     .isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), QStringLiteral("b2.txt")) >= 0 &&
                                 rowWithText(rows(), QStringLiteral("then 5")) >= 0,
                             20000);
    for (const QString &part : {QStringLiteral("first"), QStringLiteral("then")}) {
        for (int n = 1; n <= 5; ++n) {
            const int message = rowWithText(rows(), QStringLiteral("%1 %2").arg(part).arg(n));
            QVERIFY2(message >= 0 && message < rowWithText(rows(), QStringLiteral("b1.txt")),
                     qPrintable(QStringLiteral("%1 %2").arg(part).arg(n)));
        }
    }
    auto *first = viewOf<MCChatFileRowView>(rowWithText(rows(), QStringLiteral("b1.txt")));
    QVERIFY(first);
    QCOMPARE(first->objectName(), QStringLiteral("receiveFileRequest"));
    QVERIFY(first->acceptButton()->isVisible() && first->declineButton()->isVisible());
    QCOMPARE(first->accessoryText(), QStringLiteral("Waiting"));
    QVERIFY(showsStatus(first, QStringLiteral("waitingColored.png")));
    QTest::mouseClick(first->acceptButton(), Qt::LeftButton);
    QCOMPARE(first->sendingText(), QStringLiteral("Accepted. Waiting..."));
    QVERIFY(!first->acceptButton()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(first->fileEntry()->responseStatus(),
                              qint64(MCChatCollaborationEntry::Accepted), 20000);
    QVERIFY(first->sendingText().startsWith(QStringLiteral("Accepted on ")));
    QTRY_COMPARE_WITH_TIMEOUT(m_bea.session().remoteBytes(QStringLiteral("/b1.txt")),
                              QByteArray("from bea /b1.txt"), 5000);
    ServiceReader demo;
    QVERIFY(demo.signIn(m_server));
    QCOMPARE(demo.remoteBytes(QStringLiteral("/Files From Bea Lee/b1.txt")),
             QByteArray("from bea /b1.txt"));

    auto *second = viewOf<MCChatFileRowView>(rowWithText(rows(), QStringLiteral("b2.txt")));
    QTest::mouseClick(second->declineButton(), Qt::LeftButton);
    QCOMPARE(second->sendingText(), QStringLiteral("Declined. Waiting..."));
    QTRY_COMPARE_WITH_TIMEOUT(second->fileEntry()->responseStatus(),
                              qint64(MCChatCollaborationEntry::Rejected), 20000);
    QVERIFY(showsStatus(second, QStringLiteral("rejected.png")));
    QVERIFY(demo.remoteBytes(QStringLiteral("/Files From Bea Lee/b2.txt")).isNull());
}

void TestPeopleChat::fileWithAnInvalidNameIsRefusedInFull()
{
    QVERIFY(showChat());
    // A tab in the name: accepted, it would be a name no folder should get.
    const QString name = QStringLiteral("odd\tname.txt");
    QVERIFY(!m_server.seedFile(BeaEmail, QLatin1Char('/') + name, "odd").isEmpty());
    QVERIFY(!m_server.sendCollaborationAs(BeaEmail, m_bea.conversation(), QLatin1Char('/') + name)
                 .isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), name) >= 0, 20000);
    auto *file = viewOf<MCChatFileRowView>(rowWithText(rows(), name));
    QVERIFY(file && file->acceptButton()->isVisible());
    QTest::ignoreMessage(QtWarningMsg,
                         "Refused to accept a file whose name is not a plain file name");
    QTest::mouseClick(file->acceptButton(), Qt::LeftButton);

    // The row says why in full, and offers no answer any more.
    const QString said = QStringLiteral("Refused: the file's name is not valid");
    QCOMPARE(file->sendingText(), said);
    QVERIFY(!file->acceptButton()->isVisible() && !file->declineButton()->isVisible());
    QVERIFY(!file->accessoryText().contains(QStringLiteral("Refused")));
    const QLabel *state = file->stateLabel();
    QVERIFY(state->isVisible());
    QVERIFY2(state->heightForWidth(state->width()) <= state->height() ||
                 state->fontMetrics().horizontalAdvance(said) <= state->width(),
             qPrintable(QStringLiteral("%1x%2").arg(state->width()).arg(state->height())));
    QVERIFY(state->geometry().right() <= file->width());
}

void TestPeopleChat::filesDroppedOnTheSidebarRowAndLocalFiles()
{
    QVERIFY(showChat());
    // A remote file dropped on Bea's sidebar row: a row to send in her chat.
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/notes.md"), "n")
                 .isEmpty());
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    auto *outline = sidebar->outlineView();
    const QPoint row =
        outline->visualRect(sidebar->model()->indexForPlace(bea()->title())).center();
    std::unique_ptr<QMimeData> remote(
        MCPasteboard::mimeDataForRemotePaths({QStringLiteral("/notes.md")}));
    QDragEnterEvent enter(row, Qt::CopyAction, remote.get(), Qt::LeftButton, {});
    QApplication::sendEvent(outline->viewport(), &enter);
    QDragMoveEvent move(row, Qt::CopyAction, remote.get(), Qt::LeftButton, {});
    QApplication::sendEvent(outline->viewport(), &move);
    QDropEvent drop(row, Qt::CopyAction, remote.get(), Qt::LeftButton, {});
    QApplication::sendEvent(outline->viewport(), &drop);
    QTRY_VERIFY(rowWithText(rows(), QStringLiteral("notes.md")) >= 0);
    auto *file = viewOf<MCChatFileRowView>(rowWithText(rows(), QStringLiteral("notes.md")));
    QVERIFY(file && file->sendButton()->isVisible());
    // Cancel takes that row away.
    QTest::mouseClick(file->cancelButton(), Qt::LeftButton);
    QTRY_COMPARE(rowWithText(rows(), QStringLiteral("notes.md")), -1);

    // A local file dropped on the chat goes to the store first, once the user agreed.
    QTemporaryDir folder;
    const QString local = folder.filePath(QStringLiteral("local note.txt"));
    QFile made(local);
    QVERIFY(made.open(QIODevice::WriteOnly) && made.write("local") == 5);
    made.close();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(local)});
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();
    const QPoint at = chat()->rect().center();
    QDragEnterEvent enterChat(at, Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(chat(), &enterChat);
    QDropEvent dropChat(at, Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(chat(), &dropChat);
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QCOMPARE(m_shell.alerts.pendingAlert().messageText, QStringLiteral("External Files"));
    QVERIFY(m_shell.alerts.answer(QStringLiteral("OK")));
    ServiceReader demo;
    QVERIFY(demo.signIn(m_server));
    QTRY_COMPARE_WITH_TIMEOUT(demo.remoteBytes(QStringLiteral("/local note.txt")),
                              QByteArray("local"), 20000);
}

void TestPeopleChat::filesOfferedWhileMinimisedAreToldOnTheDesktop()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(clickPlace(QStringLiteral("home")));
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    window->showMinimized();
    QTRY_VERIFY(window->isMinimized());

    // Every file Bea offers is told, the second as the first, and so is a message after them.
    using Bubbles = QList<QPair<QString, QString>>;
    int told = m_bubbles.notifications().size();
    for (const QString &name : {QStringLiteral("offer one.txt"), QStringLiteral("offer two.txt")}) {
        const QString path = QLatin1Char('/') + name;
        QVERIFY(!m_server.seedFile(BeaEmail, path, "offered").isEmpty());
        QVERIFY(!m_server.sendCollaborationAs(BeaEmail, m_bea.conversation(), path).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(
            m_bubbles.notifications().mid(told),
            (Bubbles{{QStringLiteral("Bea Lee"),
                      QStringLiteral("\u2068Offers you a file: %1\u2069").arg(name)}}),
            20000);
        ++told;
    }
    QVERIFY(postAs(QStringLiteral("sent you two files")));
    QTRY_COMPARE_WITH_TIMEOUT(
        m_bubbles.notifications().mid(told),
        (Bubbles{{QStringLiteral("Bea Lee"), QStringLiteral("\u2068sent you two files\u2069")}}),
        20000);
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestPeopleChat test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplechat.moc"
