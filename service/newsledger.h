#ifndef NEWSLEDGER_H
#define NEWSLEDGER_H

#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <set>

class ServiceDatabase;

// What each client (device) has been given of its user's social news, so that the news poll
// hands every item to every client once. Listings count as given. Kept in the database;
// shared by all worker threads.
class NewsLedger
{
public:
    struct Given
    {
        std::set<qint64> contacts;
        std::map<qint64, int> statuses; // contact id -> online status
        std::set<qint64> invitations;
        std::set<qint64> conversations;
        std::map<qint64, qint64> lastMessages; // conversation id -> highest message id
    };

    explicit NewsLedger(ServiceDatabase &database);

    bool load(QString *error);
    // Runs record on what the device was given, under the lock, and stores the result.
    void update(qint64 deviceId, const std::function<void(Given &)> &record);

private:
    bool save() const;

    ServiceDatabase &database;
    std::mutex mutex;
    std::map<qint64, Given> devices;
};

#endif // NEWSLEDGER_H
