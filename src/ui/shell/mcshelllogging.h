#ifndef MCSHELLLOGGING_H
#define MCSHELLLOGGING_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcShell)

#endif // MCSHELLLOGGING_H
