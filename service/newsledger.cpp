#include "newsledger.h"

#include "storeddocument.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonArray idArray(const std::set<qint64> &ids)
{
    QJsonArray array;
    for (const qint64 id : ids)
        array.append(id);
    return array;
}

std::set<qint64> idSet(const QJsonValue &value)
{
    std::set<qint64> ids;
    for (const QJsonValue &id : value.toArray())
        ids.insert(qint64(id.toDouble()));
    return ids;
}

template<typename Value> QJsonObject idObject(const std::map<qint64, Value> &values)
{
    QJsonObject json;
    for (const auto &entry : values)
        json.insert(QString::number(entry.first), qint64(entry.second));
    return json;
}

template<typename Value> std::map<qint64, Value> idValues(const QJsonValue &value)
{
    std::map<qint64, Value> values;
    const QJsonObject json = value.toObject();
    for (auto it = json.begin(); it != json.end(); ++it)
        values[it.key().toLongLong()] = Value(it.value().toDouble());
    return values;
}

} // namespace

NewsLedger::NewsLedger(ServiceDatabase &database)
    : database(database)
{}

bool NewsLedger::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    QJsonObject json;
    if (!StoredDocument::read(database, QStringLiteral("news"), &json, error))
        return false;
    for (auto it = json.begin(); it != json.end(); ++it) {
        const QJsonObject stored = it.value().toObject();
        Given &given = devices[it.key().toLongLong()];
        given.contacts = idSet(stored.value(QLatin1String("contacts")));
        given.statuses = idValues<int>(stored.value(QLatin1String("statuses")));
        given.invitations = idSet(stored.value(QLatin1String("invitations")));
        given.conversations = idSet(stored.value(QLatin1String("conversations")));
        given.lastMessages = idValues<qint64>(stored.value(QLatin1String("last_messages")));
    }
    return true;
}

bool NewsLedger::save() const
{
    QJsonObject json;
    for (const auto &device : devices) {
        const Given &given = device.second;
        json.insert(QString::number(device.first),
                    QJsonObject{{QStringLiteral("contacts"), idArray(given.contacts)},
                                {QStringLiteral("statuses"), idObject(given.statuses)},
                                {QStringLiteral("invitations"), idArray(given.invitations)},
                                {QStringLiteral("conversations"), idArray(given.conversations)},
                                {QStringLiteral("last_messages"), idObject(given.lastMessages)}});
    }
    return StoredDocument::write(database, QStringLiteral("news"), json);
}

void NewsLedger::update(qint64 deviceId, const std::function<void(Given &)> &record)
{
    std::lock_guard<std::mutex> lock(mutex);
    record(devices[deviceId]);
    save();
}
