#ifndef REQUESTVALUES_H
#define REQUESTVALUES_H

#include <QJsonValue>
#include <QString>

#include <httplib.h>

#include <optional>

// Numbers and texts from queries and JSON bodies, checked before use.
namespace RequestValues {

// A whole number in [0, 2^53) from JSON text or a JSON number ("72" or 72).
std::optional<qint64> count(const QJsonValue &value);
// A query value; fallback when the query does not have it.
std::optional<qint64> queryCount(const httplib::Request &request, const char *name,
                                 qint64 fallback);
// A query value as UTF-8 text; null when absent.
QString queryText(const httplib::Request &request, const char *name);
// A path capture of digits; nullopt when it does not fit.
std::optional<qint64> capturedId(const std::string &digits);

} // namespace RequestValues

#endif // REQUESTVALUES_H
