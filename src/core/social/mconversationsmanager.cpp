#include "mconversationsmanager.h"

#include "corelogging.h"
#include "mconversationsmanager_p.h"
#include "mconversationsmanagerworker.h"
#include "socialrecordtypes.h"

#include <QDebug>

namespace {

// The worker's shutdown ends every request, but cancelled replies are reported through the
// event loop this thread is blocked in; nothing is left to wait for beyond that.
const int ThreadStopTimeout = 3000;

} // namespace

MConversationsManagerPrivate::MConversationsManagerPrivate()
{
    registerSocialRecordTypes();
}

MConversationsManager::MConversationsManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MConversationsManagerPrivate)
{
    Q_D(MConversationsManager);
    d->thread.setObjectName(QStringLiteral("com.kerloapp.conversations"));
    d->worker = new MConversationsManagerWorker;
    using W = MConversationsManagerWorker;
    using M = MConversationsManager;
    connect(d->worker, &W::shutdownCompleted, &d->thread, &QThread::quit);

    connect(d->worker, &W::conversationsReceived, this, &M::conversationsReceived);
    connect(d->worker, &W::usersReceived, this, &M::usersReceived);
    connect(d->worker, &W::usersListFailed, this, &M::usersListFailed);
    connect(d->worker, &W::messagesReceived, this, &M::messagesReceived);
    connect(d->worker, &W::conversationStarted, this, &M::conversationStarted);
    connect(d->worker, &W::conversationStartFailed, this, &M::conversationStartFailed);
    connect(d->worker, &W::messageSent, this, &M::messageSent);
    connect(d->worker, &W::messageSendFailed, this, &M::messageSendFailed);
    connect(d->worker, &W::newUserContacts, this, &M::newUserContacts);
    connect(d->worker, &W::accountsChangedStatus, this, &M::accountsChangedStatus);
    connect(d->worker, &W::contactJoinInvitation, this, &M::contactJoinInvitation);
    connect(d->worker, &W::invitationAccepted, this, &M::invitationAccepted);
    connect(d->worker, &W::invitationAcceptFailed, this, &M::invitationAcceptFailed);
    connect(d->worker, &W::invitationDeclined, this, &M::invitationDeclined);
    connect(d->worker, &W::invitationDeclineFailed, this, &M::invitationDeclineFailed);

    connect(this, &M::listConversations, d->worker, &W::doListConversations);
    connect(this, &M::listUsers, d->worker, &W::doListUsers);
    connect(this, &M::listMessages, d->worker, &W::doListMessages);
    connect(this, &M::postMessage, d->worker, &W::doPostMessage);
    connect(this, &M::startConversation, d->worker, &W::doStartConversation);
    connect(this, &M::acceptInvite, d->worker, &W::doAcceptInvite);
    connect(this, &M::declineInvite, d->worker, &W::doDeclineInvite);
    connect(this, &M::listJoinInvitations, d->worker, &W::doListJoinInvitations);

    // The worker lives on this thread, so it starts here, without a nested event loop that
    // would run the caller's events inside this constructor.
    d->thread.start();
    d->worker->start();
}

MConversationsManager::~MConversationsManager()
{
    Q_D(MConversationsManager);
    d->worker->shutdown();
    // The named thread holds no object; its loop can end whether or not the request manager
    // has reported its shutdown yet.
    d->thread.quit();
    if (!d->thread.wait(ThreadStopTimeout))
        qCWarning(lcCoreSocial) << "MConversationsManager: the thread" << d->thread.objectName()
                                << "did not stop";
    delete d->worker;
}

void MConversationsManager::startListeningForNotifications()
{
    d_func()->worker->startListeningForNotifications();
}
