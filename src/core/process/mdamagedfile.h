#ifndef MDAMAGEDFILE_H
#define MDAMAGEDFILE_H

#include <QString>

// Moves the damaged SQLite file at path aside for someone to look at or mend, as
// "<path>.broken-<local time>" with its logs beside it. The path aside; empty when the file
// could not be moved, and stays where it is. The caller says what happened.
QString mSetDamagedFileAside(const QString &path);

// Why what is at path cannot be read as a store (a folder, a file this user may not read),
// in words for the user; empty when it can be read or nothing is there. SQLite would only say
// that it cannot open it.
QString mUnreadableFileReason(const QString &path);

#endif // MDAMAGEDFILE_H
