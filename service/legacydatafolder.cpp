#include "legacydatafolder.h"

#include "servicedatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const char *const legacyEntries[] = {"accounts.json",      "objects",       "uploads",
                                     "sharelinks.json",    "contacts.json", "collaborations.json",
                                     "conversations.json", "news.json"};

QString stamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace

bool LegacyDataFolder::isLegacy(const QString &dataPath)
{
    const QDir folder(dataPath);
    if (!folder.exists() || folder.exists(ServiceDatabase::fileName()))
        return false;
    for (const char *entry : legacyEntries) {
        if (folder.exists(QLatin1String(entry)))
            return true;
    }
    return false;
}

QString LegacyDataFolder::setAside(const QString &dataPath, QString *error)
{
    const QString absolute = QFileInfo(dataPath).absoluteFilePath();
    const QString sibling = QStringLiteral("%1.json-%2").arg(absolute, stamp());
    if (!QFileInfo::exists(sibling) && QDir().rename(absolute, sibling) && QDir().mkpath(absolute))
        return sibling;

    // A mount point or a folder of a parent we may not write: keep it, empty it.
    QDir folder(absolute);
    const QString inside = QStringLiteral("json-%1").arg(stamp());
    if (!folder.mkdir(inside)) {
        *error = QStringLiteral("cannot set aside the old data in %1").arg(absolute);
        return QString();
    }
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry != inside && !folder.rename(entry, inside + QLatin1Char('/') + entry)) {
            *error = QStringLiteral("cannot move %1 out of the way").arg(folder.filePath(entry));
            return QString();
        }
    }
    return folder.filePath(inside);
}
