// The chat's shared state and rows as pure logic (a fake environment, no service): day rows
// per room, pending messages matched in order, the launcher badge's rooms announced once, row
// heights, file sends pending until answered (a group's until every member answered),
// cancelling the very row cancelled, and where an accepted file may go.
#include "mcchatcollaborationentry.h"
#include "mcchatenvironment.h"
#include "mcchatmessageentry.h"
#include "mcchatrowsmodel.h"
#include "mcchatsupport.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcemoji.h"
#include "mcgroup.h"
#include "mostorageobject.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

class FakeEnvironment : public MCChatEnvironment
{
public:
    MCChatSupport &chatSupport() override { return support; }
    MCEmoji &sharedEmoji() override { return table; }
    MOUserAccount signedInAccount() const override { return {}; }
    MCOptions *options() const override { return nullptr; }
    QString notBrowsablePath() const override { return QString(); }
    bool isApplicationActive() const override { return false; }
    void sendMessage(const MOMessage &, MCSocialEntity *) override {}
    void listMessagesBefore(MCSocialEntity *, const QDateTime &, qint64, int) override {}
    void sendTransferInvitation(const QString &path, const QDateTime &, MCSocialEntity *,
                                const QString &) override
    {
        invited.append(path);
    }
    void acceptCollaboration(const MOCollaboration &) override {}
    void rejectCollaboration(const QString &) override {}
    void uploadForChat(const QStringList &, QWidget *) override {}
    QString pathForService(const QString &) const override { return {}; }
    MOStorageObject remoteObject(const QString &path) const override
    {
        MOStorageObject object;
        object.setType(path.endsWith(QLatin1Char('/')) ? MOStorageObject::Directory
                                                       : MOStorageObject::RegularFile);
        const QString clean = path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
        object.setLabel(clean.section(QLatin1Char('/'), -1));
        object.setBasePath(clean.section(QLatin1Char('/'), 0, -2).isEmpty()
                               ? QStringLiteral("/")
                               : clean.section(QLatin1Char('/'), 0, -2));
        return object;
    }
    void goToReceivedFile(const QString &, const QString &) override {}
    void playSound(const QString &) override {}
    MCAddPeopleController *newAddPeopleController(QWidget *) override { return nullptr; }
    MCChatPage *newChatPage(MCSocialEntity *entity) override
    {
        return new MCChatViewController(entity, this);
    }

    MCChatSupport support;
    MCEmoji table;
    QStringList invited;
};

MOMessage message(const QString &body, const QDateTime &sentAt)
{
    MOMessage made;
    made.setBody(body);
    made.setSentAt(sentAt);
    return made;
}

QStringList kinds(const MCChatRowsModel *model)
{
    QStringList list;
    for (int row = 0; row < model->rowCount(); ++row) {
        const int kind = model->index(row).data(MCChatRowsModel::KindRole).toInt();
        list.append(kind == MCChatEntry::DateRow ? QStringLiteral("day")
                                                 : model->index(row).data().toString());
    }
    return list;
}

} // namespace

class TestPeopleChatState : public QObject
{
    Q_OBJECT

private slots:
    void dayRowsAndOrderOfRows();
    void pendingMessagesMatchEarliestEqualRow();
    void badgeRoomsAnnouncedOnce();
    void messageRowHeights();
    void fileSendsPendingUntilAnswered();
    void acceptedFilesStayInTheirFolder();
};

void TestPeopleChatState::dayRowsAndOrderOfRows()
{
    FakeEnvironment environment;
    MCContact contact(MOUserAccount{});
    contact.setEnvironment(&environment);
    const QDateTime day(QDate(2026, 3, 2), QTime(10, 0));
    // Two on one day, one the next, one older arriving last (a history page).
    contact.addWrittenMessages(
        {message("a", day), message("b", day.addSecs(60)), message("c", day.addDays(1))});
    contact.addWrittenMessages({message("older", day.addSecs(-60))});
    QCOMPARE(kinds(contact.rowsModel()), (QStringList{"day", "older", "a", "b", "day", "c"}));
    // Messages from others while no page shows them are unread.
    QCOMPARE(contact.chatNotifications(), 4);
    // The same day in another room gets its own row.
    QVERIFY(environment.support.dateRowToAdd(day, 99));
    QVERIFY(!environment.support.dateRowToAdd(day.addSecs(5), 99));
    // Messages older than the last one seen are not counted.
    MCContact seen(MOUserAccount{});
    seen.setEnvironment(&environment);
    seen.saveDateLastMessage(day.addDays(1));
    seen.saveDateLastMessage(day); // never moves back
    QCOMPARE(seen.dateLastMessage(), day.addDays(1));
    seen.addWrittenMessages({message("old", day), message("new", day.addDays(2))});
    QCOMPARE(seen.chatNotifications(), 1);
}

void TestPeopleChatState::pendingMessagesMatchEarliestEqualRow()
{
    MCChatSupport support;
    const QDateTime at(QDate(2026, 3, 2), QTime(10, 0, 5));
    const auto first = MCChatMessageEntry::pendingMessage(message("ok", at));
    const auto second = MCChatMessageEntry::pendingMessage(message("ok", at));
    support.addPendingChatEntry(first, 7);
    support.addPendingChatEntry(second, 7);
    const MCChatMessageEntry echo(message("ok", at), true);
    QCOMPARE(support.pendingChatEntry(echo, 7), first);
    support.removeChatEntry(echo, 7);
    QCOMPARE(support.pendingChatEntry(echo, 7), second);
    QVERIFY(!support.pendingChatEntry(MCChatMessageEntry(message("ok", at.addSecs(1)), true), 7));
    QVERIFY(!support.pendingChatEntry(echo, 8));
    support.removeChatEntry(echo, 7);
    QVERIFY(!support.pendingChatEntriesForChatRoom(7));
    QCOMPARE(first->accessoryString(), QStringLiteral("Pending"));
}

void TestPeopleChatState::badgeRoomsAnnouncedOnce()
{
    MCChatSupport support;
    QSignalSpy changed(&support, &MCChatSupport::dockNotificationsChanged);
    support.updateDockNotifications(3, 1);
    support.updateDockNotifications(3, 1);
    support.updateDockNotifications(0, 2);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(support.dockNotifications(), QList<qint64>{1});
    support.updateDockNotifications(0, 1);
    QCOMPARE(changed.count(), 2);
    QVERIFY(support.dockNotifications().isEmpty());
}

void TestPeopleChatState::messageRowHeights()
{
    MCChatMessageEntry row(message("x", QDateTime::currentDateTime()), false);
    row.setNewEntry(true);
    QVERIFY(!row.updateHeightForTextHeight(15));
    QCOMPARE(row.rowHeight(), 50.0);
    QVERIFY(row.updateHeightForTextHeight(40));
    QCOMPARE(row.rowHeight(), 73.0);
    MCChatMessageEntry further(message("y", QDateTime::currentDateTime()), false);
    QVERIFY(further.updateHeightForTextHeight(15));
    QCOMPARE(further.rowHeight(), 25.0);
}

void TestPeopleChatState::fileSendsPendingUntilAnswered()
{
    FakeEnvironment environment;
    MCContact contact(MOUserAccount{});
    contact.setEnvironment(&environment);
    // A folder makes no row; two files make two; the same file again while pending, none.
    contact.sendFilesFromCloud({"/Photos/", "/Docs/a.txt", "/Docs/b.txt", "/Docs/a.txt"}, {});
    const QList<MCChatCollaborationEntryPtr> pending = environment.support.pendingCollaborations(0);
    QCOMPARE(pending.size(), 2);
    QCOMPARE(pending.first()->path(), QStringLiteral("/Docs/a.txt"));
    QCOMPARE(pending.first()->responseStatus(), qint64(MCChatCollaborationEntry::Prepared));
    // Sending: the invitation goes out, the row waits.
    contact.sendCollaboration(pending.first());
    QCOMPARE(environment.invited, QStringList{"/Docs/a.txt"});
    QCOMPARE(pending.first()->sendingText(), QStringLiteral("Sending. Waiting..."));
    pending.first()->setCollaborationSent();
    // A new offer of a file whose send was taken is a new row; cancelling it cancels that row,
    // not the earlier one of the same file.
    contact.sendFilesFromCloud({"/Docs/a.txt"}, {});
    QCOMPARE(environment.support.pendingCollaborations(0).size(), 3);
    const MCChatCollaborationEntryPtr again = environment.support.pendingCollaborations(0).last();
    contact.cancelSendCollaborationEntry(again);
    QTRY_COMPARE(environment.support.pendingCollaborations(0).size(), 2);
    QVERIFY(environment.support.pendingCollaborations(0).contains(pending.first()));
    QVERIFY(!contact.conversation().contains(again));
    // Received files wait for the user: "Waiting" with Accept and Decline, then the answer is
    // under way.
    MCChatCollaborationEntry received(MOCollaboration(), &contact, QStringLiteral("me@x"),
                                      &environment.support);
    QCOMPARE(received.descriptionString(), QStringLiteral("Waiting"));
    QVERIFY(received.pending());
    received.setAccepted();
    QCOMPARE(received.sendingText(), QStringLiteral("Accepted. Waiting..."));
    QCOMPARE(received.responseStatus(), qint64(MCChatCollaborationEntry::Sent));
}

void TestPeopleChatState::acceptedFilesStayInTheirFolder()
{
    FakeEnvironment environment;
    MCGroup group(MOConversation{});
    group.setEnvironment(&environment);
    MOConversation named;
    named.setName(QStringLiteral("Ann Lee"));
    group.setChatRoom(named);
    QCOMPARE(group.destinationPathFor(QStringLiteral("a.txt")),
             QStringLiteral("/Files From Ann Lee/a.txt"));
    // Names another user chose that would leave the folder, or break a line, are refused.
    for (const QString &label :
         {QStringLiteral(".."), QStringLiteral("."), QStringLiteral(""), QStringLiteral("../x"),
          QStringLiteral("a/../../b"), QStringLiteral("/etc/passwd"), QStringLiteral("a\\b"),
          QStringLiteral("a\nb"), QStringLiteral("a\x01")})
        QVERIFY2(group.destinationPathFor(label).isEmpty(), qPrintable(label));
    // A room name with separators is one folder name.
    named.setName(QStringLiteral("../Team/x"));
    group.setChatRoom(named);
    QCOMPARE(group.destinationPathFor(QStringLiteral("a.txt")),
             QStringLiteral("/Files From ..-Team-x/a.txt"));
}

QTEST_MAIN(TestPeopleChatState)
#include "tst_peoplechatstate.moc"
