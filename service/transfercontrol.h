#ifndef TRANSFERCONTROL_H
#define TRANSFERCONTROL_H

#include <string>

class Router;
class TransferSwitchTable;
class UploadStore;

// The control calls of transfers: switches that make downloads and uploads misbehave, the
// state of the chunk store and the open uploads, and their expiry.
class TransferControl
{
public:
    TransferControl(TransferSwitchTable &switches, UploadStore &uploads);

    void addRoutes(Router &router, const std::string &prefix);

private:
    TransferSwitchTable &switches;
    UploadStore &uploads;
};

#endif // TRANSFERCONTROL_H
