#include "contactbook.h"

#include "storeddocument.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>

#include <algorithm>

namespace {

std::pair<qint64, qint64> pairOf(qint64 a, qint64 b)
{
    return {std::min(a, b), std::max(a, b)};
}

} // namespace

ContactBook::ContactBook(ServiceDatabase &database)
    : database(database)
{}

bool ContactBook::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    QJsonObject json;
    if (!StoredDocument::read(database, QStringLiteral("contacts"), &json, error))
        return false;
    for (const QJsonValue &pair : json.value(QLatin1String("pairs")).toArray()) {
        const QJsonArray ids = pair.toArray();
        pairs.insert(pairOf(qint64(ids.at(0).toDouble()), qint64(ids.at(1).toDouble())));
    }
    for (const QJsonValue &item : json.value(QLatin1String("invitations")).toArray()) {
        const std::optional<JoinInvitation> invitation =
            JoinInvitation::fromStoredJson(item.toObject());
        if (!invitation) {
            *error = QStringLiteral("%1: an invitation is incomplete")
                         .arg(QStringLiteral("stored contacts"));
            return false;
        }
        invitations.push_back(*invitation);
        nextId = std::max(nextId, invitation->id + 1);
    }
    return true;
}

bool ContactBook::save() const
{
    QJsonArray storedPairs;
    for (const auto &pair : pairs)
        storedPairs.append(QJsonArray{pair.first, pair.second});
    QJsonArray storedInvitations;
    for (const JoinInvitation &invitation : invitations)
        storedInvitations.append(invitation.toStoredJson());
    return StoredDocument::write(database, QStringLiteral("contacts"),
                                 {{QStringLiteral("pairs"), storedPairs},
                                  {QStringLiteral("invitations"), storedInvitations}});
}

std::vector<qint64> ContactBook::contactsOf(qint64 userId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<qint64> contacts;
    for (const auto &pair : pairs) {
        if (pair.first == userId)
            contacts.push_back(pair.second);
        else if (pair.second == userId)
            contacts.push_back(pair.first);
    }
    return contacts;
}

bool ContactBook::areContacts(qint64 a, qint64 b) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return pairs.count(pairOf(a, b)) != 0;
}

void ContactBook::connect(qint64 userId, const std::vector<qint64> &others)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const qint64 other : others) {
        if (other != userId)
            pairs.insert(pairOf(userId, other));
    }
    save();
}

JoinInvitation ContactBook::invite(qint64 senderId, qint64 recipientId)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto pending =
        std::find_if(invitations.begin(), invitations.end(), [&](const JoinInvitation &invitation) {
            return invitation.senderId == senderId && invitation.recipientId == recipientId &&
                   invitation.isPending();
        });
    if (pending != invitations.end())
        return *pending;
    JoinInvitation invitation;
    invitation.id = nextId++;
    invitation.senderId = senderId;
    invitation.recipientId = recipientId;
    invitation.createdAt = QDateTime::currentSecsSinceEpoch();
    invitations.push_back(invitation);
    save();
    return invitation;
}

std::optional<JoinInvitation> ContactBook::invitation(qint64 userId, qint64 id) const
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const JoinInvitation &invitation : invitations) {
        if (invitation.id == id &&
            (invitation.senderId == userId || invitation.recipientId == userId))
            return invitation;
    }
    return std::nullopt;
}

std::vector<JoinInvitation> ContactBook::pendingFor(qint64 recipientId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<JoinInvitation> pending;
    std::copy_if(invitations.begin(), invitations.end(), std::back_inserter(pending),
                 [recipientId](const JoinInvitation &invitation) {
                     return invitation.recipientId == recipientId && invitation.isPending();
                 });
    return pending;
}

std::vector<JoinInvitation> ContactBook::invitationsOf(qint64 userId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<JoinInvitation> found;
    std::copy_if(invitations.begin(), invitations.end(), std::back_inserter(found),
                 [userId](const JoinInvitation &invitation) {
                     return invitation.senderId == userId || invitation.recipientId == userId;
                 });
    return found;
}

StoreError ContactBook::answer(qint64 recipientId, qint64 id, bool accept,
                               JoinInvitation *invitation)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto found =
        std::find_if(invitations.begin(), invitations.end(), [&](const JoinInvitation &candidate) {
            return candidate.id == id && candidate.recipientId == recipientId;
        });
    if (found == invitations.end())
        return {404, QStringLiteral("No invitation %1 was sent to you").arg(id)};
    if (!found->isPending()) {
        *invitation = *found;
        return {409, QStringLiteral("The invitation has been answered already")};
    }
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (accept) {
        found->acceptedAt = now;
        pairs.insert(pairOf(found->senderId, found->recipientId));
    } else {
        found->rejectedAt = now;
    }
    *invitation = *found;
    save();
    return {};
}
