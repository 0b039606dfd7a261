#ifndef CONTROLAPI_H
#define CONTROLAPI_H

#include "accountcontrol.h"
#include "faulttable.h"
#include "objectcontrol.h"
#include "requestlog.h"
#include "transfercontrol.h"

#include <string>

class AccountStore;
class ObjectStore;
class SocialControl;
class Router;
class StopFlag;
class TransferSwitchTable;
class UploadStore;

// The test-only API under /__control: injected faults, the request log, accounts, files,
// transfers, social data and test data. Only served when kerlo-local runs with --control; the
// client never calls it.
class ControlApi
{
public:
    ControlApi(const StopFlag &stopFlag, AccountStore &accounts, ObjectStore &objects,
               TransferSwitchTable &transferSwitches, UploadStore &uploads,
               SocialControl &socialControl);

    static bool isControlPath(const std::string &path);
    // "/__control", the start of every control route.
    static std::string controlPrefix();

    void addRoutes(Router &router);

    FaultTable &faults() { return faultTable; }
    RequestLog &requestLog() { return log; }

private:
    const StopFlag &stopFlag;
    FaultTable faultTable;
    RequestLog log;
    AccountControl accountControl;
    ObjectControl objectControl;
    TransferSwitchTable &transferSwitches;
    TransferControl transferControl;
    SocialControl &socialControl;
};

#endif // CONTROLAPI_H
