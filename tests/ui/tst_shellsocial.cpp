// The hub's social bookkeeping, signed in as the demo user against kerlo-local while a second
// user acts through kerlo-local's control API: her join invitation becomes an unread row with
// her picture, the answer lowers the count once, she becomes a contact whose conversation gets
// her messages and her file invitations; a group conversation with her is an entity apart.
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mccontact.h"
#include "mcgroup.h"
#include "mcjoininvitation.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "moconversationsmanager.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString BeaEmail = QStringLiteral("bea@kerlo.local");

bool isRedPicture(const QPixmap &picture)
{
    if (picture.isNull())
        return false;
    const QColor middle = picture.toImage().pixelColor(picture.width() / 2, picture.height() / 2);
    return middle.red() > 200 && middle.green() < 60 && middle.blue() < 60;
}

MCContact *contactOf(const MCManager *hub, const QString &email)
{
    for (MCContact *contact : hub->contacts()) {
        if (contact->email() == email)
            return contact;
    }
    return nullptr;
}

} // namespace

class TestShellSocial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void joinInvitationIsCountedOnceAndAnsweredOnce();
    void contactGetsItsConversationsMessagesAndFiles();
    void groupConversationIsAnEntityOfItsOwn();
    void namelessGroupIsListedAsNoName();

private:
    KerloLocal m_server;
    Shell m_shell;
    ServiceReader m_bea;
};

void TestShellSocial::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(!m_server
                 .createUser(BeaEmail, QStringLiteral("bea-password"),
                             {{"first_name", "Bea <b>&amp;"}, {"last_name", "\u202Eetirw"}})
                 .isEmpty());
    QVERIFY(m_bea.signIn(m_server, BeaEmail, QStringLiteral("bea-password")));
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && red.save(&buffer, "PNG"));
    QVERIFY(m_bea.postAvatar(png));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
}

void TestShellSocial::joinInvitationIsCountedOnceAndAnsweredOnce()
{
    MCManager *hub = MCManager::sharedManager();
    QCOMPARE(hub->unreadNotifications(), 0);
    QVERIFY(!m_server.inviteContactAs(BeaEmail, QString::fromLatin1(DemoEmail)).isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), 1, 20000);
    MCJoinInvitation *row = hub->userMessages().first();
    QCOMPARE(hub->unreadNotifications(), 1);
    QVERIFY(!row->messageRead());
    QCOMPARE(row->messageSender(), QStringLiteral("Bea <b>&amp; \u202Eetirw"));
    // The sender's picture reaches the row.
    QTRY_VERIFY_WITH_TIMEOUT(isRedPicture(row->avatar()), 20000);
    // Later polls bring no second row and no second count: two more asked, so the first one's
    // answer has been taken in.
    const QString invites = QStringLiteral("/api/v1/invites/received.json");
    const int polls = m_server.requestsTo(invites).size();
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestsTo(invites).size() >= polls + 2, 20000);
    QCOMPARE(hub->userMessages().size(), 1);
    QCOMPARE(hub->unreadNotifications(), 1);

    QSignalSpy confirmed(row, &MCJoinInvitation::additionalTextChanged);
    hub->acceptJoinInvitation(row);
    QCOMPARE(hub->unreadNotifications(), 0);
    QVERIFY(row->messageRead());
    // A second answer to an answered row changes nothing.
    hub->declineJoinInvitation(row);
    QCOMPARE(hub->unreadNotifications(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(row->joinInvitation().acceptedAt().isValid(), 20000);
    QVERIFY(!confirmed.isEmpty());
    QVERIFY(!row->joinInvitation().rejectedAt().isValid());
}

void TestShellSocial::contactGetsItsConversationsMessagesAndFiles()
{
    MCManager *hub = MCManager::sharedManager();
    QTRY_VERIFY_WITH_TIMEOUT(contactOf(hub, BeaEmail), 20000);
    MCContact *bea = contactOf(hub, BeaEmail);
    const qint64 conversation = bea->identifier();
    QVERIFY(conversation > 0);
    QCOMPARE(hub->socialEntity(conversation), bea);
    QCOMPARE(hub->p2pConversationId(BeaEmail), conversation);
    QCOMPARE(hub->p2pRecipient(conversation), BeaEmail);
    QTRY_VERIFY_WITH_TIMEOUT(isRedPicture(bea->avatar()), 20000);

    const auto bodies = [bea] {
        QStringList texts;
        for (const MOMessage &message : bea->writtenMessages())
            texts.append(message.body());
        return texts;
    };
    QVERIFY(!m_server.postMessageAs(BeaEmail, conversation, QStringLiteral("first")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(bodies(), QStringList{"first"}, 20000);
    QVERIFY(!m_server.postMessageAs(BeaEmail, conversation, QStringLiteral("second")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(bodies(), (QStringList{"first", "second"}), 20000);

    QVERIFY(!m_server.seedFile(BeaEmail, QStringLiteral("/notes.txt"), "notes").isEmpty());
    QVERIFY(!m_server.sendCollaborationAs(BeaEmail, conversation, QStringLiteral("/notes.txt"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(bea->collaborations().size(), 1, 20000);
    QCOMPARE(bea->collaborations().first().sender().email(), BeaEmail);
    // Every entity is the one of its conversation: no stray contact was made on the way.
    QCOMPARE(hub->contacts().size(), 1);
}

void TestShellSocial::groupConversationIsAnEntityOfItsOwn()
{
    MCManager *hub = MCManager::sharedManager();
    MCContact *bea = contactOf(hub, BeaEmail);
    QVERIFY(bea);
    hub->conversationsManager()->startConversationWithUsers({bea->userAccount()},
                                                            QStringLiteral("Team <i>"));
    QTRY_COMPARE_WITH_TIMEOUT(hub->groups().size(), 1, 20000);
    MCGroup *team = hub->groups().first();
    QCOMPARE(team->roomName(), QStringLiteral("Team <i>"));
    QVERIFY(team->identifier() != bea->identifier());
    QCOMPARE(hub->socialEntity(team->identifier()), team);

    QVERIFY(
        !m_server.postMessageAs(BeaEmail, team->identifier(), QStringLiteral("to all")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(team->writtenMessages().size(), 1, 20000);
    QCOMPARE(team->writtenMessages().first().body(), QStringLiteral("to all"));
    // The group's message went to the group alone.
    QCOMPARE(bea->writtenMessages().size(), 2);
    QCOMPARE(hub->contacts().size(), 1);
}

void TestShellSocial::namelessGroupIsListedAsNoName()
{
    MCManager *hub = MCManager::sharedManager();
    const int before = hub->groups().size();
    QVERIFY(!m_server
                 .createUser(QStringLiteral("cal@kerlo.local"), QStringLiteral("pw"),
                             {{"first_name", "Cal"}})
                 .isEmpty());
    // Bea starts a group without a name with the user and Cal, and writes in it.
    QJsonObject started;
    QCOMPARE(m_bea.post(QStringLiteral("/conversations/start"),
                        {{"users", QJsonArray{QString::fromLatin1(DemoEmail),
                                              QStringLiteral("cal@kerlo.local")}}},
                        &started),
             200);
    const qint64 id = started.value(QLatin1String("conversation"))
                          .toObject()
                          .value(QLatin1String("id"))
                          .toVariant()
                          .toLongLong();
    QVERIFY(id > 0);
    QVERIFY(!m_server.postMessageAs(BeaEmail, id, QStringLiteral("hello all")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(hub->groups().size(), before + 1, 20000);
    MCGroup *nameless = qobject_cast<MCGroup *>(hub->socialEntity(id));
    QVERIFY(nameless);
    QCOMPARE(nameless->roomName(), QStringLiteral("NO NAME"));

    // The sidebar lists it under the same words, not under its key.
    QAbstractItemModel *sidebar = m_shell.delegate()->mainWindow()->sidebar()->model();
    QModelIndexList rows;
    QTRY_VERIFY(
        !(rows = sidebar->match(sidebar->index(0, 0), MCSidebarModel::PlaceRole, nameless->title(),
                                1, Qt::MatchExactly | Qt::MatchRecursive))
             .isEmpty());
    QCOMPARE(rows.first().data().toString(), QStringLiteral("NO NAME"));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellSocial test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellsocial.moc"
