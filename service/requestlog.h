#ifndef REQUESTLOG_H
#define REQUESTLOG_H

#include <QByteArray>
#include <QJsonArray>

#include <httplib.h>

#include <deque>
#include <mutex>
#include <utility>
#include <vector>

// The requests the service received, in arrival order, for tests to inspect. A soak sends
// thousands of requests and gigabytes without clearing the log: only the newest entries are
// kept, and of those only the newest bodies, each up to a bound in all.
class RequestLog
{
public:
    // Answers the entry's number, for answered().
    quint64 record(const httplib::Request &request);
    // The status the request was answered with (-1 while it has none: hung, dropped).
    void answered(quint64 number, int status);
    // Objects with method, path, query (raw, without "?"), headers (lower-case names),
    // body (as UTF-8 text), bodyBase64, bodyDropped (true once the body was let go, both
    // bodies then empty) and status. With a path, only the requests to it: a test polling
    // for one request need not fetch every body kept.
    QJsonArray toJson(const QByteArray &path = QByteArray()) const;
    void clear();

private:
    struct Entry
    {
        QByteArray method;
        QByteArray path;
        QByteArray query;
        std::vector<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        quint64 number = 0;
        int status = -1;
        bool bodyDropped = false;
    };

    // Lets the oldest entries go beyond the bound on their number, then the oldest bodies
    // until the kept ones fit theirs, the newest always kept.
    void dropOldest();

    mutable std::mutex mutex;
    std::deque<Entry> entries;
    quint64 recorded = 0;
    qint64 keptBodyBytes = 0;
    size_t oldestKeptBody = 0; // no entry before it holds a body
};

#endif // REQUESTLOG_H
