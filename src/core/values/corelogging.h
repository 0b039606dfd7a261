#ifndef CORELOGGING_H
#define CORELOGGING_H

#include <QLoggingCategory>

// One category per area of the core, so that QT_LOGGING_RULES can turn an area on or off
// ("core.transfers.debug=false").
Q_DECLARE_LOGGING_CATEGORY(lcCoreApp)
Q_DECLARE_LOGGING_CATEGORY(lcCoreNet)
Q_DECLARE_LOGGING_CATEGORY(lcCoreAuth)
Q_DECLARE_LOGGING_CATEGORY(lcCoreObjects)
Q_DECLARE_LOGGING_CATEGORY(lcCoreCache)
Q_DECLARE_LOGGING_CATEGORY(lcCoreTransfers)
Q_DECLARE_LOGGING_CATEGORY(lcCoreSocial)

#endif // CORELOGGING_H
