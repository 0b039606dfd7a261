#ifndef TRANSFERSWITCHTABLE_H
#define TRANSFERSWITCHTABLE_H

#include "transferswitch.h"

#include <mutex>
#include <optional>
#include <vector>

// The injected transfer misbehaviours, in the order they were added. Without the control
// API it stays empty. Shared by all worker threads.
class TransferSwitchTable
{
public:
    void add(const TransferSwitch &transferSwitch);
    // The first switch of that kind that matches path, with one use taken.
    std::optional<TransferSwitch> take(TransferSwitch::Kind kind, const QString &path);
    void clear();

private:
    std::mutex mutex;
    std::vector<TransferSwitch> switches;
};

#endif // TRANSFERSWITCHTABLE_H
