// What the main window shows outside itself, signed in to kerlo-local while other users write
// through its control API: the launcher badge counts the chats with unread messages, a rise
// asks once for the user's attention with one sound, reading them clears it silently; the
// window's icon follows the place shown; the accessory sits at the toolbar's right end.
// With LUMARIN_BADGE_RECORD set, the launcher's recorded calls are written to that file.
#include "mcabstractobjectnode.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatsupport.h"
#include "mccontact.h"
#include "mcjoininvitation.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoptions.h"
#include "mcoutlineviewsidebar.h"
#include "mcpages.h"
#include "mcpreferenceswindowcontroller.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "shelltestfixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

namespace {

const QStringList Writers{QStringLiteral("bea@kerlo.local"), QStringLiteral("cal@kerlo.local"),
                          QStringLiteral("dan@kerlo.local")};
const QString NewsPath = QStringLiteral("/api/v1/conversations/notifications");

MCContact *contactOf(const MCManager *hub, const QString &email)
{
    for (MCContact *contact : hub->contacts()) {
        if (contact->email() == email)
            return contact;
    }
    return nullptr;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestShellBadge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void unreadChatsRaiseTheBadgeOnceAndReadingClearsIt();
    void windowIconFollowsThePlace();
    void betaViewIsAtTheToolbarsRightEnd();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    bool clickPlace(const QString &place);
    void setSoundsEnabled(bool enabled);
    int invitationSounds() const { return m_shell.sounds.played().count("invitation"); }

    KerloLocal m_server;
    Shell m_shell;
};

bool TestShellBadge::clickPlace(const QString &place)
{
    MCSidebarController *sidebar = window()->sidebar();
    const QModelIndex index = sidebar->model()->indexForPlace(place);
    if (!index.isValid())
        return false;
    auto *outline = sidebar->outlineView();
    outline->scrollTo(index);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
    return QTest::qWaitFor([place] {
        const QString shown = MCManager::sharedManager()->notBrowsablePath();
        return place == QLatin1String("home") ? shown.isEmpty() : shown == place;
    });
}

void TestShellBadge::initTestCase()
{
    QVERIFY(m_server.start());
    for (const QString &email : Writers) {
        QVERIFY(!m_server.createUser(email, QStringLiteral("pw"), {{"first_name", email.left(3)}})
                     .isEmpty());
        QVERIFY(!m_server.inviteContactAs(email, QString::fromLatin1(DemoEmail)).isEmpty());
    }
    QVERIFY(addDemoTree(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));

    MCManager *hub = MCManager::sharedManager();
    QTRY_COMPARE_WITH_TIMEOUT(hub->userMessages().size(), 3, 20000);
    for (MCJoinInvitation *row : hub->userMessages())
        hub->acceptJoinInvitation(row);
    for (const QString &email : Writers) {
        QTRY_VERIFY_WITH_TIMEOUT(contactOf(hub, email) && contactOf(hub, email)->identifier() > 0,
                                 20000);
    }

    setSoundsEnabled(true);
}

void TestShellBadge::setSoundsEnabled(bool enabled)
{
    // As the user does it: the preferences' check box.
    m_shell.delegate()->openPreferencesWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_shell.delegate()->preferencesController()));
    auto *sounds = m_shell.delegate()->preferencesController()->findChild<QCheckBox *>(
        QStringLiteral("buttonSoundsEnabled"));
    QVERIFY(sounds && sounds->isVisible());
    if (sounds->isChecked() != enabled) {
        // On the box itself: the rest of the row does not take clicks.
        QStyleOptionButton option;
        option.initFrom(sounds);
        const QRect box =
            sounds->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, sounds);
        QTest::mouseClick(sounds, Qt::LeftButton, {}, box.center());
    }
    QCOMPARE(MCManager::sharedManager()
                 ->options()
                 ->value(MCOptions::AppDelegate, MCOptions::SoundsEnabled)
                 .toBool(),
             enabled);
    m_shell.delegate()->preferencesController()->close();
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
}

void TestShellBadge::cleanupTestCase()
{
    const QByteArray path = qgetenv("LUMARIN_BADGE_RECORD");
    if (path.isEmpty())
        return;
    QFile record(QString::fromLocal8Bit(path));
    if (!record.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QStringList counts;
    for (int count : m_shell.badge.counts())
        counts.append(QString::number(count));
    record.write(QStringLiteral("launcher badge counts set: %1\nattention requests: %2\n"
                                "sounds played: %3\n")
                     .arg(counts.join(QLatin1String(", ")))
                     .arg(m_shell.badge.attentionRequests())
                     .arg(m_shell.sounds.played().join(QLatin1String(", ")))
                     .toUtf8());
}

void TestShellBadge::unreadChatsRaiseTheBadgeOnceAndReadingClearsIt()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(clickPlace(QStringLiteral("home")));
    QCOMPARE(m_shell.badge.count(), 0);
    const int attentionBefore = m_shell.badge.attentionRequests();
    const int soundsBefore = invitationSounds();

    // The next look for news waits while the three write: one answer brings the three rooms.
    QVERIFY(m_server.delay(NewsPath, 8000));
    QVERIFY(m_server.clearRequests());
    QTRY_VERIFY_WITH_TIMEOUT(!m_server.requestsTo(NewsPath).isEmpty(), 20000);
    for (const QString &email : Writers) {
        QVERIFY(!m_server
                     .postMessageToContactAs(email, QString::fromLatin1(DemoEmail),
                                             QStringLiteral("are you there?"))
                     .isEmpty());
    }
    QTRY_COMPARE_WITH_TIMEOUT(hub->chatSupport().dockNotifications().size(), 3, 30000);
    QTRY_COMPARE(m_shell.badge.count(), 3);
    QCOMPARE(m_shell.badge.counts().mid(m_shell.badge.counts().size() - 1), QList<int>{3});
    QCOMPARE(m_shell.badge.attentionRequests(), attentionBefore + 1);
    QCOMPARE(m_shell.badge.attentionWindows().last(), QPointer<QWidget>(window()));
    QCOMPARE(invitationSounds(), soundsBefore + 1);

    // Reading each chat lowers the count; the end clears the badge without a sound.
    const int setBefore = m_shell.badge.counts().size();
    for (const QString &email : Writers) {
        QVERIFY(clickPlace(contactOf(hub, email)->title()));
        QTRY_COMPARE(contactOf(hub, email)->chatNotifications(), 0);
    }
    QTRY_COMPARE(m_shell.badge.count(), 0);
    QCOMPARE(m_shell.badge.counts().mid(setBefore), (QList<int>{2, 1, 0}));
    QCOMPARE(m_shell.badge.attentionRequests(), attentionBefore + 1);
    QCOMPARE(invitationSounds(), soundsBefore + 1);

    // A room that is unread again is a rise of its own; with sounds off it is silent.
    setSoundsEnabled(false);
    QVERIFY(clickPlace(QStringLiteral("home")));
    QVERIFY(!m_server
                 .postMessageToContactAs(Writers.first(), QString::fromLatin1(DemoEmail),
                                         QStringLiteral("still there?"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.badge.count(), 1, 20000);
    QCOMPARE(m_shell.badge.attentionRequests(), attentionBefore + 2);
    QCOMPARE(invitationSounds(), soundsBefore + 1);
    QVERIFY(clickPlace(contactOf(hub, Writers.first())->title()));
    QTRY_COMPARE(m_shell.badge.count(), 0);
    QCOMPARE(invitationSounds(), soundsBefore + 1);
}

void TestShellBadge::windowIconFollowsThePlace()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(clickPlace(QStringLiteral("home")));
    QTRY_VERIFY(hub->currentNode() && hub->currentNode()->isRoot());
    const QImage home = iconImage(MCPages::icon(QStringLiteral("home")));
    QVERIFY(!home.isNull());
    QCOMPARE(iconImage(window()->windowIcon()), home);

    QVERIFY(clickPlace(QStringLiteral("transfers://")));
    // The page's picture (the program's where the desktop's theme has none).
    const QIcon transfers = MCPages::icon(QStringLiteral("transfers://"));
    QCOMPARE(iconImage(window()->windowIcon()),
             iconImage(transfers.isNull() ? QApplication::windowIcon() : transfers));
    QVERIFY(iconImage(window()->windowIcon()) != home);

    // A person's chat has no picture of its own: the program's stands in the task list.
    QVERIFY(clickPlace(contactOf(hub, Writers.first())->title()));
    QCOMPARE(iconImage(window()->windowIcon()), iconImage(QApplication::windowIcon()));
    QVERIFY(!window()->windowIcon().isNull());

    // A folder: its own icon.
    QVERIFY(clickPlace(QStringLiteral("home")));
    const QString documents = QStringLiteral("/Documents");
    hub->changeToPath(documents, this);
    QTRY_COMPARE_WITH_TIMEOUT(hub->currentPath(), documents, 20000);
    QTRY_VERIFY(hub->currentNode() && hub->currentNode()->filePath() == documents);
    QCOMPARE(iconImage(window()->windowIcon()), iconImage(hub->currentNode()->fileIcon()));
    QVERIFY(iconImage(window()->windowIcon()) != home);
    QVERIFY(window()->windowIcon().availableSizes().contains(QSize(16, 16)));
}

void TestShellBadge::betaViewIsAtTheToolbarsRightEnd()
{
    MCMainToolbar *toolbar = window()->toolbar();
    QLabel *beta = toolbar->betaView();
    QVERIFY(beta && beta->isVisible());
    const QRect area = toolbar->contentsRect();
    const QRect placed(beta->mapTo(toolbar, QPoint()), beta->size());
    // Flush with the toolbar's end, right of every button.
    QVERIFY2(area.right() - placed.right() <= toolbar->layout()->contentsMargins().right() + 8,
             qPrintable(QStringLiteral("%1 vs %2").arg(placed.right()).arg(area.right())));
    for (QWidget *button : toolbar->findChildren<QToolButton *>()) {
        if (button->isVisible() && button->parentWidget() == toolbar &&
            button->objectName() != QLatin1String("qt_toolbar_ext_button"))
            QVERIFY(button->geometry().right() < placed.left());
    }
}

QTEST_MAIN(TestShellBadge)
#include "tst_shellbadge.moc"
