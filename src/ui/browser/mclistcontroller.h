#ifndef MCLISTCONTROLLER_H
#define MCLISTCONTROLLER_H

#include "mcbrowsableviewcontroller.h"

// The list view of the remote store (for now its node tree only: nothing is drawn yet).
class MCListController : public MCBrowsableViewController
{
    Q_OBJECT
public:
    using MCBrowsableViewController::MCBrowsableViewController;
};

#endif // MCLISTCONTROLLER_H
