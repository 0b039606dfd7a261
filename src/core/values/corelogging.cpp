#include "corelogging.h"

Q_LOGGING_CATEGORY(lcCoreApp, "core.app")
Q_LOGGING_CATEGORY(lcCoreNet, "core.net")
Q_LOGGING_CATEGORY(lcCoreAuth, "core.auth")
Q_LOGGING_CATEGORY(lcCoreObjects, "core.objects")
Q_LOGGING_CATEGORY(lcCoreCache, "core.cache")
Q_LOGGING_CATEGORY(lcCoreTransfers, "core.transfers")
Q_LOGGING_CATEGORY(lcCoreSocial, "core.social")
