#include "platformlogging.h"

Q_LOGGING_CATEGORY(lcBundle, "lumarin.platform.bundle")
Q_LOGGING_CATEGORY(lcSingleInstance, "lumarin.platform.singleinstance")
Q_LOGGING_CATEGORY(lcAutostart, "lumarin.platform.autostart")
Q_LOGGING_CATEGORY(lcAlerts, "lumarin.platform.alerts")
Q_LOGGING_CATEGORY(lcSound, "lumarin.platform.sound")
Q_LOGGING_CATEGORY(lcLauncher, "lumarin.platform.launcher")
Q_LOGGING_CATEGORY(lcQuit, "lumarin.platform.quit")
