#ifndef MOCONTACTSMANAGERDELEGATE_H
#define MOCONTACTSMANAGERDELEGATE_H

#include "moerror.h"
#include "mouseraccount.h"

#include <QList>
#include <QString>

class MOContactsManager;

// Receives the answers of one contacts facade, on the main thread. Only the contact list is
// required; the other calls do nothing unless overridden.
class MOContactsManagerDelegate
{
public:
    virtual ~MOContactsManagerDelegate() = default;

    // collaborationManager:didReceiveContacts:
    virtual void collaborationManagerDidReceiveContacts(MOContactsManager *manager,
                                                        const QList<MOUserAccount> &contacts) = 0;
    // collaborationManager:didFindContacts:forQuery: (an empty list when nobody matched)
    virtual void collaborationManagerDidFindContactsForQuery(MOContactsManager *manager,
                                                             const QList<MOUserAccount> &users,
                                                             const QString &query)
    {}
    // collaborationManager:didSendInviteTo:
    virtual void collaborationManagerDidSendInviteTo(MOContactsManager *manager,
                                                     const QString &email)
    {}
    // The invitation did not go through (error in MOSocialRequestErrorDomain).
    virtual void collaborationManagerDidFailSendingInviteTo(MOContactsManager *manager,
                                                            const QString &email,
                                                            const MOError &error)
    {}
    // The search failed for another reason than finding nobody (MOSocialRequestErrorDomain).
    virtual void collaborationManagerDidFailFindingContactsForQuery(MOContactsManager *manager,
                                                                    const QString &query,
                                                                    const MOError &error)
    {}
    // collaborationManager:hasNewConnection:
    virtual void collaborationManagerHasNewConnection(MOContactsManager *manager,
                                                      const MOUserAccount &account)
    {}
};

#endif // MOCONTACTSMANAGERDELEGATE_H
