#include "mcsidepanellog.h"

Q_LOGGING_CATEGORY(lcSidePanel, "lumarin.ui.people.sidepanel")
