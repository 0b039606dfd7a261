#ifndef MCCHATSUPPORT_H
#define MCCHATSUPPORT_H

#include <QHash>
#include <QPointer>

#include "mccontact.h"

// The chat state shared by every entity of the session: for now, the people met in
// conversations by e-mail address, contacts or not. Owned by the hub.
class MCChatSupport
{
public:
    QHash<QString, QPointer<MCContact>> &mcContactByEmail() { return m_contactByEmail; }
    MCContact *contactByEmail(const QString &email) const { return m_contactByEmail.value(email); }

private:
    QHash<QString, QPointer<MCContact>> m_contactByEmail;
};

#endif // MCCHATSUPPORT_H
