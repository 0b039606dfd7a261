#include "formbody.h"

#include <QTextCodec>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QString> decode(const std::string &encoded)
{
    QByteArray bytes;
    bytes.reserve(int(encoded.size()));
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%') {
            const int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
            if (low < 0)
                return std::nullopt;
            bytes.append(char(high * 16 + low));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return std::nullopt;
    return text;
}

} // namespace

std::optional<FormBody> FormBody::parse(const std::string &body)
{
    FormBody form;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string pair = body.substr(start, end - start);
        start = end + 1;
        if (pair.empty())
            continue;
        const size_t equals = pair.find('=');
        const std::optional<QString> name = decode(pair.substr(0, equals));
        const std::optional<QString> value =
            decode(equals == std::string::npos ? std::string() : pair.substr(equals + 1));
        if (!name || !value)
            return std::nullopt;
        if (!form.fields.contains(*name))
            form.fields.insert(*name, *value);
    }
    return form;
}
