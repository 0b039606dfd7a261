#include "mjsonelements.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int skipSpace(const QByteArray &json, int at)
{
    while (at < json.size() && isSpace(json.at(at)))
        ++at;
    return at;
}

// The position just past the string that starts at at (a quote); -1 when it does not end.
int skipString(const QByteArray &json, int at)
{
    for (++at; at < json.size(); ++at) {
        if (json.at(at) == '\\')
            ++at;
        else if (json.at(at) == '"')
            return at + 1;
    }
    return -1;
}

// The position just past the value that starts at at; -1 when it does not end. Only
// brackets and strings are followed: the parser checks the rest.
int skipValue(const QByteArray &json, int at)
{
    int depth = 0;
    for (; at < json.size(); ++at) {
        const char c = json.at(at);
        if (c == '"') {
            at = skipString(json, at);
            if (at < 0)
                return -1;
            if (depth == 0)
                return at;
            --at;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (depth == 0)
                return at; // the end of the enclosing container
            if (--depth == 0)
                return at + 1;
        } else if (depth == 0 && (c == ',' || isSpace(c))) {
            return at;
        }
    }
    return depth == 0 ? at : -1;
}

} // namespace

bool mForEachJsonArrayElement(const QByteArray &json, const QString &key, QJsonObject *rest,
                              const std::function<bool(const QJsonObject &element)> &element)
{
    // Where the array of key is, at the top level: [arrayStart, arrayEnd).
    int at = skipSpace(json, 0);
    if (at >= json.size() || json.at(at) != '{')
        return false;
    const QByteArray quoted = QJsonDocument(QJsonObject{{key, 0}}).toJson(QJsonDocument::Compact);
    // {"key":0} -> "key"
    const QByteArray wanted = quoted.mid(1, quoted.indexOf(':') - 1);
    int arrayStart = -1;
    int arrayEnd = -1;
    ++at;
    while (true) {
        at = skipSpace(json, at);
        if (at >= json.size())
            return false;
        if (json.at(at) == '}')
            break;
        if (json.at(at) != '"')
            return false;
        const int keyEnd = skipString(json, at);
        if (keyEnd < 0)
            return false;
        const bool isKey = json.mid(at, keyEnd - at) == wanted;
        at = skipSpace(json, keyEnd);
        if (at >= json.size() || json.at(at) != ':')
            return false;
        at = skipSpace(json, at + 1);
        const int valueEnd = skipValue(json, at);
        if (valueEnd < 0 || valueEnd == at)
            return false;
        if (isKey) {
            if (json.at(at) != '[' || arrayStart >= 0)
                return false;
            arrayStart = at;
            arrayEnd = valueEnd;
        }
        at = skipSpace(json, valueEnd);
        if (at < json.size() && json.at(at) == ',')
            ++at;
    }
    if (arrayStart < 0)
        return false;

    // The other members, parsed as a small document of their own.
    QJsonParseError error;
    const QJsonDocument others = QJsonDocument::fromJson(
        json.left(arrayStart) + QByteArrayLiteral("[]") + json.mid(arrayEnd), &error);
    if (error.error != QJsonParseError::NoError || !others.isObject())
        return false;
    *rest = others.object();
    rest->remove(key);

    // The elements, one document each.
    at = skipSpace(json, arrayStart + 1);
    if (at < arrayEnd - 1 && json.at(at) != ']') {
        while (true) {
            const int end = skipValue(json, at);
            if (end < 0 || end > arrayEnd || json.at(at) != '{')
                return false;
            const QJsonDocument one = QJsonDocument::fromJson(
                QByteArray::fromRawData(json.constData() + at, end - at), &error);
            if (error.error != QJsonParseError::NoError || !one.isObject() ||
                !element(one.object()))
                return false;
            at = skipSpace(json, end);
            if (at < arrayEnd && json.at(at) == ',') {
                at = skipSpace(json, at + 1);
                continue;
            }
            break;
        }
    }
    return at == arrayEnd - 1 && json.at(at) == ']';
}
