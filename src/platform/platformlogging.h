#ifndef PLATFORMLOGGING_H
#define PLATFORMLOGGING_H

#include <QLoggingCategory>

// One category per desktop service, so a user can switch on the one that misbehaves.
Q_DECLARE_LOGGING_CATEGORY(lcBundle)
Q_DECLARE_LOGGING_CATEGORY(lcSingleInstance)
Q_DECLARE_LOGGING_CATEGORY(lcAutostart)
Q_DECLARE_LOGGING_CATEGORY(lcAlerts)
Q_DECLARE_LOGGING_CATEGORY(lcSound)
Q_DECLARE_LOGGING_CATEGORY(lcLauncher)
Q_DECLARE_LOGGING_CATEGORY(lcQuit)

#endif // PLATFORMLOGGING_H
