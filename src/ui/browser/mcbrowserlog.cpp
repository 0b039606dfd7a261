#include "mcbrowserlog.h"

Q_LOGGING_CATEGORY(lcBrowser, "lumarin.ui.browser")
