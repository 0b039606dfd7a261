#include "requestvalues.h"

#include <cmath>

std::optional<qint64> RequestValues::count(const QJsonValue &value)
{
    bool ok = value.isDouble();
    const double number = ok ? value.toDouble() : value.toString().toDouble(&ok);
    // Beyond 2^53 a double no longer holds every integer.
    if (!ok || number < 0 || number >= 9007199254740992.0 || std::floor(number) != number)
        return std::nullopt;
    return qint64(number);
}

std::optional<qint64> RequestValues::queryCount(const httplib::Request &request, const char *name,
                                                qint64 fallback)
{
    if (!request.has_param(name))
        return fallback;
    return count(queryText(request, name));
}

QString RequestValues::queryText(const httplib::Request &request, const char *name)
{
    if (!request.has_param(name))
        return QString();
    return QString::fromUtf8(QByteArray::fromStdString(request.get_param_value(name)));
}

std::optional<qint64> RequestValues::capturedId(const std::string &digits)
{
    bool ok = false;
    const qint64 id = QByteArray::fromStdString(digits).toLongLong(&ok);
    if (!ok || id < 0)
        return std::nullopt;
    return id;
}
