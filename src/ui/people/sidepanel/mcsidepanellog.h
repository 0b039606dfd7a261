#ifndef MCSIDEPANELLOG_H
#define MCSIDEPANELLOG_H

#include <QLoggingCategory>

// The conversation side panel and the people picker.
Q_DECLARE_LOGGING_CATEGORY(lcSidePanel)

#endif // MCSIDEPANELLOG_H
