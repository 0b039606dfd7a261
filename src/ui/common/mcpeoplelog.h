#ifndef MCPEOPLELOG_H
#define MCPEOPLELOG_H

#include <QLoggingCategory>

// Messages of the people and chat interface.
Q_DECLARE_LOGGING_CATEGORY(lcPeople)

#endif // MCPEOPLELOG_H
