#include "socialjson_p.h"

#include <cmath>
#include <limits>

namespace SocialJson {

qint64 toInt64(const QVariant &value, qint64 fallback)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULongLong: {
        const qulonglong number = value.toULongLong();
        return number <= qulonglong(std::numeric_limits<qint64>::max()) ? qint64(number) : fallback;
    }
    case QMetaType::Double: {
        // JSON numbers beyond 2^63 decode as doubles; QVariant would wrap them.
        const double number = value.toDouble();
        const double limit = 9223372036854775808.0; // 2^63
        if (!std::isfinite(number) || number >= limit || number < -limit)
            return fallback;
        return qint64(std::llround(number));
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 number = value.toString().toLongLong(&ok);
        return ok ? number : fallback;
    }
    default:
        return fallback;
    }
}

QDateTime toDate(const QVariant &value)
{
    if (value.userType() != QMetaType::QString)
        return QDateTime();
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

} // namespace SocialJson
