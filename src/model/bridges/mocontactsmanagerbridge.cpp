#include "mocontactsmanagerbridge.h"

#include "mcontactsmanager.h"
#include "mocontactsmanager.h"
#include "mocontactsmanagerdelegate.h"
#include "mocorevalues_p.h"
#include "momainthread_p.h"
#include "mosocialrequesterror.h"
#include "mouseraccount.h"

namespace {

QList<MOUserAccount> wrapped(const QList<MUserAccount> &accounts)
{
    QList<MOUserAccount> list;
    list.reserve(accounts.size());
    for (const MUserAccount &account : accounts)
        list.append(MOCoreValues::userAccountWithCXXUserAccount(account));
    return list;
}

} // namespace

MOContactsManagerBridge::MOContactsManagerBridge(MOContactsManager *manager)
    : m_manager(manager)
{}

void MOContactsManagerBridge::handleContactsReady(const QList<MUserAccount> &contacts)
{
    assertMainThread();
    if (MOContactsManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidReceiveContacts(m_manager, wrapped(contacts));
}

void MOContactsManagerBridge::handleContactsResult(const QList<MUserAccount> &users,
                                                   const QString &query)
{
    assertMainThread();
    if (MOContactsManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidFindContactsForQuery(m_manager, wrapped(users), query);
}

void MOContactsManagerBridge::handleInviteSent(const QString &email)
{
    assertMainThread();
    if (MOContactsManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidSendInviteTo(m_manager, email);
}

void MOContactsManagerBridge::handleNewConnection(const MUserAccount &account)
{
    assertMainThread();
    if (MOContactsManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerHasNewConnection(
            m_manager, MOCoreValues::userAccountWithCXXUserAccount(account));
}

void MOContactsManagerBridge::handleInviteFailed(const QString &email, int status,
                                                 const QString &reason)
{
    assertMainThread();
    if (MOContactsManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidFailSendingInviteTo(m_manager, email,
                                                             socialRequestError(status, reason));
}

void MOContactsManagerBridge::handleSearchFailed(const QString &query, int status,
                                                 const QString &reason)
{
    assertMainThread();
    if (MOContactsManagerDelegate *delegate = m_manager->delegate())
        delegate->collaborationManagerDidFailFindingContactsForQuery(
            m_manager, query, socialRequestError(status, reason));
}

void MOContactsManagerBridge::connectToCore(MContactsManager *core)
{
    using C = MContactsManager;
    using B = MOContactsManagerBridge;
    connect(core, &C::contactsReady, this, &B::handleContactsReady);
    connect(core, &C::contactsResult, this, &B::handleContactsResult);
    connect(core, &C::inviteSent, this, &B::handleInviteSent);
    connect(core, &C::newConnection, this, &B::handleNewConnection);
    connect(core, &C::inviteFailed, this, &B::handleInviteFailed);
    connect(core, &C::searchFailed, this, &B::handleSearchFailed);
}
