#include "mcpeoplenotifylog.h"

Q_LOGGING_CATEGORY(lcPeopleNotify, "lumarin.ui.people.notify")
