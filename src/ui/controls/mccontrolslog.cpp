#include "mccontrolslog.h"

Q_LOGGING_CATEGORY(lcControls, "lumarin.ui.controls")
