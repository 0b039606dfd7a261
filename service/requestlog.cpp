#include "requestlog.h"

#include <QJsonObject>
#include <QString>

namespace {

// Both several times what any test reads back, a fraction of what a soak sends. Each entry
// takes about 2 KiB with its headers: a day's use would otherwise hold gigabytes.
constexpr size_t maximumEntries = 2048;
constexpr qint64 maximumBodyBytes = 16 * 1024 * 1024;

// The HTTP layer files the peer's and its own address among the request headers.
bool isConnectionInfo(const std::string &name)
{
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

} // namespace

quint64 RequestLog::record(const httplib::Request &request)
{
    Entry entry;
    entry.method = QByteArray::fromStdString(request.method);
    entry.path = QByteArray::fromStdString(request.path);
    const std::string::size_type question = request.target.find('?');
    if (question != std::string::npos)
        entry.query = QByteArray::fromStdString(request.target.substr(question + 1));
    for (const auto &header : request.headers) {
        if (!isConnectionInfo(header.first))
            entry.headers.emplace_back(QByteArray::fromStdString(header.first).toLower(),
                                       QByteArray::fromStdString(header.second));
    }
    entry.body = QByteArray::fromStdString(request.body);

    std::lock_guard<std::mutex> lock(mutex);
    entry.number = ++recorded;
    keptBodyBytes += entry.body.size();
    entries.push_back(std::move(entry));
    dropOldest();
    return recorded;
}

void RequestLog::dropOldest()
{
    for (; entries.size() > maximumEntries; entries.pop_front()) {
        keptBodyBytes -= entries.front().body.size();
        if (oldestKeptBody > 0)
            --oldestKeptBody;
    }
    for (; keptBodyBytes > maximumBodyBytes && oldestKeptBody + 1 < entries.size();
         ++oldestKeptBody) {
        Entry &entry = entries[oldestKeptBody];
        if (entry.body.isEmpty())
            continue;
        keptBodyBytes -= entry.body.size();
        entry.body = QByteArray();
        entry.bodyDropped = true;
    }
}

void RequestLog::answered(quint64 number, int status)
{
    std::lock_guard<std::mutex> lock(mutex);
    // Recent entries are answered first; a cleared log no longer has it.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->number == number) {
            it->status = status;
            return;
        }
    }
}

QJsonArray RequestLog::toJson(const QByteArray &path) const
{
    std::lock_guard<std::mutex> lock(mutex);
    QJsonArray result;
    for (const Entry &entry : entries) {
        if (!path.isEmpty() && entry.path != path)
            continue;
        QJsonObject headers;
        for (const auto &header : entry.headers) {
            const QString name = QString::fromLatin1(header.first);
            const QString value = QString::fromUtf8(header.second);
            // A repeated header reads as one list, as HTTP allows.
            if (headers.contains(name))
                headers.insert(name, headers.value(name).toString() + QLatin1String(", ") + value);
            else
                headers.insert(name, value);
        }
        result.append(QJsonObject{
            {QStringLiteral("method"), QString::fromLatin1(entry.method)},
            {QStringLiteral("path"), QString::fromUtf8(entry.path)},
            {QStringLiteral("query"), QString::fromUtf8(entry.query)},
            {QStringLiteral("headers"), headers},
            {QStringLiteral("body"), QString::fromUtf8(entry.body)},
            {QStringLiteral("bodyBase64"), QString::fromLatin1(entry.body.toBase64())},
            {QStringLiteral("bodyDropped"), entry.bodyDropped},
            {QStringLiteral("status"), entry.status},
        });
    }
    return result;
}

void RequestLog::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    entries.clear();
    keptBodyBytes = 0;
    oldestKeptBody = 0;
}
