#ifndef SHARELINKSTORE_H
#define SHARELINKSTORE_H

#include "sharelink.h"

#include <mutex>
#include <optional>
#include <vector>

class ServiceDatabase;

// Every user's share links, oldest first, kept in the database, one row each. Shared by all
// worker threads.
class ShareLinkStore
{
public:
    explicit ShareLinkStore(ServiceDatabase &database);

    bool load(QString *error);

    // The user's active link to path when there is one, else a new one.
    ShareLink share(qint64 userId, const QString &path, qint64 expiresIn);
    // nullopt when the user has no link with that token. A revoked link stays revoked as of
    // the first time.
    std::optional<ShareLink> revoke(qint64 userId, const QString &token);
    std::vector<ShareLink> list(qint64 userId, qint64 offset, qint64 limit) const;
    // A visit of the public link: the link, counted, while it is active; nullopt once it is
    // revoked or expired, or when no link has that token.
    std::optional<ShareLink> visit(const QString &token);

private:
    bool save(const ShareLink &link) const; // reports a failure on stderr

    ServiceDatabase &database;
    mutable std::mutex mutex;
    std::vector<ShareLink> links;
};

#endif // SHARELINKSTORE_H
