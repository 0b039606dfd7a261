#ifndef MOLOGGING_P_H
#define MOLOGGING_P_H

#include <QLoggingCategory>

// Every log line of the model layer, so that QT_LOGGING_RULES="model.*=false" silences it.
Q_DECLARE_LOGGING_CATEGORY(lcModel)

#endif // MOLOGGING_P_H
