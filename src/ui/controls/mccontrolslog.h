#ifndef MCCONTROLSLOG_H
#define MCCONTROLSLOG_H

#include <QLoggingCategory>

// Messages of the interface's custom controls.
Q_DECLARE_LOGGING_CATEGORY(lcControls)

#endif // MCCONTROLSLOG_H
