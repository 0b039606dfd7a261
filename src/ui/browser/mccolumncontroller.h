#ifndef MCCOLUMNCONTROLLER_H
#define MCCOLUMNCONTROLLER_H

#include "mcbrowsableviewcontroller.h"

// The column view of the remote store (for now its node tree only: nothing is drawn yet).
class MCColumnController : public MCBrowsableViewController
{
    Q_OBJECT
public:
    using MCBrowsableViewController::MCBrowsableViewController;
};

#endif // MCCOLUMNCONTROLLER_H
