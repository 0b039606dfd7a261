#include "jsonfile.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

bool JsonFile::read(const QString &path, QJsonObject *json, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        *json = QJsonObject();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("%1 is damaged").arg(path);
        return false;
    }
    *json = document.object();
    return true;
}

bool JsonFile::write(const QString &path, const QJsonObject &json)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(QJsonDocument(json).toJson(QJsonDocument::Compact)) >= 0 && file.commit())
        return true;
    std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
}
