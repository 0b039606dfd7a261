#ifndef SOCIALJSON_P_H
#define SOCIALJSON_P_H

#include <QDateTime>
#include <QVariant>

// Readers for values of the service's decoded JSON objects. The service is trusted to send
// the right shapes, but a wrong one must only ever give an empty field.
namespace SocialJson {

// A number or a numeric text as a 64-bit integer; fallback for anything else, including
// numbers outside the 64-bit range.
qint64 toInt64(const QVariant &value, qint64 fallback);

// An ISO 8601 text; a null date for anything else.
QDateTime toDate(const QVariant &value);

} // namespace SocialJson

#endif // SOCIALJSON_P_H
