#ifndef MCSHELLSERVICES_H
#define MCSHELLSERVICES_H

#include "bundlevalues.h"

#include <QStringList>

#include <functional>

class AlertPresenter;
class Autostart;
class Clock;
class DesktopNotifier;
class LauncherBadge;
class QuitRequests;
class SingleInstance;
class SoundPlayer;
class Updater;

// The desktop services the shell works with, handed in by main() (the real ones) or by a
// test (doubles it can drive). None is owned; each must outlive the application delegate.
struct MCShellServices
{
    BundleValues bundle;
    AlertPresenter *alerts = nullptr;
    Autostart *autostart = nullptr;
    SoundPlayer *sounds = nullptr;
    // Optional: the launcher entry's count of chats with unread messages.
    LauncherBadge *badge = nullptr;
    // Optional: bubbles on the desktop for what arrives while the window is not in front.
    DesktopNotifier *notifier = nullptr;
    Updater *updater = nullptr;
    Clock *clock = nullptr;
    QuitRequests *quitRequests = nullptr;
    // Optional: forwards later launches' arguments (kerlo:// URLs) to this instance.
    SingleInstance *singleInstance = nullptr;
    // The whole command line, program first; a relaunch passes everything after the program.
    QStringList arguments;
    // Starts program with arguments, no shell in between; false when it could not start.
    std::function<bool(const QString &program, const QStringList &arguments)> relaunch;
};

#endif // MCSHELLSERVICES_H
