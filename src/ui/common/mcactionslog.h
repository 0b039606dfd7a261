#ifndef MCACTIONSLOG_H
#define MCACTIONSLOG_H

#include <QLoggingCategory>

// Messages of the file actions and their pages.
Q_DECLARE_LOGGING_CATEGORY(lcActions)

#endif // MCACTIONSLOG_H
