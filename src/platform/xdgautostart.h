#ifndef XDGAUTOSTART_H
#define XDGAUTOSTART_H

#include "autostart.h"

#include <QString>

// Start at log-in through the XDG autostart folder: $XDG_CONFIG_HOME/autostart/<id>.desktop
// (~/.config/autostart when XDG_CONFIG_HOME is unset).
//
// The entry counts as enabled when the file exists, its Exec line starts this executable
// (the path given here) and it says neither Hidden=true nor X-GNOME-Autostart-enabled=false.
// Enabling writes the whole file atomically (QSaveFile), replacing an entry that is disabled
// or starts another path. Disabling removes the file: the id is ours.
class XdgAutostart : public Autostart
{
public:
    // desktopId: the file name without ".desktop" (the bundle identifier); executable: the
    // absolute path of the program to start; name: the entry's Name.
    XdgAutostart(const QString &desktopId, const QString &executable, const QString &name);

    bool isEnabled() const override;
    bool setEnabled(bool enabled) override;

    // The entry's full path.
    QString filePath() const;

private:
    QString m_desktopId;
    QString m_executable;
    QString m_name;
};

#endif // XDGAUTOSTART_H
