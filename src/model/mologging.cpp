#include "mologging_p.h"

Q_LOGGING_CATEGORY(lcModel, "model")
