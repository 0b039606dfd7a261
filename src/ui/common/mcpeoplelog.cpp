#include "mcpeoplelog.h"

Q_LOGGING_CATEGORY(lcPeople, "lumarin.ui.people")
