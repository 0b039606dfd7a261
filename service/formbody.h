#ifndef FORMBODY_H
#define FORMBODY_H

#include <QMap>
#include <QString>

#include <optional>
#include <string>

// The fields of an application/x-www-form-urlencoded body. Decoded here rather than by the
// HTTP layer, which keeps only the last part of a value that holds a raw "=".
class FormBody
{
public:
    // nullopt when a "%" escape is broken or a value is not UTF-8.
    static std::optional<FormBody> parse(const std::string &body);

    bool contains(const QString &name) const { return fields.contains(name); }
    // The first value given for name; null when there is none.
    QString value(const QString &name) const { return fields.value(name); }

private:
    QMap<QString, QString> fields;
};

#endif // FORMBODY_H
