#include "collaborationstore.h"

#include "secrets.h"
#include "storeddocument.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>

#include <algorithm>

namespace {

constexpr int tokenBytes = 16;

} // namespace

CollaborationStore::CollaborationStore(ServiceDatabase &database)
    : database(database)
{}

bool CollaborationStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    QJsonObject json;
    if (!StoredDocument::read(database, QStringLiteral("collaborations"), &json, error))
        return false;
    for (const QJsonValue &item : json.value(QLatin1String("records")).toArray()) {
        const std::optional<Collaboration> record = Collaboration::fromStoredJson(item.toObject());
        if (!record) {
            *error = QStringLiteral("%1: a collaboration is incomplete")
                         .arg(QStringLiteral("stored collaborations"));
            return false;
        }
        records.push_back(*record);
        changeCount = std::max(changeCount, record->change);
    }
    const QJsonObject given = json.value(QLatin1String("answers_given")).toObject();
    for (auto it = given.begin(); it != given.end(); ++it)
        answersGiven[it.key().toLongLong()] = qint64(it.value().toDouble());
    return true;
}

bool CollaborationStore::save() const
{
    QJsonArray stored;
    for (const Collaboration &record : records)
        stored.append(record.toStoredJson());
    QJsonObject given;
    for (const auto &device : answersGiven)
        given.insert(QString::number(device.first), device.second);
    return StoredDocument::write(
        database, QStringLiteral("collaborations"),
        {{QStringLiteral("records"), stored}, {QStringLiteral("answers_given"), given}});
}

std::vector<Collaboration>
CollaborationStore::send(qint64 senderId, const std::vector<qint64> &recipientIds,
                         qint64 conversationId, const QString &sourcePath,
                         const QJsonObject &sourceObject, const QString &sourceProvider)
{
    std::lock_guard<std::mutex> lock(mutex);
    const QString uniqueIdentifier = Secrets::randomHex(tokenBytes);
    std::vector<Collaboration> made;
    for (const qint64 recipientId : recipientIds) {
        Collaboration record;
        record.token = Secrets::randomHex(tokenBytes);
        record.senderId = senderId;
        record.recipientId = recipientId;
        record.conversationId = conversationId;
        record.sourcePath = sourcePath;
        record.sourceObject = sourceObject;
        record.createdAt = QDateTime::currentSecsSinceEpoch();
        record.uniqueIdentifier = uniqueIdentifier;
        record.sourceProvider = sourceProvider;
        record.change = ++changeCount;
        records.push_back(record);
        made.push_back(record);
    }
    save();
    return made;
}

std::optional<Collaboration> CollaborationStore::find(const QString &token) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = std::find_if(records.begin(), records.end(),
                                    [&token](const Collaboration &r) { return r.token == token; });
    return found == records.end() ? std::nullopt : std::optional<Collaboration>(*found);
}

Collaboration CollaborationStore::update(Collaboration record)
{
    std::lock_guard<std::mutex> lock(mutex);
    record.change = ++changeCount;
    for (Collaboration &stored : records) {
        if (stored.token == record.token)
            stored = record;
    }
    save();
    return record;
}

std::vector<Collaboration> CollaborationStore::received(qint64 userId, qint64 after,
                                                        qint64 limit) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Collaboration> changed;
    for (const Collaboration &record : records) {
        if (record.recipientId == userId && record.change > after)
            changed.push_back(record);
    }
    std::sort(changed.begin(), changed.end(),
              [](const Collaboration &a, const Collaboration &b) { return a.change < b.change; });
    if (qint64(changed.size()) > limit)
        changed.resize(size_t(limit));
    return changed;
}

std::vector<Collaboration> CollaborationStore::sent(qint64 userId, qint64 offset,
                                                    qint64 limit) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Collaboration> page;
    qint64 index = 0;
    for (const Collaboration &record : records) {
        if (record.senderId == userId && index++ >= offset && qint64(page.size()) < limit)
            page.push_back(record);
    }
    return page;
}

qint64 CollaborationStore::lastChange() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return changeCount;
}

std::vector<Collaboration> CollaborationStore::takeAnswers(qint64 userId, qint64 deviceId,
                                                           qint64 since)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 given = answersGiven[deviceId];
    std::vector<Collaboration> answers;
    for (const Collaboration &record : records) {
        if (record.senderId == userId && !record.isPending() && record.change > given &&
            record.answeredAt() >= since)
            answers.push_back(record);
    }
    if (given != changeCount) {
        answersGiven[deviceId] = changeCount;
        save();
    }
    return answers;
}
