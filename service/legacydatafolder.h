#ifndef LEGACYDATAFOLDER_H
#define LEGACYDATAFOLDER_H

#include <QString>

// Data folders of kerlo-local before its database: JSON files rewritten whole (accounts.json,
// objects/<user>/tree.json, ...). Their state is not carried over; the folder is set aside
// whole, so that nothing in it is lost, and a fresh one takes its place.
namespace LegacyDataFolder {

bool isLegacy(const QString &dataPath);
// Renames the folder to "<folder>.json-<date and time>", or when that is impossible moves
// its entries into such a subfolder. Returns where they went; empty with *error on failure.
QString setAside(const QString &dataPath, QString *error);

} // namespace LegacyDataFolder

#endif // LEGACYDATAFOLDER_H
