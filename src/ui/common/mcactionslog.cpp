#include "mcactionslog.h"

Q_LOGGING_CATEGORY(lcActions, "lumarin.ui.actions")
