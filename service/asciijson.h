#ifndef ASCIIJSON_H
#define ASCIIJSON_H

#include <QJsonObject>

#include <string>

// JSON for a header value: HTTP headers carry bytes that clients read as Latin-1 or ASCII.
namespace AsciiJson {

// Compact JSON text in which every character beyond printable ASCII is escaped as \uXXXX.
std::string compact(const QJsonObject &json);

} // namespace AsciiJson

#endif // ASCIIJSON_H
