#ifndef MCONFIGDATABASE_H
#define MCONFIGDATABASE_H

#include "corelogging.h"

#include <QByteArray>
#include <QDataStream>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// The key-value table of config.db. The connection "config" belongs to the thread that
// opened it; other threads get a connection of their own to the same file.
QSqlDatabase mConfigDatabase();

extern const QString MConfigConnectionName;

template<typename T> void MWriteValueToDB(const QString &key, const T &value)
{
    QByteArray bytes;
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_5_3);
        stream << value;
    }
    QSqlQuery query(mConfigDatabase());
    query.prepare(
        QStringLiteral("INSERT OR REPLACE INTO %1 (%2,%3) VALUES(?,?)")
            .arg(QStringLiteral("config"), QStringLiteral("key"), QStringLiteral("value")));
    query.addBindValue(key);
    query.addBindValue(bytes);
    if (!query.exec())
        qCWarning(lcCoreApp) << "Cannot save value" << value << "for key" << key;
}

template<typename T> T MReadValueFromDB(const QString &key)
{
    QSqlQuery query(mConfigDatabase());
    query.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
            .arg(QStringLiteral("value"), QStringLiteral("config"), QStringLiteral("key")));
    query.addBindValue(key);
    if (!query.exec()) {
        qCWarning(lcCoreApp) << "Cannot read value from database for key" << key;
        return T();
    }
    if (!query.next())
        return T();
    const QByteArray bytes = query.value(0).toByteArray();
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_5_3);
    T value;
    stream >> value;
    return value;
}

#endif // MCONFIGDATABASE_H
