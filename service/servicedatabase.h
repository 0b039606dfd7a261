#ifndef SERVICEDATABASE_H
#define SERVICEDATABASE_H

#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <mutex>

class QSqlQuery;

// kerlo-local's state in one SQLite file of the data folder (kerlo-local.db), in WAL mode.
// One connection serves every worker thread: statements run under the database lock, and a
// change with its journal entries goes into one transaction. File and chunk bytes stay
// files beside it.
class ServiceDatabase
{
public:
    explicit ServiceDatabase(const QString &dataPath);
    ~ServiceDatabase();

    static QString fileName();

    // Opens or creates the file with the current schema.
    bool open(QString *error);
    // Whether the file was created by this start (the stores then seed it).
    bool isNew() const;

    // Runs work in one transaction under the database lock. Nested calls join the outer
    // transaction. Rolled back when work returns false or a statement fails (reported on
    // stderr); returns whether it was committed.
    bool transaction(const std::function<bool()> &work);

    // A statement with positional values, run under the database lock (inside a transaction
    // when one is open on this thread). rows, when given, receives each result row.
    bool exec(const QString &sql, const QVariantList &values = {},
              const std::function<void(const QSqlQuery &)> &rows = {});
    // Prepares sql once and runs it for each value list; for bulk writes in a transaction.
    bool execMany(const QString &sql, const std::function<bool(QVariantList *)> &next);

    // For tests: the next transaction that has written this many statements ends the
    // process before it commits, as a power cut or SIGKILL would.
    void killAfterStatements(int count);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // SERVICEDATABASE_H
