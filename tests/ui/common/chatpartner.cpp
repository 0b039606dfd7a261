#include "chatpartner.h"

#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatrowsmodel.h"
#include "mcchatviewcontroller.h"
#include "mccontact.h"
#include "mcjoininvitation.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "shelltestfixture.h"

#include <QJsonArray>
#include <QTest>

namespace ShellTest {

ChatPartner::ChatPartner(KerloLocal &server, Shell &shell)
    : m_server(server)
    , m_shell(shell)
{}

bool ChatPartner::createAccount()
{
    m_created =
        !m_server
             .createUser(QString::fromLatin1(Email), QString::fromLatin1(Password),
                         {{"first_name", "Bea"}, {"last_name", "Lee"}})
             .isEmpty() &&
        m_session.signIn(m_server, QString::fromLatin1(Email), QString::fromLatin1(Password));
    return m_created;
}

bool ChatPartner::startConversation()
{
    if (!m_created && !createAccount())
        return false;
    QJsonObject started;
    if (m_session.post(QStringLiteral("/conversations/start"),
                       {{"users", QJsonArray{QString::fromLatin1(DemoEmail)}}, {"name", ""}},
                       &started) != 200)
        return false;
    m_conversation = started.value("conversation").toObject().value("id").toVariant().toLongLong();
    return m_conversation > 0;
}

bool ChatPartner::post(const QString &content, const QDateTime &sentAt) const
{
    QJsonObject body{{"email", QString::fromLatin1(Email)},
                     {"conversation_id", m_conversation},
                     {"content", content}};
    if (sentAt.isValid())
        body.insert("sent_at", sentAt.toUTC().toString(Qt::ISODate));
    QByteArray reply;
    return m_server.control("POST", QStringLiteral("/messages"), body, &reply) == 200;
}

bool ChatPartner::inviteDemoUser() const
{
    return !m_server.inviteContactAs(QString::fromLatin1(Email), QString::fromLatin1(DemoEmail))
                .isEmpty();
}

bool ChatPartner::acceptInvitation(int timeout) const
{
    MCManager *hub = MCManager::sharedManager();
    if (!QTest::qWaitFor([hub] { return hub->userMessages().size() == 1; }, timeout))
        return false;
    MCJoinInvitation *invitation = hub->userMessages().first();
    if (invitation->senderIsContact()) {
        // Her conversation was listed first and made her known, so the window asks no answer of
        // the invitation the service still holds open: the demo user answers it there.
        if (m_server
                .answerContactInvitationAs(QString::fromLatin1(DemoEmail),
                                           QString::fromLatin1(Email), true)
                .isEmpty())
            return false;
    } else {
        hub->acceptJoinInvitation(invitation);
    }
    // Her conversation alone brings her row before the answer is taken: wait for the service.
    const auto accepted = [this] {
        for (const QJsonValue &invitation :
             m_server.contactInvitationsOf(QString::fromLatin1(Email))) {
            if (invitation.toObject().value("accepted_at").isString())
                return true;
        }
        return false;
    };
    return QTest::qWaitFor(accepted, timeout) &&
           QTest::qWaitFor(
               [this] { return contact() && contact()->identifier() == m_conversation; }, timeout);
}

MCContact *ChatPartner::contact() const
{
    for (MCContact *contact : MCManager::sharedManager()->contacts()) {
        if (contact->email() == QLatin1String(Email))
            return contact;
    }
    return nullptr;
}

MCChatViewController *ChatPartner::chat() const
{
    MCContact *bea = contact();
    return bea ? bea->chatController() : nullptr;
}

MCChatTableView *ChatPartner::table() const
{
    return chat()->chatTableView();
}

const MCChatRowsModel *ChatPartner::rows() const
{
    return contact()->rowsModel();
}

bool ChatPartner::clickPlace(const QString &place) const
{
    MCSidebarController *sidebar = m_shell.delegate()->mainWindow()->sidebar();
    // The sidebar lists people a turn of the event loop after the hub learnt of them.
    QModelIndex index;
    if (!QTest::qWaitFor(
            [&] { return (index = sidebar->model()->indexForPlace(place)).isValid(); }))
        return false;
    auto *outline = sidebar->outlineView();
    outline->scrollTo(index);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
    return true;
}

bool ChatPartner::showChat() const
{
    MCContact *bea = contact();
    if (!bea || !clickPlace(bea->title()))
        return false;
    return QTest::qWaitFor([this, bea] {
        return chat() && chat()->isVisible() &&
               MCManager::sharedManager()->notBrowsablePath() == bea->title();
    });
}

int rowWithText(const MCChatRowsModel *model, const QString &text)
{
    for (int row = model->rowCount() - 1; row >= 0; --row) {
        if (model->index(row).data().toString() == text)
            return row;
    }
    return -1;
}

} // namespace ShellTest
