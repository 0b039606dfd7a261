#include "changejournal.h"

#include "secrets.h"
#include "servicedatabase.h"

#include <QJsonDocument>
#include <QSqlQuery>

namespace {

constexpr int idBytes = 8;
const QString tokenKey = QStringLiteral("token");

} // namespace

ChangeJournal::ChangeJournal(ServiceDatabase &database, qint64 userId)
    : database(database)
    , userId(userId)
{}

bool ChangeJournal::load(QString *error)
{
    id.clear();
    length = 0;
    const bool read =
        database.exec(QStringLiteral("SELECT id, length FROM journals WHERE user_id = ?"), {userId},
                      [this](const QSqlQuery &row) {
                          id = row.value(0).toString();
                          length = row.value(1).toLongLong();
                      });
    if (read && id.isEmpty()) {
        const QString fresh = Secrets::randomHex(idBytes);
        if (database.exec(
                QStringLiteral("INSERT INTO journals(user_id, id, length) VALUES(?, ?, 0)"),
                {userId, fresh}))
            id = fresh;
    }
    if (id.isEmpty()) {
        *error = QStringLiteral("cannot read the journal of user %1").arg(userId);
        return false;
    }
    return true;
}

QString ChangeJournal::cursorAt(qint64 position) const
{
    return QStringLiteral("%1-%2").arg(id).arg(position);
}

QString ChangeJournal::head() const
{
    return cursorAt(length);
}

bool ChangeJournal::append(const std::vector<QJsonObject> &entries)
{
    qint64 position = length;
    auto next = entries.begin();
    const bool written =
        database.execMany(
            QStringLiteral("INSERT INTO journal_entries(user_id, position, entry) "
                           "VALUES(?, ?, ?)"),
            [&](QVariantList *values) {
                if (next == entries.end())
                    return false;
                QJsonObject entry = *next++;
                entry.insert(tokenKey, cursorAt(++position));
                *values = {userId, position,
                           QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact))};
                return true;
            }) &&
        database.exec(QStringLiteral("UPDATE journals SET length = ? WHERE user_id = ?"),
                      {position, userId});
    if (written)
        length = position;
    return written;
}

std::optional<QJsonArray> ChangeJournal::after(const QString &cursor) const
{
    const int dash = cursor.indexOf(QLatin1Char('-'));
    bool ok = false;
    const qlonglong position = cursor.mid(dash + 1).toLongLong(&ok);
    if (dash < 0 || cursor.left(dash) != id || !ok || position < 0 || position > length ||
        cursor != cursorAt(position))
        return std::nullopt;
    QJsonArray result;
    const bool read = database.exec(
        QStringLiteral("SELECT entry FROM journal_entries WHERE user_id = ? AND position > ? "
                       "AND position <= ? ORDER BY position"),
        {userId, position, length}, [&result](const QSqlQuery &row) {
            result.append(QJsonDocument::fromJson(row.value(0).toString().toUtf8()).object());
        });
    if (!read)
        return std::nullopt;
    return result;
}
