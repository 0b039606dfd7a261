#ifndef REQUESTLOG_H
#define REQUESTLOG_H

#include <QByteArray>
#include <QJsonArray>

#include <httplib.h>

#include <mutex>
#include <utility>
#include <vector>

// Every request the service received, in arrival order, for tests to inspect.
class RequestLog
{
public:
    void record(const httplib::Request &request);
    // Objects with method, path, query (raw, without "?"), headers (lower-case names),
    // body (as UTF-8 text) and bodyBase64.
    QJsonArray toJson() const;
    void clear();

private:
    struct Entry
    {
        QByteArray method;
        QByteArray path;
        QByteArray query;
        std::vector<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };

    mutable std::mutex mutex;
    std::vector<Entry> entries;
};

#endif // REQUESTLOG_H
