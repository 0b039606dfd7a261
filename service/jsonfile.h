#ifndef JSONFILE_H
#define JSONFILE_H

#include <QJsonObject>
#include <QString>

// The social stores each keep one JSON object in a file of the data folder, rewritten whole
// after every change.
namespace JsonFile {

// {} when there is no file yet; false with *error when it cannot be read or parsed.
bool read(const QString &path, QJsonObject *json, QString *error);
// Replaces the file atomically; a failure is reported on stderr.
bool write(const QString &path, const QJsonObject &json);

} // namespace JsonFile

#endif // JSONFILE_H
