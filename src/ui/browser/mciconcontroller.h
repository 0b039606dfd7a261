#ifndef MCICONCONTROLLER_H
#define MCICONCONTROLLER_H

#include "mcbrowsableviewcontroller.h"

// The icon view of the remote store (for now the plain list of its base).
class MCIconController : public MCBrowsableViewController
{
    Q_OBJECT
public:
    using MCBrowsableViewController::MCBrowsableViewController;
};

#endif // MCICONCONTROLLER_H
