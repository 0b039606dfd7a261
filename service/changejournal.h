#ifndef CHANGEJOURNAL_H
#define CHANGEJOURNAL_H

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

class ServiceDatabase;

// One user's changes in the order they were made, as the delta entries of the API, in the
// database. A cursor names a position: "<journal id>-<entry count>". The id is drawn when
// the journal is made, so cursors of a lost journal are unknown.
class ChangeJournal
{
public:
    ChangeJournal(ServiceDatabase &database, qint64 userId);

    // Reads the journal's id and length, or starts it when there is none.
    bool load(QString *error);

    QString head() const; // the cursor after the last entry
    // Stores the entries, each with its "token" (the cursor after it), in the caller's
    // transaction; false when they cannot be written. After a roll-back, load again.
    bool append(const std::vector<QJsonObject> &entries);
    // The entries after cursor, oldest first; nullopt when the cursor is not this journal's.
    std::optional<QJsonArray> after(const QString &cursor) const;

private:
    QString cursorAt(qint64 position) const;

    ServiceDatabase &database;
    const qint64 userId;
    QString id;
    qint64 length = 0;
};

#endif // CHANGEJOURNAL_H
