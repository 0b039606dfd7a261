#ifndef COLLABORATIONSTORE_H
#define COLLABORATIONSTORE_H

#include "collaboration.h"

#include <map>
#include <mutex>
#include <optional>
#include <vector>

class ServiceDatabase;

// Every collaboration, kept in the database. Each new or changed
// record takes the next number of one sequence of changes, which the received poll's
// "token" counts in; what each device was told of its sent ones is kept too. Shared by all
// worker threads.
class CollaborationStore
{
public:
    explicit CollaborationStore(ServiceDatabase &database);

    bool load(QString *error);

    // One invitation per recipient, sharing a unique identifier, in the order given.
    std::vector<Collaboration> send(qint64 senderId, const std::vector<qint64> &recipientIds,
                                    qint64 conversationId, const QString &sourcePath,
                                    const QJsonObject &sourceObject,
                                    const QString &sourceProvider = QString());
    std::optional<Collaboration> find(const QString &token) const;
    // Stores record in place of the one with its token, as the latest change.
    Collaboration update(Collaboration record);
    // The recipient's records changed after the change numbered after, in the order of
    // their changes; at most limit of them.
    std::vector<Collaboration> received(qint64 userId, qint64 after, qint64 limit) const;
    std::vector<Collaboration> sent(qint64 userId, qint64 offset, qint64 limit) const;
    qint64 lastChange() const;
    // The sender's answered records that device has not been given yet, skipping those
    // answered before since (seconds); they count as given afterwards.
    std::vector<Collaboration> takeAnswers(qint64 userId, qint64 deviceId, qint64 since);

private:
    bool save() const;

    ServiceDatabase &database;
    mutable std::mutex mutex;
    std::vector<Collaboration> records;
    std::map<qint64, qint64> answersGiven; // device id -> last change given
    qint64 changeCount = 0;
};

#endif // COLLABORATIONSTORE_H
