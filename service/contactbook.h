#ifndef CONTACTBOOK_H
#define CONTACTBOOK_H

#include "joininvitation.h"
#include "storeerror.h"

#include <QString>

#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class ServiceDatabase;

// Who is whose contact, and the invitations that make contacts, kept in the
// database. Shared by all worker threads.
class ContactBook
{
public:
    explicit ContactBook(ServiceDatabase &database);

    bool load(QString *error);

    std::vector<qint64> contactsOf(qint64 userId) const;
    bool areContacts(qint64 a, qint64 b) const;
    // Makes userId a contact of each of others at once (no invitations), written once.
    void connect(qint64 userId, const std::vector<qint64> &others);
    // The pending invitation from sender to recipient; a new one when there is none.
    JoinInvitation invite(qint64 senderId, qint64 recipientId);
    // An invitation its sender or recipient may see.
    std::optional<JoinInvitation> invitation(qint64 userId, qint64 id) const;
    std::vector<JoinInvitation> pendingFor(qint64 recipientId) const;
    // Sent or received, oldest first.
    std::vector<JoinInvitation> invitationsOf(qint64 userId) const;
    // Only the recipient answers, once; accepting makes the two contacts. *invitation is set
    // whenever the invitation exists.
    StoreError answer(qint64 recipientId, qint64 id, bool accept, JoinInvitation *invitation);

private:
    bool save() const;

    ServiceDatabase &database;
    mutable std::mutex mutex;
    std::set<std::pair<qint64, qint64>> pairs; // lower id first
    std::vector<JoinInvitation> invitations;
    qint64 nextId = 1;
};

#endif // CONTACTBOOK_H
