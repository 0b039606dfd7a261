#include "asciijson.h"

#include <QJsonDocument>

#include <cstdio>

std::string AsciiJson::compact(const QJsonObject &json)
{
    // Outside strings JSON text is ASCII, and inside them \uXXXX means the same character
    // (UTF-16 units, so characters beyond the BMP become surrogate pairs, as JSON wants).
    const QString text = QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
    std::string ascii;
    ascii.reserve(size_t(text.size()));
    char escape[7];
    for (const QChar c : text) {
        if (c.unicode() < 0x7f) {
            ascii += char(c.unicode());
        } else {
            std::snprintf(escape, sizeof escape, "\\u%04x", c.unicode());
            ascii += escape;
        }
    }
    return ascii;
}
