#ifndef STOREDDOCUMENT_H
#define STOREDDOCUMENT_H

#include <QJsonObject>
#include <QString>

class ServiceDatabase;

// The social stores each keep one small JSON object, as a row of the database's documents
// table, replaced whole after every change.
namespace StoredDocument {

// {} when there is none yet; false with *error when it cannot be read or parsed.
bool read(ServiceDatabase &database, const QString &name, QJsonObject *json, QString *error);
// Replaces the document; a failure is reported on stderr.
bool write(ServiceDatabase &database, const QString &name, const QJsonObject &json);

} // namespace StoredDocument

#endif // STOREDDOCUMENT_H
