#ifndef MCBROWSERLOG_H
#define MCBROWSERLOG_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

#endif // MCBROWSERLOG_H
