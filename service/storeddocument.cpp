#include "storeddocument.h"

#include "servicedatabase.h"

#include <QJsonDocument>
#include <QSqlQuery>

bool StoredDocument::read(ServiceDatabase &database, const QString &name, QJsonObject *json,
                          QString *error)
{
    *json = QJsonObject();
    bool damaged = false;
    const bool read = database.exec(QStringLiteral("SELECT body FROM documents WHERE name = ?"),
                                    {name}, [&](const QSqlQuery &row) {
                                        const QJsonDocument document = QJsonDocument::fromJson(
                                            row.value(0).toString().toUtf8());
                                        damaged = !document.isObject();
                                        *json = document.object();
                                    });
    if (!read || damaged) {
        *error = QStringLiteral("the %1 in the database are damaged").arg(name);
        return false;
    }
    return true;
}

bool StoredDocument::write(ServiceDatabase &database, const QString &name, const QJsonObject &json)
{
    return database.exec(
        QStringLiteral("INSERT OR REPLACE INTO documents(name, body) VALUES(?, ?)"),
        {name, QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact))});
}
