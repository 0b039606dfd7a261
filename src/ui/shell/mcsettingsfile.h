#ifndef MCSETTINGSFILE_H
#define MCSETTINGSFILE_H

#include <QString>

class QObject;
class QSettings;

// The user defaults' file, $XDG_CONFIG_HOME/<name>/<name>.conf. It holds every contact's
// address and the data folder's path, so it and its folder are private to the user (0600 and
// 0700) before the first write; a file or folder left open by an earlier version is closed.
// Saving keeps the file's mode: the settings write a new file beside it with the old one's
// permissions and rename it into place.
class MCSettingsFile
{
public:
    // The settings object over the private file; the failure to make it private is logged and
    // the settings still work.
    static QSettings *open(const QString &name, QObject *parent);

private:
    // Empty on success, otherwise why the file or its folder could not be made private.
    static QString makePrivate(const QString &fileName);
};

#endif // MCSETTINGSFILE_H
