#ifndef MCPEOPLENOTIFYLOG_H
#define MCPEOPLENOTIFYLOG_H

#include <QLoggingCategory>

// The add-contact and notifications pages.
Q_DECLARE_LOGGING_CATEGORY(lcPeopleNotify)

#endif // MCPEOPLENOTIFYLOG_H
