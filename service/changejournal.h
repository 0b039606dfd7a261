#ifndef CHANGEJOURNAL_H
#define CHANGEJOURNAL_H

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// One user's changes in the order they were made, as the delta entries of the API, kept in
// a file that only ever grows. A cursor names a position: "<journal id>-<entry count>".
// The id is drawn when the journal is made, so cursors of a lost journal are unknown.
class ChangeJournal
{
public:
    explicit ChangeJournal(const QString &filePath);

    // Reads the file, or starts it when there is none.
    bool load(QString *error);

    QString head() const; // the cursor after the last entry
    // Stores entry with its "token", the cursor after it; false when it cannot be written
    // (reported on stderr).
    bool append(QJsonObject entry);
    // The entries after cursor, oldest first; nullopt when the cursor is not this journal's.
    std::optional<QJsonArray> after(const QString &cursor) const;

private:
    QString cursorAt(size_t position) const;
    bool start(QString *error);

    const QString filePath;
    QString id;
    std::vector<QJsonObject> entries;
};

#endif // CHANGEJOURNAL_H
