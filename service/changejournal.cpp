#include "changejournal.h"

#include "secrets.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace {

constexpr int idBytes = 8;
const QString idKey = QStringLiteral("journal");
const QString tokenKey = QStringLiteral("token");

// One JSON object per line; the first names the journal.
QByteArray line(const QJsonObject &json)
{
    return QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

ChangeJournal::ChangeJournal(const QString &filePath)
    : filePath(filePath)
{}

bool ChangeJournal::start(QString *error)
{
    id = Secrets::randomHex(idBytes);
    QSaveFile file(filePath);
    if (file.open(QIODevice::WriteOnly) && file.write(line({{idKey, id}})) >= 0 && file.commit())
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString());
    return false;
}

bool ChangeJournal::load(QString *error)
{
    QFile file(filePath);
    if (!file.exists())
        return start(error);
    if (!file.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot read %1: %2").arg(filePath, file.errorString());
        return false;
    }
    QByteArray data = file.readAll();
    // A line cut short by a crash is dropped, so that the next entry starts a line of its own.
    const int complete = data.lastIndexOf('\n') + 1;
    if (complete < data.size()) {
        data.truncate(complete);
        file.resize(complete);
    }
    const QList<QByteArray> lines = data.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QJsonDocument document = QJsonDocument::fromJson(lines.at(i));
        if (!document.isObject()) {
            *error = QStringLiteral("%1: line %2 is damaged").arg(filePath).arg(i + 1);
            return false;
        }
        if (i == 0)
            id = document.object().value(idKey).toString();
        else
            entries.push_back(document.object());
    }
    if (id.isEmpty()) {
        *error = QStringLiteral("%1: no journal id").arg(filePath);
        return false;
    }
    return true;
}

QString ChangeJournal::cursorAt(size_t position) const
{
    return QStringLiteral("%1-%2").arg(id).arg(position);
}

QString ChangeJournal::head() const
{
    return cursorAt(entries.size());
}

bool ChangeJournal::append(QJsonObject entry)
{
    entry.insert(tokenKey, cursorAt(entries.size() + 1));
    QFile file(filePath);
    const QByteArray bytes = line(entry);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "kerlo-local: cannot write %s: %s\n", qPrintable(filePath),
                     qPrintable(file.errorString()));
        return false;
    }
    entries.push_back(entry);
    return true;
}

std::optional<QJsonArray> ChangeJournal::after(const QString &cursor) const
{
    const int dash = cursor.indexOf(QLatin1Char('-'));
    bool ok = false;
    const qulonglong position = cursor.mid(dash + 1).toULongLong(&ok);
    if (dash < 0 || cursor.left(dash) != id || !ok || position > entries.size() ||
        cursor != cursorAt(position))
        return std::nullopt;
    QJsonArray result;
    for (size_t i = position; i < entries.size(); ++i)
        result.append(entries[i]);
    return result;
}
