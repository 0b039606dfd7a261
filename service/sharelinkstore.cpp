#include "sharelinkstore.h"

#include "secrets.h"
#include "servicedatabase.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr int tokenBytes = 16;

} // namespace

ShareLinkStore::ShareLinkStore(ServiceDatabase &database)
    : database(database)
{}

bool ShareLinkStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    bool complete = true;
    const bool read =
        database.exec(QStringLiteral("SELECT record FROM share_links ORDER BY rowid"), {},
                      [&](const QSqlQuery &row) {
                          const std::optional<ShareLink> link = ShareLink::fromStoredJson(
                              QJsonDocument::fromJson(row.value(0).toString().toUtf8()).object());
                          complete = complete && link;
                          if (link)
                              links.push_back(*link);
                      });
    if (!read || !complete) {
        *error = QStringLiteral("the share links in the database are damaged");
        return false;
    }
    return true;
}

bool ShareLinkStore::save(const ShareLink &link) const
{
    return database.exec(
        QStringLiteral("INSERT INTO share_links(token, record) VALUES(?, ?) "
                       "ON CONFLICT(token) DO UPDATE SET record = excluded.record"),
        {link.token,
         QString::fromUtf8(QJsonDocument(link.toStoredJson()).toJson(QJsonDocument::Compact))});
}

ShareLink ShareLinkStore::share(qint64 userId, const QString &path, qint64 expiresIn)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto active = std::find_if(links.begin(), links.end(), [&](const ShareLink &link) {
        return link.userId == userId && link.path == path && link.isActive(now);
    });
    if (active != links.end())
        return *active;
    ShareLink link;
    link.token = Secrets::randomHex(tokenBytes);
    link.userId = userId;
    link.path = path;
    link.expiresIn = expiresIn;
    link.createdAt = now;
    link.updatedAt = now;
    links.push_back(link);
    save(link);
    return link;
}

std::optional<ShareLink> ShareLinkStore::revoke(qint64 userId, const QString &token)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto link = std::find_if(links.begin(), links.end(), [&](const ShareLink &candidate) {
        return candidate.userId == userId && candidate.token == token;
    });
    if (link == links.end())
        return std::nullopt;
    if (link->revokedAt == 0) {
        link->revokedAt = QDateTime::currentSecsSinceEpoch();
        link->updatedAt = link->revokedAt;
        save(*link);
    }
    return *link;
}

std::vector<ShareLink> ShareLinkStore::list(qint64 userId, qint64 offset, qint64 limit) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<ShareLink> page;
    qint64 index = 0;
    for (const ShareLink &link : links) {
        if (link.userId != userId)
            continue;
        if (index++ >= offset && qint64(page.size()) < limit)
            page.push_back(link);
    }
    return page;
}

std::optional<ShareLink> ShareLinkStore::visit(const QString &token)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto link = std::find_if(links.begin(), links.end(), [&](const ShareLink &candidate) {
        return candidate.token == token;
    });
    if (link == links.end() || !link->isActive(QDateTime::currentSecsSinceEpoch()))
        return std::nullopt;
    ++link->visitCount;
    save(*link);
    return *link;
}
