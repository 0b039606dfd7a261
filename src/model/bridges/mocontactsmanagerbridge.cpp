#include "mocontactsmanagerbridge.h"

#include "mcontactsmanager.h"
#include "mocontactsmanager.h"
#include "mocontactsmanagerdelegate.h"
#include "mocorevalues_p.h"
#include "momainthread_p.h"
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

void MOContactsManagerBridge::connectToCore(MContactsManager *core)
{
    using C = MContactsManager;
    using B = MOContactsManagerBridge;
    connect(core, &C::contactsReady, this, &B::handleContactsReady);
    connect(core, &C::contactsResult, this, &B::handleContactsResult);
    connect(core, &C::inviteSent, this, &B::handleInviteSent);
    connect(core, &C::newConnection, this, &B::handleNewConnection);
}
