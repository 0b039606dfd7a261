// Social requests that do not go through, tried through the widgets a user touches, signed in
// as the demo user against kerlo-local while Bea and others act through its control API. Each
// request meets the service answering 500 (a search 503 too), never answering (the stall limit
// is shortened) and dropping the connection; an answer to a file or an invitation also meets a
// refusal (400 with the service's reason), told as a refusal and not as a lost answer; so does an
// invitation. The failure is told once where the request was made, nothing typed is lost and the
// controls come back: a message or a file not sent can be sent again or removed, an answer given
// again, a search or an invitation tried again.
#include "chatpartner.h"
#include "kbbutton.h"
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
#include "mcjoininvitation.h"
#include "mcjoininvitationview.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmessagescontroller.h"
#include "mcnotificationsmodel.h"
#include "mcoutlineviewsidebar.h"
#include "mcpasteboard.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcsocialaddcellview.h"
#include "mcsocialaddcontroller.h"
#include "mcsocialaddmodel.h"
#include "servicereader.h"
#include "shelltestfixture.h"
#include "yrkspinningprogressindicator.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QString::fromLatin1(ChatPartner::Email);
const QString NoAnswer = QStringLiteral("No answer came from the service.");
const QString ServiceFailed = QStringLiteral("The service could not do it just now.");
const int Patience = 30000;
// What the service says when it refuses an answer (fault "400").
const QString Refusal = QStringLiteral("Answers to this invitation are closed");

void addFaultRows()
{
    QTest::addColumn<QString>("fault");
    // "200": an answer without the object it stands for.
    for (const char *fault : {"500", "hang", "drop", "200"})
        QTest::newRow(fault) << QString::fromLatin1(fault);
}

// What the user reads for that fault: an answer that says nothing is no answer.
QString reasonFor(const QString &fault)
{
    return fault.at(0).isDigit() && fault != QLatin1String("200") ? ServiceFailed : NoAnswer;
}

// What an answer's row says when the answer was not taken: a refusal with the service's
// reason; a failure of the service as such; a drop or a timeout, that it did not arrive.
QString answerNotTaken(const QString &fault)
{
    if (fault.startsWith(QLatin1Char('4')))
        return QStringLiteral("The service refused your answer: ") + Refusal;
    if (fault.startsWith(QLatin1Char('5')))
        return QStringLiteral("The service could not take your answer just now. Try again.");
    return QStringLiteral("Your answer did not reach the service. Try again.");
}

} // namespace

class TestPeopleFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void messageNotSentIsMarkedThenSentAgainOrRemoved_data();
    void messageNotSentIsMarkedThenSentAgainOrRemoved();
    void fileNotSentIsSentAgainOrRemoved_data() { addFaultRows(); }
    void fileNotSentIsSentAgainOrRemoved();
    void fileAnswerNotSentIsGivenAgain_data();
    void fileAnswerNotSentIsGivenAgain();
    void fileTheSenderDeletedCannotBeAccepted();
    void invitationAnswerNotSentIsGivenAgain_data();
    void invitationAnswerNotSentIsGivenAgain();
    void searchThatFailsSaysSoAndClearsTheRows_data();
    void searchThatFailsSaysSoAndClearsTheRows();
    void invitationNotSentIsSentAgain_data();
    void invitationNotSentIsSentAgain();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCContact *bea() const { return m_bea.contact(); }
    MCChatViewController *chat() const { return m_bea.chat(); }
    const MCChatRowsModel *rows() const { return m_bea.rows(); }
    template<class View> View *viewOf(int row) { return m_bea.viewOf<View>(row); }
    bool showChat() { return m_bea.showChat(); }
    // The fault on every request to path (with method, when given) until the next reset.
    bool applyFault(const QString &path, const QString &fault, const QString &method = "POST");
    // A file of the demo user's store offered in Bea's chat: its prepared row.
    MCChatFileRowView *prepareFile(const QString &path);
    MCSocialAddController *addPage() const;
    void search(const QString &text);
    QString cellText(int row, int column, bool email = false) const;
    QToolButton *addButton(int row) const;

    KerloLocal m_server;
    Shell m_shell;
    ChatPartner m_bea{m_server, m_shell};
};

bool TestPeopleFailures::applyFault(const QString &path, const QString &fault,
                                    const QString &method)
{
    if (fault == QLatin1String("hang"))
        return m_server.hang(path, -1, method);
    if (fault == QLatin1String("drop"))
        return m_server.drop(path, -1, method);
    const QByteArray body =
        fault.startsWith(QLatin1Char('4'))
            ? QJsonDocument(QJsonObject{{"errors", QJsonArray{Refusal}}}).toJson()
            : QByteArray("{}");
    return m_server.forceStatus(path, fault.toInt(), body, -1, method);
}

void TestPeopleFailures::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(m_bea.startConversation());
    QVERIFY(m_bea.inviteDemoUser());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QVERIFY(m_bea.acceptInvitation(Patience));
}

void TestPeopleFailures::cleanup()
{
    QVERIFY(m_server.reset());
}

void TestPeopleFailures::messageNotSentIsMarkedThenSentAgainOrRemoved_data()
{
    addFaultRows();
    QTest::newRow("400") << QStringLiteral("400");
}

void TestPeopleFailures::messageNotSentIsMarkedThenSentAgainOrRemoved()
{
    QFETCH(QString, fault);
    QVERIFY(showChat());
    QVERIFY(
        applyFault(QStringLiteral("/api/v1/conversations/%1").arg(m_bea.conversation()), fault));
    MCChatMessageField *field = chat()->textView();
    const QString text = QStringLiteral("to keep (%1)").arg(fault);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    const int row = rowWithText(rows(), text);
    QVERIFY(row >= 0);
    QPointer<MCChatTableCellView> cell = viewOf<MCChatTableCellView>(row);
    QVERIFY(cell);
    QCOMPARE(cell->accessoryText(), QStringLiteral("Pending"));
    QVERIFY(!cell->notSentButton()->isVisibleTo(cell));

    // Marked on its row, with its text, and the way to send it again or remove it.
    QTRY_VERIFY_WITH_TIMEOUT(cell->notSentButton()->isVisibleTo(cell), Patience);
    QCOMPARE(cell->notSentButton()->text(), QStringLiteral("Not sent"));
    QCOMPARE(rows()->index(row).data(MCChatRowsModel::AccessoryRole).toString(),
             QStringLiteral("Not sent"));
    QCOMPARE(cell->textView()->text(), text);
    QCOMPARE(cell->sendAgainAction()->text(), QStringLiteral("Send Again"));
    QCOMPARE(cell->removeAction()->text(), QStringLiteral("Remove"));
    // Why: the service's own reason for a refusal, else what its failure means.
    const QString why = fault.startsWith(QLatin1Char('4')) ? Refusal : reasonFor(fault);
    QVERIFY(cell->reasonAction()->isVisible());
    QCOMPARE(cell->reasonAction()->text(), why);
    QVERIFY2(cell->notSentButton()->toolTip().contains(why),
             qPrintable(cell->notSentButton()->toolTip()));

    // Sent again once the service takes it: pending, then confirmed by its echo, one row.
    QVERIFY(m_server.reset());
    cell->sendAgainAction()->trigger();
    QVERIFY(!cell->notSentButton()->isVisibleTo(cell));
    QCOMPARE(cell->accessoryText(), QStringLiteral("Pending"));
    QTRY_VERIFY_WITH_TIMEOUT(cell->accessoryText() != QStringLiteral("Pending"), Patience);
    QVERIFY(!cell->notSentButton()->isVisibleTo(cell));
    QCOMPARE(rows()->rowCount(), bea()->conversation().size());
    int copies = 0;
    for (const MOMessage &message : bea()->writtenMessages())
        copies += message.body() == text ? 1 : 0;
    QCOMPARE(copies, 1);

    // Another one not sent, removed from the chat.
    QVERIFY(
        applyFault(QStringLiteral("/api/v1/conversations/%1").arg(m_bea.conversation()), fault));
    const QString dropped = QStringLiteral("to remove (%1)").arg(fault);
    QTest::keyClicks(field, dropped);
    QTest::keyClick(field, Qt::Key_Return);
    cell = viewOf<MCChatTableCellView>(rowWithText(rows(), dropped));
    QVERIFY(cell);
    QTRY_VERIFY_WITH_TIMEOUT(cell->notSentButton()->isVisibleTo(cell), Patience);
    cell->removeAction()->trigger();
    QTRY_COMPARE(rowWithText(rows(), dropped), -1);
    QCOMPARE(rows()->rowCount(), bea()->conversation().size());
}

MCChatFileRowView *TestPeopleFailures::prepareFile(const QString &path)
{
    if (m_server.seedFile(QString::fromLatin1(DemoEmail), path, "offer").isEmpty())
        return nullptr;
    std::unique_ptr<QMimeData> data(MCPasteboard::mimeDataForRemotePaths({path}));
    const QPoint at = chat()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(chat(), &enter);
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(chat(), &drop);
    const int row = rowWithText(rows(), path.mid(1));
    return row < 0 ? nullptr : viewOf<MCChatFileRowView>(row);
}

void TestPeopleFailures::fileNotSentIsSentAgainOrRemoved()
{
    QFETCH(QString, fault);
    QVERIFY(showChat());
    QVERIFY(applyFault(QStringLiteral("/api/v1/invites/invite.json"), fault));
    QPointer<MCChatFileRowView> file = prepareFile(QStringLiteral("/offer-%1.txt").arg(fault));
    QVERIFY(file);
    QTest::mouseClick(file->sendButton(), Qt::LeftButton);
    QCOMPARE(file->sendingText(), QStringLiteral("Sending. Waiting..."));
    // Told once, on the row, which offers Send and Cancel again.
    QTRY_COMPARE_WITH_TIMEOUT(file->sendingText(), QStringLiteral("Not sent. ") + reasonFor(fault),
                              Patience);
    QVERIFY(file->sendButton()->isVisibleTo(file) && file->cancelButton()->isVisibleTo(file));
    QCOMPARE(file->accessoryText(), QStringLiteral("Send to Bea Lee?"));

    QVERIFY(m_server.reset());
    QTest::mouseClick(file->sendButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(file->sendingText(),
                              QStringLiteral("File sent. Waiting for response..."), Patience);
    QVERIFY(!file->fileEntry()->collaboration().token().isEmpty());
    QVERIFY(!file->sendButton()->isVisibleTo(file));

    // Another one not sent, cancelled.
    QVERIFY(applyFault(QStringLiteral("/api/v1/invites/invite.json"), fault));
    const QString other = QStringLiteral("/other-%1.txt").arg(fault);
    file = prepareFile(other);
    QVERIFY(file);
    QTest::mouseClick(file->sendButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(file->cancelButton()->isVisibleTo(file), Patience);
    QTest::mouseClick(file->cancelButton(), Qt::LeftButton);
    QTRY_COMPARE(rowWithText(rows(), other.mid(1)), -1);
}

void TestPeopleFailures::fileAnswerNotSentIsGivenAgain_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("accept");
    for (const char *fault : {"500", "hang", "drop", "400", "200"}) {
        QTest::addRow("accept %s", fault) << QString::fromLatin1(fault) << true;
        QTest::addRow("decline %s", fault) << QString::fromLatin1(fault) << false;
    }
}

void TestPeopleFailures::fileAnswerNotSentIsGivenAgain()
{
    QFETCH(QString, fault);
    QFETCH(bool, accept);
    QVERIFY(showChat());
    const QString path =
        QStringLiteral("/bea-%1.txt").arg(QTest::currentDataTag()).replace(' ', '-');
    QVERIFY(!m_server.seedFile(BeaEmail, path, "from bea").isEmpty());
    QVERIFY(
        !m_server.sendCollaborationToContactAs(BeaEmail, QLatin1String(DemoEmail), path).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), path.mid(1)) >= 0, Patience);
    QPointer<MCChatFileRowView> file = viewOf<MCChatFileRowView>(rowWithText(rows(), path.mid(1)));
    QVERIFY(file);
    const QString token = file->fileEntry()->collaboration().token();
    QVERIFY(applyFault(
        QStringLiteral("/api/v1/invites/%1/%2.json").arg(token, accept ? "accept" : "reject"),
        fault));
    QPushButton *answer = accept ? file->acceptButton() : file->declineButton();
    QTest::mouseClick(answer, Qt::LeftButton);
    QVERIFY(!answer->isVisibleTo(file));

    // Waiting for the user's answer again, saying the last one did not arrive, or why the
    // service refused it.
    QTRY_COMPARE_WITH_TIMEOUT(file->sendingText(), answerNotTaken(fault), Patience);
    QVERIFY(file->acceptButton()->isVisibleTo(file) && file->declineButton()->isVisibleTo(file));
    QCOMPARE(file->accessoryText(), QStringLiteral("Waiting"));

    QVERIFY(m_server.reset());
    QTest::mouseClick(answer, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(
        file->fileEntry()->responseStatus(),
        qint64(accept ? MCChatCollaborationEntry::Accepted : MCChatCollaborationEntry::Rejected),
        Patience);
}

void TestPeopleFailures::fileTheSenderDeletedCannotBeAccepted()
{
    QVERIFY(showChat());
    const QString path = QStringLiteral("/gone.txt");
    QVERIFY(!m_server.seedFile(BeaEmail, path, "soon gone").isEmpty());
    QVERIFY(
        !m_server.sendCollaborationToContactAs(BeaEmail, QLatin1String(DemoEmail), path).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(rowWithText(rows(), path.mid(1)) >= 0, Patience);
    QPointer<MCChatFileRowView> file = viewOf<MCChatFileRowView>(rowWithText(rows(), path.mid(1)));
    QVERIFY(file);
    QVERIFY(!m_server.deleteObject(BeaEmail, path).isEmpty());
    QTest::mouseClick(file->acceptButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(file->sendingText(),
                              QStringLiteral("Oops! The sender deleted/moved his file"), Patience);
    QVERIFY(!file->acceptButton()->isVisibleTo(file) && !file->declineButton()->isVisibleTo(file));
    QCOMPARE(file->fileEntry()->responseStatus(), qint64(MCChatCollaborationEntry::Revoked));
}

void TestPeopleFailures::invitationAnswerNotSentIsGivenAgain_data()
{
    fileAnswerNotSentIsGivenAgain_data();
}

void TestPeopleFailures::invitationAnswerNotSentIsGivenAgain()
{
    QFETCH(QString, fault);
    QFETCH(bool, accept);
    MCManager *hub = MCManager::sharedManager();
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
    const QString email = QStringLiteral("inviter-%1@kerlo.local").arg(tag);
    QVERIFY(!m_server.createUser(email, QStringLiteral("pw"), {{"first_name", tag}}).isEmpty());
    const qint64 id =
        m_server.inviteContactAs(email, QLatin1String(DemoEmail))["id"].toVariant().toLongLong();
    QVERIFY(id > 0);
    window()->goAction(QStringLiteral("messages://"))->trigger();
    auto *page = qobject_cast<MCMessagesController *>(
        m_shell.delegate()->page(QStringLiteral("messages://")));
    QTRY_VERIFY(page && page->isVisible());
    QSortFilterProxyModel *arranged = page->arrangedNotifications();
    const auto rowOf = [arranged, &tag] {
        for (int row = 0; row < arranged->rowCount(); ++row) {
            if (arranged->index(row, MCNotificationsModel::SenderColumn).data().toString() == tag)
                return row;
        }
        return -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(rowOf() >= 0, Patience);
    page->tableView()->selectRow(rowOf());
    MCJoinInvitationView *detail = page->viewJoinInvitation();
    QCOMPARE(detail->invitation()->messageSender(), tag);
    const qint64 unread = hub->unreadNotifications();

    QVERIFY(applyFault(
        QStringLiteral("/api/v1/contacts/invites/%1/%2").arg(id).arg(accept ? "accept" : "decline"),
        fault));
    KBButton *answer = accept ? detail->buttonAccept() : detail->buttonDecline();
    QTest::mouseClick(answer, Qt::LeftButton);
    QCOMPARE(detail->additionalField()->text(), QStringLiteral("Submitting your request..."));
    QCOMPARE(hub->unreadNotifications(), unread - 1);
    // Unanswered again, counted again, with both buttons back.
    QTRY_COMPARE_WITH_TIMEOUT(detail->additionalField()->text(), answerNotTaken(fault), Patience);
    QVERIFY(detail->buttonAccept()->isEnabled() && detail->buttonDecline()->isEnabled());
    QCOMPARE(hub->unreadNotifications(), unread);

    QVERIFY(m_server.reset());
    QTest::mouseClick(answer, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(detail->additionalField()->text().startsWith(
                                 accept ? QStringLiteral("Contact request accepted on ")
                                        : QStringLiteral("Contact request rejected on ")),
                             Patience);
    QCOMPARE(hub->unreadNotifications(), unread - 1);
}

MCSocialAddController *TestPeopleFailures::addPage() const
{
    return qobject_cast<MCSocialAddController *>(
        m_shell.delegate()->page(QStringLiteral("addcontact://")));
}

void TestPeopleFailures::search(const QString &text)
{
    QLineEdit *field = addPage()->searchField();
    field->clear();
    QTest::keyClicks(field, text);
    QVERIFY(addPage()->buttonFind()->isEnabled());
    QTest::mouseClick(addPage()->buttonFind(), Qt::LeftButton);
}

QString TestPeopleFailures::cellText(int row, int column, bool email) const
{
    QTableView *table = addPage()->tableView();
    auto *cell =
        qobject_cast<MCSocialAddCellView *>(table->indexWidget(table->model()->index(row, column)));
    if (!cell || !cell->textField())
        return QStringLiteral("<no cell>");
    QLabel *label = email ? cell->emailField() : cell->textField();
    return label->isVisibleTo(cell) ? label->text() : QString();
}

QToolButton *TestPeopleFailures::addButton(int row) const
{
    QTableView *table = addPage()->tableView();
    auto *cell = qobject_cast<MCSocialAddCellView *>(
        table->indexWidget(table->model()->index(row, MCSocialAddModel::ButtonColumn)));
    return cell ? cell->buttonAdd() : nullptr;
}

void TestPeopleFailures::searchThatFailsSaysSoAndClearsTheRows_data()
{
    addFaultRows();
    QTest::newRow("503") << QStringLiteral("503");
}

void TestPeopleFailures::searchThatFailsSaysSoAndClearsTheRows()
{
    QFETCH(QString, fault);
    window()->goAction(QStringLiteral("addcontact://"))->trigger();
    QTRY_VERIFY(addPage() && addPage()->isVisible());
    search(BeaEmail);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn), QStringLiteral("Bea Lee"),
                              Patience);

    QVERIFY(
        applyFault(QStringLiteral("/api/v1/contacts/search.json"), fault, QStringLiteral("GET")));
    const QString typed = QStringLiteral("someone@kerlo.local");
    search(typed);
    // The last search's rows are not this one's answer.
    QCOMPARE(addPage()->contacts()->rowCount(), 0);
    QVERIFY(addPage()->progressIndicator()->isAnimating());
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn),
                              QStringLiteral("The search failed"), Patience);
    QCOMPARE(cellText(0, MCSocialAddModel::InfoColumn, true),
             reasonFor(fault) + QStringLiteral(" Try again."));
    QCOMPARE(addPage()->contacts()->rowCount(), 1);
    QTRY_VERIFY(!addPage()->progressIndicator()->isAnimating());
    QCOMPARE(addPage()->searchField()->text(), typed);
    QVERIFY(addPage()->buttonFind()->isEnabled());

    // The same search again, once the service answers.
    QVERIFY(m_server.reset());
    QTest::mouseClick(addPage()->buttonFind(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn),
                              QStringLiteral("No user found with this data"), Patience);
}

void TestPeopleFailures::invitationNotSentIsSentAgain_data()
{
    addFaultRows();
    QTest::newRow("400") << QStringLiteral("400");
}

void TestPeopleFailures::invitationNotSentIsSentAgain()
{
    QFETCH(QString, fault);
    const QString email = QStringLiteral("invitee-%1@kerlo.local").arg(fault);
    QVERIFY(!m_server.createUser(email, QStringLiteral("pw"), {{"first_name", "Ivy"}}).isEmpty());
    window()->goAction(QStringLiteral("addcontact://"))->trigger();
    QTRY_VERIFY(addPage() && addPage()->isVisible());
    search(email);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::InfoColumn), QStringLiteral("Ivy"),
                              Patience);

    QVERIFY(applyFault(QStringLiteral("/api/v1/contacts/invite.json"), fault));
    QTest::mouseClick(addButton(0), Qt::LeftButton);
    QCOMPARE(cellText(0, MCSocialAddModel::ButtonColumn),
             QStringLiteral("Sending the invitation..."));
    QVERIFY(!addButton(0)->isEnabled());
    // Not shown as sent: the row says what happened, the service's reason as a sentence of its
    // own, and invites again.
    const QString why =
        fault.startsWith(QLatin1Char('4')) ? Refusal + QLatin1Char('.') : reasonFor(fault);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Invitation not sent. %1 Click the plus button to "
                                             "try again.")
                                  .arg(why),
                              Patience);
    QVERIFY(addButton(0)->isEnabled());
    QVERIFY(m_server.contactInvitationsOf(email).isEmpty());

    QVERIFY(m_server.reset());
    QTest::mouseClick(addButton(0), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(cellText(0, MCSocialAddModel::ButtonColumn),
                              QStringLiteral("Invite request sent"), Patience);
    QVERIFY(!addButton(0)->isEnabled());
    QCOMPARE(m_server.contactInvitationsOf(email).size(), 1);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    // A request the service never answers fails within the test's patience; one a busy
    // sanitized service answers late is still answered.
    qputenv("LUMARIN_STALL_TIMEOUT_MS", "8000");
    QApplication app(argc, argv);
    TestPeopleFailures test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_peoplefailures.moc"
