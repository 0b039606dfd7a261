#include "socialsession.h"

#include "mocontactsmanager.h"
#include "mocontactsmanagerdelegate.h"
#include "moconversationsmanager.h"
#include "moconversationsmanagerdelegate.h"
#include "modeltestapplication.h"
#include "mojoininvitation.h"

#include <QTest>

#include <optional>

namespace {

constexpr int answerTimeout = 10000;

// The answers the helpers wait for; every other delegate call is ignored.
struct ContactsAnswer : MOContactsManagerDelegate
{
    void collaborationManagerDidReceiveContacts(MOContactsManager *,
                                                const QList<MOUserAccount> &) override
    {}
    void collaborationManagerDidFindContactsForQuery(MOContactsManager *,
                                                     const QList<MOUserAccount> &users,
                                                     const QString &) override
    {
        found = users;
    }
    std::optional<QList<MOUserAccount>> found;
};

struct ConversationsAnswer : MOConversationsManagerDelegate
{
    using Accounts = QList<MOUserAccount>;
    using Invitation = MOJoinInvitation;
    void conversationsManagerDidReceiveConversations(MOConversationsManager *,
                                                     const QList<MOConversation> &) override
    {}
    void conversationsManagerDidReceiveMessagesForConversation(MOConversationsManager *,
                                                               const QList<MOMessage> &,
                                                               const MOConversation &) override
    {}
    void conversationsManagerDidReceiveUsersForConversation(MOConversationsManager *,
                                                            const Accounts &,
                                                            const MOConversation &) override
    {}
    void conversationsManagerDidStartConversation(MOConversationsManager *,
                                                  const MOConversation &conversation) override
    {
        started = conversation;
    }
    void conversationsManagerDidSendMessageForConversation(MOConversationsManager *,
                                                           const MOMessage &,
                                                           const MOConversation &) override
    {}
    void conversationsManagerDidReceiveNewContacts(MOConversationsManager *,
                                                   const Accounts &) override
    {}
    void conversationsManagerDidReceiveChangedStatusAccounts(MOConversationsManager *,
                                                             const Accounts &) override
    {}
    void conversationsManagerDidReceiveJoinInvitation(MOConversationsManager *,
                                                      const Invitation &invitation) override
    {
        pending = invitation;
    }
    void conversationsManagerDidAcceptJoinInvitation(MOConversationsManager *,
                                                     const Invitation &) override
    {
        accepted = true;
    }
    void conversationsManagerDidFailAcceptingJoinInvitation(MOConversationsManager *,
                                                            const Invitation &,
                                                            const MOError &) override
    {
        accepted = false;
    }
    void conversationsManagerDidDeclineJoinInvitation(MOConversationsManager *,
                                                      const Invitation &) override
    {}
    void conversationsManagerDidFailDecliningJoinInvitation(MOConversationsManager *,
                                                            const Invitation &,
                                                            const MOError &) override
    {}

    std::optional<MOConversation> started;
    std::optional<MOJoinInvitation> pending;
    std::optional<bool> accepted;
};

} // namespace

namespace SocialSession {

const QString otherPassword = QStringLiteral("other-secret-1");

QString start(KerloLocal *server, const QStringList &others)
{
    if (!server->start())
        return QStringLiteral("kerlo-local did not start");
    for (const QString &email : others) {
        if (server->createUser(email, otherPassword).isEmpty())
            return QStringLiteral("user %1 was not made").arg(email);
    }
    ModelTest::useTemporaryDataLocation();
    if (!ModelTest::startApplication(*server, nullptr))
        return QStringLiteral("the model layer did not start");
    return signIn(demoEmail, demoPassword);
}

QString signIn(const QString &email, const QString &password)
{
    return ModelTest::signIn(email, password);
}

MOUserAccount account(const QString &email)
{
    MOContactsManager contacts;
    ContactsAnswer answer;
    contacts.setDelegate(&answer);
    contacts.search(email);
    if (!QTest::qWaitFor([&] { return answer.found.has_value(); }, answerTimeout))
        return MOUserAccount();
    for (const MOUserAccount &user : *answer.found) {
        if (user.email() == email)
            return user;
    }
    return MOUserAccount();
}

MOConversation conversationWith(const QString &email)
{
    const MOUserAccount other = account(email);
    if (other.email().isNull())
        return MOConversation();
    MOConversationsManager conversations;
    ConversationsAnswer answer;
    conversations.setDelegate(&answer);
    conversations.startConversationWithUsers({other}, QString());
    // A conversation that did not start in time is the empty one the caller checks for.
    if (!QTest::qWaitFor([&] { return answer.started.has_value(); }, answerTimeout))
        return MOConversation();
    return answer.started.value_or(MOConversation());
}

bool acceptContactInvitation(qint64 invitationId)
{
    MOConversationsManager conversations;
    ConversationsAnswer answer;
    conversations.setDelegate(&answer);
    conversations.listJoinInvitations(invitationId);
    if (!QTest::qWaitFor([&] { return answer.pending.has_value(); }, answerTimeout) ||
        answer.pending->identifier() != invitationId)
        return false;
    conversations.acceptInvitation(*answer.pending);
    return QTest::qWaitFor([&] { return answer.accepted.has_value(); }, answerTimeout) &&
           *answer.accepted;
}

} // namespace SocialSession
