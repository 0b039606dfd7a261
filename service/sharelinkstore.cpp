#include "sharelinkstore.h"

#include "secrets.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace {

const char fileName[] = "sharelinks.json";
constexpr int tokenBytes = 16;

} // namespace

ShareLinkStore::ShareLinkStore(const QString &dataPath)
    : filePath(QDir(dataPath).filePath(QLatin1String(fileName)))
{}

bool ShareLinkStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    QFile file(filePath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(filePath, file.errorString());
        return false;
    }
    const QJsonValue stored =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("links"));
    for (const QJsonValue &item : stored.toArray()) {
        const std::optional<ShareLink> link = ShareLink::fromStoredJson(item.toObject());
        if (!link) {
            *error = QStringLiteral("%1: a link is incomplete").arg(filePath);
            return false;
        }
        links.push_back(*link);
    }
    if (!stored.isArray()) {
        *error = QStringLiteral("%1 is damaged").arg(filePath);
        return false;
    }
    return true;
}

bool ShareLinkStore::save() const
{
    QJsonArray stored;
    for (const ShareLink &link : links)
        stored.append(link.toStoredJson());
    QSaveFile file(filePath);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("links"), stored}}).toJson()) >= 0 &&
        file.commit())
        return true;
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(filePath),
                 qPrintable(file.errorString()));
    return false;
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
    save();
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
        save();
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
