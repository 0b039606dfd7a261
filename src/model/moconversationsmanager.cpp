#include "moconversationsmanager.h"

#include "mconversationsmanager.h"
#include "mconversationsmanagerbridge.h"
#include "moconversationsmanagerdelegate.h"
#include "mocorevalues_p.h"
#include "modelegatepointer.h"
#include "mojoininvitation.h"
#include "momessage.h"
#include "moobjectmodeltypes_p.h"
#include "mouseraccount.h"
#include "mqbindings.h"

#include <memory>

class MOConversationsManagerPrivate
{
public:
    std::unique_ptr<MConversationsManagerBridge> bridge;
    std::unique_ptr<MConversationsManager> cxxConversationsManager;
    MODelegatePointer<MOConversationsManagerDelegate> delegate;
};

MOConversationsManager::MOConversationsManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MOConversationsManagerPrivate)
{
    Q_D(MOConversationsManager);
    registerObjectModelTypes();
    d->bridge = std::make_unique<MConversationsManagerBridge>(this);
    d->cxxConversationsManager = std::make_unique<MConversationsManager>();
    d->bridge->connectToCore(d->cxxConversationsManager.get());
}

MOConversationsManager::~MOConversationsManager()
{
    Q_D(MOConversationsManager);
    d->bridge.reset();
    // Its destructor ends the requests in flight and waits a bounded time for its thread.
    d->cxxConversationsManager.reset();
}

void MOConversationsManager::listConversations()
{
    emit d_func()->cxxConversationsManager->listConversations();
}

void MOConversationsManager::listUsersForConversationWithIdentifier(qint64 conversationId)
{
    emit d_func()->cxxConversationsManager->listUsers(conversationId);
}

void MOConversationsManager::listMessagesOfConversationWithIdentifier(qint64 conversationId,
                                                                      const QDateTime &before,
                                                                      int limit,
                                                                      qint64 beforeMessageId)
{
    emit d_func()->cxxConversationsManager->listMessages(conversationId, NSDateToQDateTime(before),
                                                         limit, beforeMessageId);
}

void MOConversationsManager::postMessage(const MOMessage &message, qint64 conversationId)
{
    emit d_func()->cxxConversationsManager->postMessage(conversationId,
                                                        MOCoreValues::cxxMessage(message));
}

void MOConversationsManager::startConversationWithUsers(const QList<MOUserAccount> &users,
                                                        const QString &name)
{
    QList<MUserAccount> accounts;
    accounts.reserve(users.size());
    for (const MOUserAccount &user : users)
        accounts.append(MOCoreValues::cxxUserAccount(user));
    emit d_func()->cxxConversationsManager->startConversation(accounts, name);
}

void MOConversationsManager::listJoinInvitations(qint64 invitationId)
{
    emit d_func()->cxxConversationsManager->listJoinInvitations(invitationId);
}

void MOConversationsManager::acceptInvitation(const MOJoinInvitation &invitation)
{
    emit d_func()->cxxConversationsManager->acceptInvite(invitation.identifier());
}

void MOConversationsManager::declineInvitation(const MOJoinInvitation &invitation)
{
    emit d_func()->cxxConversationsManager->declineInvite(invitation.identifier());
}

void MOConversationsManager::listenForConversationsNotifications()
{
    d_func()->cxxConversationsManager->startListeningForNotifications();
}

MOConversationsManagerDelegate *MOConversationsManager::delegate() const
{
    return d_func()->delegate.get();
}

void MOConversationsManager::setDelegate(MOConversationsManagerDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}
